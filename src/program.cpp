#include "program.h"

#include <vector>

#include "platform/paths.h"

std::string WindowsDir;
std::string SettingsPath;

namespace {

constexpr unsigned kWindowsDirBuffer = 256;
constexpr unsigned kWindowsDirCapacity = 200;

std::string ReportedWindowsDir() {
  std::vector<char> buffer(kWindowsDirBuffer, '\0');
  unsigned length = GetWindowsDirectory(buffer.data(), kWindowsDirCapacity);
  if (length < 1)
    return "c:\\windows";
  if (length >= kWindowsDirCapacity) {
    // Too long for the stated capacity: the buffer was not filled, so ask again with room.
    buffer.assign(length + 1, '\0');
    length = GetWindowsDirectory(buffer.data(), length + 1);
    if (length < 1 || length > buffer.size() - 1)
      return "c:\\windows";
  }
  return std::string(buffer.data());
}

} // namespace

std::string LookUpWindowsDir() {
  const std::string directory = ReportedWindowsDir();
  // The settings file is written into it from the first start on, fallback or not.
  platform::CreateHostFolder(directory);
  return directory;
}

std::string DriveOf(std::string_view path) {
  return platform::ExtractFileDrive(path);
}

std::string SettingsPathIn(const std::string& windowsDir) {
  return windowsDir + "\\" + kSettingsFileName;
}

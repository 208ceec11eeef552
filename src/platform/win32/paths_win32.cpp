// Paths on Windows are the desktop's own: no drive folders, no skeleton, nothing mapped.
#include "platform/paths.h"

#include <string>

#include "platform/win32/utf16_win32.h"

#include <windows.h>
// Ours bears the desktop's name; its header maps that to its own A/W pair.
#undef GetWindowsDirectory

using platform::win32::Utf8FromWide;
using platform::win32::WideFromUtf8;

namespace platform {

// Nothing of the program's lives outside the desktop's own folders on Windows.
std::filesystem::path QuillmorRoot() {
  return std::filesystem::path();
}

std::filesystem::path HostPath(std::string_view windowsPath) {
  return std::filesystem::path(WideFromUtf8(windowsPath));
}

// The drives are the system's; a folder the program needs on one already exists or is not its
// to make.
void CreateHostFolder(std::string_view) {}

std::filesystem::path SkeletonFolder() {
  return std::filesystem::path();
}

} // namespace platform

unsigned GetWindowsDirectory(char* buffer, unsigned capacity) {
  wchar_t wide[MAX_PATH + 1];
  const UINT length = GetWindowsDirectoryW(wide, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH)
    return 0;
  const std::string directory = Utf8FromWide(std::wstring_view(wide, length));
  if (directory.size() >= capacity)
    return unsigned(directory.size() + 1);
  directory.copy(buffer, directory.size());
  buffer[directory.size()] = '\0';
  return unsigned(directory.size());
}

bool FileExists(std::string_view windowsPath) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(WideFromUtf8(windowsPath).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

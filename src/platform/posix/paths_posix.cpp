#include "platform/paths.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/ascii.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

const char* Env(const char* name) {
  return std::getenv(name);
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::vector<std::string_view> SplitComponents(std::string_view rest) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || IsSeparator(rest[i])) {
      if (i > start)
        parts.push_back(rest.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// The entry of folder whose name matches component without regard to case, preferring an exact
// match; the component as given when nothing matches (a path that is yet to be created).
fs::path MatchComponent(const fs::path& folder, std::string_view component) {
  std::error_code ec;
  fs::path exact = folder / std::string(component);
  if (fs::exists(fs::symlink_status(exact, ec)))
    return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualsIgnoringAsciiCase(it->path().filename().native(), component))
      return it->path();
  }
  return exact;
}

fs::path ResolveBelow(fs::path base, std::string_view rest) {
  const fs::path top = base;
  for (std::string_view component : SplitComponents(rest)) {
    if (component == ".")
      continue;
    if (component == "..") {
      if (base != top)
        base = base.parent_path();
      continue;
    }
    base = MatchComponent(base, component);
  }
  return base;
}

// A new drive folder appears whole: filled beside its final place, then renamed into it, so a
// second process starting at the same moment never sees half a drive.
void SeedNewFolder(const fs::path& folder, const fs::path& skeleton) {
  std::error_code ec;
  if (fs::exists(folder, ec))
    return;
  fs::create_directories(folder.parent_path(), ec);
  fs::path staging = folder;
  staging += ".new-" + std::to_string(::getpid());
  fs::remove_all(staging, ec);
  fs::create_directory(staging, ec);
  if (!skeleton.empty() && fs::is_directory(skeleton, ec))
    fs::copy(skeleton, staging, fs::copy_options::recursive, ec);
  fs::rename(staging, folder, ec);
  if (ec)
    fs::remove_all(staging, ec);
}

fs::path DriveFolder(char letter) {
  const char lower = AsciiLower(letter);
  fs::path folder = QuillmorRoot() / (std::string("drive_") + lower);
  SeedNewFolder(folder, lower == 'c' ? SkeletonFolder() : fs::path());
  return folder;
}

fs::path UncHostPath(std::string_view path) {
  std::vector<std::string_view> parts = SplitComponents(path.substr(2));
  fs::path folder = QuillmorRoot() / "unc";
  size_t used = 0;
  for (; used < parts.size() && used < 2; ++used)
    folder = MatchComponent(folder, parts[used]);
  if (used == 2)
    SeedNewFolder(folder, fs::path());
  for (; used < parts.size(); ++used) {
    if (parts[used] == "." || parts[used] == "..")
      continue;
    folder = MatchComponent(folder, parts[used]);
  }
  return folder;
}

fs::path ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

} // namespace

fs::path QuillmorRoot() {
  if (const char* root = Env("QUILLMOR_ROOT"); root && *root)
    return root;
  if (const char* data = Env("XDG_DATA_HOME"); data && *data)
    return fs::path(data) / "quillmor";
  const char* home = Env("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local/share/quillmor";
}

fs::path SkeletonFolder() {
  if (const char* skeleton = Env("QUILLMOR_SKELETON"))
    return skeleton;
  // Found from the program's own place, so that the binaries hold no path of the machine they
  // were built on and an installed tree can move.
  std::error_code ec;
  const fs::path bin = ExecutableFolder();
  for (const fs::path& candidate : {bin / ".." / QUILLMOR_INSTALL_DATADIR / "skeleton" / "drive_c",
                                    bin / QUILLMOR_BUILD_SKELETON_FROM_BIN}) {
    if (fs::is_directory(candidate, ec))
      return candidate.lexically_normal();
  }
  return fs::path();
}

fs::path HostPath(std::string_view windowsPath) {
  if (windowsPath.starts_with("\\\\"))
    return UncHostPath(windowsPath);
  const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                        ((windowsPath[0] >= 'a' && windowsPath[0] <= 'z') ||
                         (windowsPath[0] >= 'A' && windowsPath[0] <= 'Z'));
  if (hasDrive)
    return ResolveBelow(DriveFolder(windowsPath[0]), windowsPath.substr(2));
  if (!windowsPath.empty() && windowsPath[0] == '/')
    return fs::path(std::string(windowsPath));
  std::string relative(windowsPath);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return fs::path(relative);
}

void CreateHostFolder(std::string_view windowsPath) {
  std::error_code ec;
  fs::create_directories(HostPath(windowsPath), ec);
}

} // namespace platform

unsigned GetWindowsDirectory(char* buffer, unsigned capacity) {
  const char* configured = std::getenv("QUILLMOR_WINDOWS_DIR");
  const std::string directory = configured ? configured : "C:\\WINDOWS";
  if (directory.empty())
    return 0;
  if (directory.size() + 1 > capacity)
    return unsigned(directory.size() + 1);
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);
  return unsigned(directory.size());
}

bool FileExists(std::string_view windowsPath) {
  std::error_code ec;
  return std::filesystem::is_regular_file(platform::HostPath(windowsPath), ec);
}

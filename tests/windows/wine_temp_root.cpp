// The shared tests' TempRoot under Wine. Their drive C: is the Wine prefix's own: the program
// sees C:\ as the prefix's drive_c, so the root is the prefix folder, reached through Wine's Z:
// drive. What a test adds to drive C:, to its Windows folder and to the user's local application
// data (where the user's copy of a settings file goes) goes when it ends. Each test group runs in
// a fresh prefix (scripts/test-windows), so nothing of a user's is ever touched; outside Wine the
// root refuses to exist.
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

// The entries of the folders a test may add to, as they were before it.
std::set<fs::path> Entries(const fs::path& folder) {
  std::set<fs::path> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.insert(it->path().filename());
  return names;
}

std::set<fs::path>& Before(const fs::path& folder) {
  static std::map<fs::path, std::set<fs::path>> before;
  return before[folder];
}

fs::path LocalAppData() {
  const char* folder = std::getenv("LOCALAPPDATA");
  return folder ? fs::path(folder) : fs::path();
}

std::vector<fs::path> WatchedFolders(const fs::path& driveC) {
  return {driveC, driveC / "windows", LocalAppData()};
}

// Whether this user may add a file to the folder.
bool Writable(const fs::path& folder) {
  const fs::path probe = folder / ".quillmor-probe";
  bool made = false;
  {
    std::ofstream out(probe, std::ios::binary);
    made = out.good();
  }
  std::error_code ec;
  fs::remove(probe, ec);
  return made;
}

void RemoveAdded(const fs::path& driveC) {
  for (const fs::path& folder : WatchedFolders(driveC))
    for (const fs::path& name : Entries(folder))
      if (!Before(folder).count(name)) {
        std::error_code ec;
        fs::remove_all(folder / name, ec);
      }
}

} // namespace

ScopedEnv::~ScopedEnv() {
  for (const auto& [name, value] : saved_)
    _putenv_s(name.c_str(), value ? value->c_str() : "");
}

void ScopedEnv::Remember(const std::string& name) {
  if (saved_.count(name))
    return;
  const char* old = std::getenv(name.c_str());
  saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
  Remember(name);
  _putenv_s(name.c_str(), value.c_str());
}

void ScopedEnv::Unset(const std::string& name) {
  Remember(name);
  _putenv_s(name.c_str(), "");
}

TempRoot::TempRoot() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix || prefix[0] != '/')
    throw std::runtime_error("these tests run only in a Wine prefix of their own (WINEPREFIX)");
  std::string path = std::string("Z:") + prefix;
  for (char& c : path)
    if (c == '/')
      c = '\\';
  path_ = path;
  settingsFile_ = Writable(DriveC() / "windows")
                      ? DriveC() / "windows" / "quilmr20.ini"
                      : LocalAppData() / "VirtualStore" / "windows" / "quilmr20.ini";
  for (const fs::path& folder : WatchedFolders(DriveC())) {
    Before(folder) = Entries(folder);
  }
  std::error_code ec;
  fs::remove(settingsFile_, ec);
}

TempRoot::~TempRoot() {
  RemoveAdded(DriveC());
  std::error_code ec;
  fs::remove(settingsFile_, ec);
}

std::string ReadWholeFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteWholeFile(const fs::path& file, const std::string& content) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
}

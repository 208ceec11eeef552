#include "support/temp_root.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

ScopedEnv::~ScopedEnv() {
  for (const auto& [name, value] : saved_) {
    if (value)
      ::setenv(name.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name.c_str());
  }
}

void ScopedEnv::Remember(const std::string& name) {
  if (saved_.count(name))
    return;
  const char* old = std::getenv(name.c_str());
  saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
  Remember(name);
  ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset(const std::string& name) {
  Remember(name);
  ::unsetenv(name.c_str());
}

TempRoot::TempRoot() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillmor-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  settingsFile_ = DriveC() / "WINDOWS" / "quilmr20.ini";
  env_.Set("QUILLMOR_ROOT", path_.string());
  env_.Set("QUILLMOR_SKELETON", "");
  env_.Unset("QUILLMOR_WINDOWS_DIR");
}

TempRoot::~TempRoot() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteWholeFile(const std::filesystem::path& file, const std::string& content) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
}

// Every test keeps its files in a temporary folder of its own: the drive folders, the settings
// file and the window registry all live below it.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

class ScopedEnv {
public:
  ScopedEnv() = default;
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

private:
  void Remember(const std::string& name);
  std::map<std::string, std::optional<std::string>> saved_;
};

class TempRoot {
public:
  TempRoot();
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The host folder of drive C:.
  std::filesystem::path DriveC() const { return path_ / "drive_c"; }
  // The host path where the settings of C:\WINDOWS\quilmr20.ini are: that file, or on Windows the
  // user's own copy of it when the Windows folder refuses the user's writes.
  const std::filesystem::path& SettingsFile() const { return settingsFile_; }
  ScopedEnv& Env() { return env_; }

private:
  std::filesystem::path path_;
  std::filesystem::path settingsFile_;
  ScopedEnv env_;
};

std::string ReadWholeFile(const std::filesystem::path& file);
void WriteWholeFile(const std::filesystem::path& file, const std::string& content);

// A folder of the test's own below the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

// ReadWholeFile and WriteWholeFile come with the shared tests' TempRoot.
#include "support/temp_root.h"

class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The Windows path of a name in the folder, as the program would spell it.
  std::string Name(const std::string& name) const;

private:
  std::filesystem::path path_;
};

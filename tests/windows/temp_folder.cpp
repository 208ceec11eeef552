#include "temp_folder.h"

#include <atomic>
#include <stdexcept>

#include <windows.h>

#include "platform/win32/utf16_win32.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  static std::atomic<int> serial{0};
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("quillmor-test-" + std::to_string(GetCurrentProcessId()) +
                                       "-" + std::to_string(serial++));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempFolder::Name(const std::string& name) const {
  return platform::win32::Utf8FromWide((path_ / name).wstring());
}

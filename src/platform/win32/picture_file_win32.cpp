// Reading a picture file on Windows: a plain file only, opened without sharing while read.
#include <cstdint>

#include "platform/graphics.h"
#include "platform/win32/handles_win32.h"
#include "platform/win32/utf16_win32.h"

namespace {

// Larger files are no pictures of ours; refusing them early keeps a huge or sparse file from
// stalling the display.
constexpr LONGLONG kLargestPictureFile = LONGLONG(256) << 20;

} // namespace

std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName) {
  const std::wstring path = platform::win32::WideFromUtf8(fileName);
  const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (opened == INVALID_HANDLE_VALUE)
    throw EFOpenError(fileName);
  const platform::win32::UniqueHandle file(opened);
  std::optional<std::vector<std::uint8_t>> bytes =
      platform::win32::ReadDiskFile(file.get(), kLargestPictureFile);
  if (!bytes)
    throw EFOpenError(fileName);
  return std::move(*bytes);
}

// Reading a picture file on Windows: a plain file only, opened without sharing while read.
#include <cstdint>
#include <memory>
#include <type_traits>

#include "platform/graphics.h"
#include "platform/win32/utf16_win32.h"

#include <windows.h>

namespace {

// Larger files are no pictures of ours; refusing them early keeps a huge or sparse file from
// stalling the display.
constexpr LONGLONG kLargestPictureFile = LONGLONG(256) << 20;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

} // namespace

std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName) {
  const std::wstring path = platform::win32::WideFromUtf8(fileName);
  const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (opened == INVALID_HANDLE_VALUE)
    throw EFOpenError(fileName);
  const UniqueHandle file(opened);
  LARGE_INTEGER size = {};
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
      size.QuadPart > kLargestPictureFile)
    throw EFOpenError(fileName);
  std::vector<std::uint8_t> bytes(std::size_t(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD count = 0;
    if (!ReadFile(file.get(), bytes.data() + done, DWORD(bytes.size() - done), &count, nullptr))
      throw EFOpenError(fileName);
    if (count == 0)
      break;
    done += count;
  }
  bytes.resize(done);
  return bytes;
}

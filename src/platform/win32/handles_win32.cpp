#include "platform/win32/handles_win32.h"

#include <cstdio>
#include <cwctype>

#include "platform/win32/utf16_win32.h"

namespace platform::win32 {

std::optional<std::vector<std::uint8_t>> ReadDiskFile(HANDLE file, LONGLONG limit) {
  LARGE_INTEGER size = {};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart > limit)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(std::size_t(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD count = 0;
    if (!ReadFile(file, bytes.data() + done, DWORD(bytes.size() - done), &count, nullptr))
      return std::nullopt;
    if (count == 0)
      break;
    done += count;
  }
  bytes.resize(done);
  return bytes;
}

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const std::unique_ptr<wchar_t, decltype(&LocalFree)> held(text, &LocalFree);
  std::wstring message(text ? text : L"", length);
  while (!message.empty() && (message.back() == L'.' || iswspace(message.back())))
    message.pop_back();
  if (message.empty()) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
    return std::string("error ") + number;
  }
  return Utf8FromWide(message);
}

} // namespace platform::win32

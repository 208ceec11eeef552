// Short names for the conversions the windows' code makes all the time.
#pragma once

#include <string>

#include "platform/win32/utf16_win32.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

inline std::wstring Wide(const std::string& text) {
  return WideFromUtf8(text);
}

inline std::string Narrow(const std::wstring& text) {
  return Utf8FromWide(text);
}

// A window's text, as GetWindowTextW gives it.
inline std::string WindowText(HWND window) {
  std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return Narrow(text);
}

} // namespace platform::win32

// The program's text is UTF-8; the desktop's wide functions take UTF-16.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

inline std::wstring Wide(const std::string& text) {
  if (text.empty())
    return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(std::size_t(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
  return wide;
}

inline std::string Narrow(const std::wstring& text) {
  if (text.empty())
    return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(std::size_t(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

// A window's text, as GetWindowTextW gives it.
inline std::string WindowText(HWND window) {
  std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return Narrow(text);
}

} // namespace platform::win32

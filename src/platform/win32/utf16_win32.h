// The program's text is UTF-8; the desktop's wide functions take UTF-16. One conversion each way.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

} // namespace platform::win32

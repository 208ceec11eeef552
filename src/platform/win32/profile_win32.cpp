// The settings file through the desktop's own private-profile functions.
#include "platform/profile.h"

#include <optional>
#include <string>

#include "platform/win32/utf16_win32.h"

#include <windows.h>
// Our functions bear the desktop's names; its header maps those to its own A/W pair.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

using platform::win32::Utf8FromWide;
using platform::win32::WideFromUtf8;

namespace {

// Null stays null: the desktop gives a null key or value a meaning of its own.
std::optional<std::wstring> WideOrNull(const char* text) {
  if (!text)
    return std::nullopt;
  return WideFromUtf8(text);
}

const wchar_t* Pointer(const std::optional<std::wstring>& text) {
  return text ? text->c_str() : nullptr;
}

// The whole answer, however long: the desktop cuts to the buffer and says so only by filling it.
std::wstring ReadValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                       const wchar_t* fileName) {
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = GetPrivateProfileStringW(section, key, defaultValue, value.data(),
                                                  DWORD(value.size()), fileName);
    if (length + 2 < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(value.size() * 2);
  }
}

// The documented contract strips a default's trailing blanks; Wine's functions keep the first
// character of a default of blanks only. Stripped here, the answer is the same on both.
std::optional<std::wstring> WithoutTrailingBlanks(std::optional<std::wstring> text) {
  if (text)
    text->erase(text->find_last_not_of(L' ') + 1);
  return text;
}

// The longest head of text that fits in limit bytes without splitting a character.
std::size_t FittingBytes(const std::string& text, std::size_t limit) {
  if (text.size() <= limit)
    return text.size();
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return end;
}

} // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, unsigned size, const char* fileName) {
  if (size == 0)
    return 0;
  const auto wideSection = WideOrNull(section);
  const auto wideKey = WideOrNull(key);
  const auto wideDefault = WithoutTrailingBlanks(WideOrNull(defaultValue));
  const auto wideFile = WideOrNull(fileName);
  const std::string value = Utf8FromWide(
      ReadValue(Pointer(wideSection), Pointer(wideKey), Pointer(wideDefault), Pointer(wideFile)));
  const std::size_t copied = FittingBytes(value, size - 1);
  value.copy(buffer, copied);
  buffer[copied] = '\0';
  return unsigned(copied);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName) {
  const auto wideSection = WideOrNull(section);
  const auto wideKey = WideOrNull(key);
  const auto wideValue = WideOrNull(value);
  const auto wideFile = WideOrNull(fileName);
  return WritePrivateProfileStringW(Pointer(wideSection), Pointer(wideKey), Pointer(wideValue),
                                    Pointer(wideFile)) != FALSE;
}

// The desktop may keep profiles in its cache; a write of nothing but nulls writes them out.
DeferredProfileSync::DeferredProfileSync(const char*) {}

DeferredProfileSync::~DeferredProfileSync() {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr);
}

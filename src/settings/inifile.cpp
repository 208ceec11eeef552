#include "settings/inifile.h"

#include <vector>

#include "platform/profile.h"

namespace {

constexpr unsigned kReadBufferSize = 1024;

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'a' && c <= 'f')
    value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    value = c - 'A' + 10;
  return value < base ? value : -1;
}

// Digits of one base up to the end of the text; nullopt when there are none, when any other
// character stands among them, or when the value exceeds limit.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t limit) {
  if (digits.empty())
    return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = DigitValue(c, base);
    if (digit < 0)
      return std::nullopt;
    value = value * std::uint64_t(base) + std::uint64_t(digit);
    if (value > limit)
      return std::nullopt;
  }
  return value;
}

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  const auto value = ParseDigits(digits, 16, 0xFFFFFFFFull);
  if (!value)
    return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
}

// The profile reader trims space, tab and vertical tab around a value and drops one pair of
// matching quotes that enclose it; such a value is stored inside one more pair of quotes, which
// the reader takes off again, so that it reads back exactly.
bool LosesCharactersWhenRead(std::string_view value) {
  if (value.empty())
    return false;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
  if (blank(value.front()) || blank(value.back()))
    return true;
  return value.size() >= 2 && value.front() == value.back() &&
         (value.front() == '"' || value.front() == '\'');
}

std::string StoredValue(const std::string& value) {
  return LosesCharactersWhenRead(value) ? '"' + value + '"' : value;
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  // "0x" before more text stands for "$".
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2));
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  if (!text.empty() && text.front() == '$')
    return ParseHex(text.substr(1));
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto value = ParseDigits(text, 10, negative ? 2147483648ull : 2147483647ull);
  if (!value)
    return std::nullopt;
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(*value)
                                            : static_cast<std::int64_t>(*value));
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  std::vector<char> buffer(kReadBufferSize, '\0');
  const unsigned length =
      GetPrivateProfileString(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                              kReadBufferSize, fileName_.c_str());
  return std::string(buffer.data(), length < kReadBufferSize ? length : kReadBufferSize - 1);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) const {
  // A line break would end the key's line and start a stray one; a NUL would end the value early.
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
    throw EIniFileException("Cannot write a value containing a line break to " + fileName_);
  if (!WritePrivateProfileString(section.c_str(), key.c_str(), StoredValue(value).c_str(),
                                 fileName_.c_str()))
    throw EIniFileException("Unable to write to " + fileName_);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t defaultValue) const {
  return ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) const {
  WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key,
                        bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

// TIniFile: the accessor over the profile functions, bound to one settings file. It holds nothing
// but the path: every call goes to the file.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

class EIniFileException : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // Writes the value so that it reads back exactly: a value with blanks at either end, or wholly
  // in quotes, goes inside one more pair of double quotes. Raises "Unable to write to <file>" when
  // the profile writer reports failure; refuses a value with a CR, LF or NUL, which no profile
  // line can hold, writing nothing.
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) const;
  std::int32_t ReadInteger(const std::string& section, const std::string& key,
                           std::int32_t defaultValue) const;
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
  void WriteBool(const std::string& section, const std::string& key, bool value) const;

private:
  std::string fileName_;
};

// The number rule: leading blanks skipped, an optional sign and decimal digits in the signed
// 32-bit range, or "$" (or "0x" of a text longer than two characters) and hexadecimal digits that
// fit in 32 bits; nothing may follow. nullopt for anything else.
std::optional<std::int32_t> ParseInteger(std::string_view text);

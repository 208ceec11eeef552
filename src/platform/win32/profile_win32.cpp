// The settings file through the desktop's own private-profile functions, with the user's own copy
// of a file whose folder refuses the user's writes, kept where the desktop keeps such writes of a
// program it virtualizes: %LOCALAPPDATA%\VirtualStore\ and the file's path without its drive.
// A program that declares its execution level gets no virtualization from the desktop, and the
// Windows folder, where the settings file lives, is read-only to a user without elevation.
#include "platform/profile.h"

#include <optional>
#include <string>

#include "platform/paths.h"
#include "platform/win32/utf16_win32.h"

#include <windows.h>

#include <shlobj.h>
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

bool IsFile(const std::wstring& path) {
  return FileExists(Utf8FromWide(path));
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The user's copy of a file on a drive; empty for a path without a drive letter, which the
// desktop never redirects.
std::wstring UserCopyOf(const wchar_t* fileName) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(fileName, MAX_PATH, full, nullptr);
  if (length < 3 || length >= MAX_PATH || full[1] != L':' || full[2] != L'\\')
    return {};
  wchar_t local[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
    return {};
  return std::wstring(local) + L"\\VirtualStore" + (full + 2);
}

// Every folder above path that does not exist yet.
bool CreateFoldersAbove(const std::wstring& path) {
  for (std::size_t end = path.find(L'\\', 3); end != std::wstring::npos;
       end = path.find(L'\\', end + 1)) {
    const std::wstring folder = path.substr(0, end);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return true;
}

// The first refused write starts the user's copy from the file as it stands, so the copy holds
// every key the user saw before.
bool StartUserCopy(const wchar_t* fileName, const std::wstring& copy) {
  if (!CreateFoldersAbove(copy))
    return false;
  if (!IsFile(fileName))
    return true;
  if (!CopyFileW(fileName, copy.c_str(), TRUE))
    return GetLastError() == ERROR_FILE_EXISTS;
  // The copy is the user's to change, whatever the machine-wide file's attributes.
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(copy.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

// The user's copy once the first refused write has made one.
std::optional<std::wstring> ExistingUserCopy(const wchar_t* fileName) {
  std::wstring copy = UserCopyOf(fileName);
  if (copy.empty() || !IsFile(copy))
    return std::nullopt;
  return copy;
}

// Where reads go: the user's copy once there is one.
std::optional<std::wstring> FileToRead(const std::optional<std::wstring>& fileName) {
  if (!fileName)
    return fileName;
  auto copy = ExistingUserCopy(fileName->c_str());
  return copy ? copy : fileName;
}

bool WriteProfile(const std::optional<std::wstring>& section,
                  const std::optional<std::wstring>& key, const std::optional<std::wstring>& value,
                  const wchar_t* fileName) {
  return WritePrivateProfileStringW(Pointer(section), Pointer(key), Pointer(value), fileName) !=
         FALSE;
}

} // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, unsigned size, const char* fileName) {
  if (size == 0)
    return 0;
  const auto wideSection = WideOrNull(section);
  const auto wideKey = WideOrNull(key);
  const auto wideDefault = WithoutTrailingBlanks(WideOrNull(defaultValue));
  const auto wideFile = FileToRead(WideOrNull(fileName));
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
  if (!fileName)
    return WriteProfile(wideSection, wideKey, wideValue, nullptr);
  const std::wstring wideFile = WideFromUtf8(fileName);
  if (const auto existing = ExistingUserCopy(wideFile.c_str()))
    return WriteProfile(wideSection, wideKey, wideValue, existing->c_str());
  if (WriteProfile(wideSection, wideKey, wideValue, wideFile.c_str()))
    return true;
  // Only a refusal for lack of rights goes to the user's copy; a missing folder, or a folder where
  // the file should be, stays an error.
  if (GetLastError() != ERROR_ACCESS_DENIED || IsFolder(wideFile))
    return false;
  const std::wstring copy = UserCopyOf(wideFile.c_str());
  if (copy.empty())
    return false;
  return StartUserCopy(wideFile.c_str(), copy) &&
         WriteProfile(wideSection, wideKey, wideValue, copy.c_str());
}

bool ProfileFileExists(const char* fileName) {
  return ExistingUserCopy(WideFromUtf8(fileName).c_str()) || FileExists(fileName);
}

// The desktop may keep profiles in its cache; a write of nothing but nulls writes them out.
DeferredProfileSync::DeferredProfileSync(const char*) {}

DeferredProfileSync::~DeferredProfileSync() {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr);
}

// Files replaced in one step on the desktop's own file system, and where the setup put the
// bundled pictures.
#include "platform/files.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "platform/win32/handles_win32.h"
#include "platform/win32/utf16_win32.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// WriteFile takes at most a DWORD of bytes at a time; smaller steps keep each call short.
constexpr std::size_t kLargestWrite = std::size_t(1) << 24;
constexpr int kCommitAttempts = 20;
constexpr DWORD kCommitRetryMs = 50;

// Writes bytes to a new file at path and has them on the disk before it is closed; the error
// code of what failed, or 0.
DWORD WriteToDisk(const fs::path& path, std::span<const std::uint8_t> bytes) {
  // A new file of our own: never one that a link planted under its name leads to.
  DeleteFileW(path.c_str());
  const HANDLE created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (created == INVALID_HANDLE_VALUE)
    return GetLastError();
  win32::UniqueHandle file(created);
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD wanted = DWORD(std::min(bytes.size(), kLargestWrite));
    if (!WriteFile(file.get(), bytes.data(), wanted, &written, nullptr))
      return GetLastError();
    if (written == 0)
      return ERROR_WRITE_FAULT;
    bytes = bytes.subspan(written);
  }
  if (!FlushFileBuffers(file.get()))
    return GetLastError();
  // A failed close can be the write's own failure, reported late.
  if (!CloseHandle(file.release()))
    return GetLastError();
  return 0;
}

} // namespace

fs::path PathOfUtf8(std::string_view text) {
  return fs::path(win32::WideFromUtf8(text));
}

std::string Utf8Of(const fs::path& path) {
  return win32::Utf8FromWide(path.native());
}

fs::path ReplacementOf(const fs::path& file) {
  return file.parent_path() /
         (L"." + file.filename().wstring() + L".new-" + std::to_wstring(GetCurrentProcessId()));
}

bool WriteReplacement(const fs::path& file, std::span<const std::uint8_t> bytes,
                      std::string& error) {
  // Windows refuses to rename over a read-only file, Wine does not: a picture the user made
  // read-only stays as it is on both.
  if (const DWORD attributes = GetFileAttributesW(file.c_str());
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    error = win32::SystemMessage(ERROR_ACCESS_DENIED);
    return false;
  }
  const fs::path temporary = ReplacementOf(file);
  const DWORD fault = WriteToDisk(temporary, bytes);
  if (fault == 0)
    return true;
  DeleteFileW(temporary.c_str());
  error = win32::SystemMessage(fault);
  return false;
}

bool CommitReplacement(const fs::path& file, std::string& error) {
  const fs::path temporary = ReplacementOf(file);
  DWORD fault = 0;
  // A slideshow that reads the picture this moment holds it for a few milliseconds.
  for (int attempt = 0; attempt < kCommitAttempts; ++attempt) {
    if (MoveFileExW(temporary.c_str(), file.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    fault = GetLastError();
    if (fault != ERROR_SHARING_VIOLATION && fault != ERROR_ACCESS_DENIED)
      break;
    Sleep(kCommitRetryMs);
  }
  DeleteFileW(temporary.c_str());
  error = win32::SystemMessage(fault);
  return false;
}

void DiscardReplacement(const fs::path& file) {
  DeleteFileW(ReplacementOf(file).c_str());
}

fs::path BundledPicturesFolder() {
  std::wstring program(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
    if (length == 0)
      return fs::path();
    if (length < program.size()) {
      program.resize(length);
      break;
    }
    program.resize(program.size() * 2);
  }
  const fs::path folder = fs::path(program).parent_path() / L"Bundled pictures";
  std::error_code ec;
  return fs::is_directory(folder, ec) ? folder : fs::path();
}

} // namespace platform

#include "platform/profile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_io.h"

namespace fs = std::filesystem;

namespace {

// ---- Parsing -------------------------------------------------------------------------------

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

// Offsets into the file text: the line's first byte, the end of its content (where its line end
// starts) and the start of the next line.
struct Line {
  std::size_t begin;
  std::size_t contentEnd;
  std::size_t end;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t eol = text.find_first_of("\r\n", pos);
    if (eol == std::string_view::npos) {
      lines.push_back({pos, text.size(), text.size()});
      break;
    }
    std::size_t next = eol + 1;
    if (text[eol] == '\r' && next < text.size() && text[next] == '\n')
      ++next;
    lines.push_back({pos, eol, next});
    pos = next;
  }
  return lines;
}

enum class Kind { Other, Section, Key };

struct Entry {
  Kind kind = Kind::Other;
  std::string_view name;
  std::string_view value;
  std::size_t valueStart = 0; // offset in the file just after the key's "="
};

Entry Classify(std::string_view text, const Line& line) {
  const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
  const std::string_view body = TrimLeft(content);
  if (body.empty() || body.front() == ';')
    return {};
  if (body.front() == '[') {
    // A header without its closing bracket names no section; the line is skipped.
    const std::size_t close = body.find(']');
    if (close == std::string_view::npos)
      return {};
    return {Kind::Section, Trim(body.substr(1, close - 1)), {}, 0};
  }
  const std::size_t equals = content.find('=');
  if (equals == std::string_view::npos)
    return {};
  return {Kind::Key, Trim(content.substr(0, equals)), Trim(content.substr(equals + 1)),
          line.begin + equals + 1};
}

// Where a key stands. Only the first section of a name counts, and in it the first key.
struct Place {
  bool sectionFound = false;
  std::optional<std::size_t> keyLine;
  std::size_t lastKeyLine = 0; // the section's last key line, or its header when it has none
};

Place Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
             std::string_view key) {
  section = Trim(section);
  key = Trim(key);
  Place place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Entry entry = Classify(text, lines[i]);
    if (entry.kind == Kind::Section) {
      if (place.sectionFound)
        break;
      if (SameName(entry.name, section)) {
        place.sectionFound = true;
        place.lastKeyLine = i;
      }
      continue;
    }
    if (!place.sectionFound || entry.kind != Kind::Key)
      continue;
    if (SameName(entry.name, key)) {
      place.keyLine = i;
      break;
    }
    place.lastKeyLine = i;
  }
  return place;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\''))
    value = value.substr(1, value.size() - 2);
  // A C string cannot carry a NUL, so the value ends at the first one.
  return value.substr(0, value.find('\0'));
}

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
  const std::vector<Line> lines = SplitLines(text);
  const Place place = Locate(text, lines, section, key);
  if (!place.keyLine)
    return std::nullopt;
  return Unquote(Classify(text, lines[*place.keyLine]).value);
}

constexpr std::string_view kLineEnd = "\r\n";

// The file text with one key set (value) or removed (no value).
std::string WithKey(std::string_view text, std::string_view section, std::string_view key,
                    const char* value) {
  const std::vector<Line> lines = SplitLines(text);
  const Place place = Locate(text, lines, section, key);
  std::string result;
  if (place.keyLine) {
    const Line& line = lines[*place.keyLine];
    if (value) {
      result.append(text.substr(0, Classify(text, line).valueStart));
      result.append(value).append(kLineEnd);
    } else {
      result.append(text.substr(0, line.begin));
    }
    result.append(text.substr(line.end));
    return result;
  }
  if (!value)
    return std::string(text);
  const std::string keyLine = std::string(Trim(key)) + "=" + value + std::string(kLineEnd);
  if (place.sectionFound) {
    const Line& after = lines[place.lastKeyLine];
    result.append(text.substr(0, after.end));
    if (after.contentEnd == after.end)
      result.append(kLineEnd); // the last line of the file had no line end
    result.append(keyLine);
    result.append(text.substr(after.end));
    return result;
  }
  result.assign(text);
  if (!result.empty() && result.back() != '\n' && result.back() != '\r')
    result.append(kLineEnd);
  result.append("[").append(Trim(section)).append("]").append(kLineEnd).append(keyLine);
  return result;
}

// ---- Files ---------------------------------------------------------------------------------

// Far above any settings file of ours (100 slots of long paths come to well under a megabyte),
// and low enough that reading one per key never holds much memory. A larger file reads as
// unreadable and is never replaced.
constexpr off_t kLargestProfile = off_t(16) << 20;

class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Closes through the checked path; false when the close reported an error.
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return profile_io::Close(fd) == 0;
  }

private:
  int fd_;
};

// Removes the temporary file unless it was renamed into place.
class TempFileGuard {
public:
  explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
  ~TempFileGuard() {
    if (!committed_)
      ::unlink(path_.c_str());
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  void Commit() { committed_ = true; }

private:
  std::string path_;
  bool committed_ = false;
};

// Reads to the end; false on a read error or past kLargestProfile (a file that grows meanwhile).
bool ReadAll(int fd, std::string& text) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = profile_io::Read(fd, chunk, sizeof chunk);
    if (n == 0)
      return true;
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    text.append(chunk, std::size_t(n));
    if (text.size() > std::size_t(kLargestProfile)) {
      errno = EFBIG;
      return false;
    }
  }
}

// Only a plain file of a sane size is read; errno says why not (EISDIR or EFBIG).
bool PlainFileOfSaneSize(const struct stat& status) {
  if (!S_ISREG(status.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (status.st_size > kLargestProfile) {
    errno = EFBIG;
    return false;
  }
  return true;
}

// Non-blocking, so that a FIFO never stalls the open; a plain file reads as usual.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = profile_io::Write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    text.remove_prefix(std::size_t(n));
  }
  return true;
}

struct FileState {
  bool exists = false;
  std::string text;
  struct stat status = {};
};

// Reads the current file. A missing file is an empty one; any other failure is an error, so
// that a write never replaces a file it could not read.
bool ReadCurrent(const std::string& path, FileState& state) {
  UniqueFd fd(profile_io::Open(path.c_str(), kReadFlags));
  if (!fd)
    return errno == ENOENT;
  state.exists = true;
  if (profile_io::Fstat(fd.Get(), &state.status) != 0 || !PlainFileOfSaneSize(state.status))
    return false;
  return ReadAll(fd.Get(), state.text) && fd.Close();
}

// A file without any write permission is read-only even to the superuser, as the desktop's
// read-only attribute is to an administrator.
bool Writable(const std::string& path, const struct stat& status) {
  if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
      ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

// Makes the folder's new entry durable; the file is already complete either way.
void SyncFolder(const std::string& path) {
  const std::string folder = fs::path(path).parent_path().string();
  UniqueFd fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd)
    ::fsync(fd.Get());
}

bool ReplaceFile(const std::string& path, const FileState& old, std::string_view text) {
  const std::string temp = path + ".tmp";
  ::unlink(temp.c_str()); // left over from a write that died
  UniqueFd out(
      profile_io::Open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (!out)
    return false;
  TempFileGuard guard(temp);
  if (old.exists) {
    if (::fchown(out.Get(), old.status.st_uid, old.status.st_gid) != 0) {
      // Only the superuser may give the file away; the file's own user keeps it.
    }
    if (profile_io::Fchmod(out.Get(), old.status.st_mode & 07777) != 0)
      return false;
  }
  if (!WriteAll(out.Get(), text) || profile_io::Fsync(out.Get()) != 0 || !out.Close())
    return false;
  if (profile_io::Rename(temp.c_str(), path.c_str()) != 0)
    return false;
  guard.Commit();
  SyncFolder(path);
  return true;
}

bool LockExclusive(int fd) {
  for (;;) {
    if (profile_io::Flock(fd, LOCK_EX) == 0)
      return true;
    if (errno != EINTR)
      return false;
  }
}

// The file to change: a link's target, so that the link stays a link.
std::string TargetPath(const char* fileName) {
  const fs::path host = platform::HostPath(fileName);
  std::error_code error;
  if (fs::is_symlink(host, error)) {
    // Only to a plain file: a link to a device must not put our lock file beside the device.
    const fs::path target = fs::canonical(host, error);
    if (!error && fs::is_regular_file(target, error))
      return target.string();
  }
  return host.string();
}

std::string HostFile(const char* fileName) {
  return platform::HostPath(fileName).string();
}

} // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, unsigned size, const char* fileName) {
  if (size == 0)
    return 0;
  std::string text;
  if (fileName) {
    UniqueFd fd(::open(HostFile(fileName).c_str(), kReadFlags));
    struct stat status {};
    if (!fd || ::fstat(fd.Get(), &status) != 0 || !PlainFileOfSaneSize(status) ||
        !ReadAll(fd.Get(), text))
      text.clear(); // unreadable reads as empty
  }
  std::string_view result = TrimRight(defaultValue ? defaultValue : "");
  std::optional<std::string_view> found;
  if (section && key)
    found = FindValue(text, section, key);
  if (found)
    result = *found;
  const std::size_t copied = std::min<std::size_t>(result.size(), size - 1);
  std::memcpy(buffer, result.data(), copied);
  buffer[copied] = '\0';
  return unsigned(copied);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName) {
  if (!section || !key || !fileName)
    return false;
  const std::string path = TargetPath(fileName);
  UniqueFd lock(profile_io::Open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (!lock || !LockExclusive(lock.Get()))
    return false;
  FileState old;
  if (!ReadCurrent(path, old))
    return false;
  if (old.exists && !Writable(path, old.status))
    return false;
  const std::string text = WithKey(old.text, section, key, value);
  if (text == old.text)
    return true;
  return ReplaceFile(path, old, text);
}

#include "platform/profile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/ascii.h"
#include "platform/paths.h"
#include "platform/posix/profile_io.h"
#include "platform/posix/profile_lock.h"
#include "platform/posix/unique_fd.h"

namespace fs = std::filesystem;

namespace {

// ---- Parsing -------------------------------------------------------------------------------

// Two kinds of blank, as on the desktop: inside the file, space, tab and vertical tab are trimmed
// around names and values; from the names and the default a caller passes, only spaces are.
bool IsFileBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

bool IsSpace(char c) {
  return c == ' ';
}

using BlankTest = bool (*)(char);

std::string_view TrimLeft(std::string_view s, BlankTest blank) {
  while (!s.empty() && blank(s.front()))
    s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s, BlankTest blank) {
  while (!s.empty() && blank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s, BlankTest blank) {
  return TrimRight(TrimLeft(s, blank), blank);
}

// Offsets into the file text: the line's first byte, the end of its content (where its line end
// starts) and the start of the next line.
struct Line {
  std::size_t begin = 0;
  std::size_t contentEnd = 0;
  std::size_t end = 0;
};

// The first CR or LF from p, or last. Eight bytes at a time, so that long lines cost little.
const char* LineEnd(const char* p, const char* const last) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    // The lowest byte flagged is exactly the first zero byte; higher flags may be false.
    const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    while (last - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const std::uint64_t ends =
          zeroBytes(word ^ (kOnes * '\n')) | zeroBytes(word ^ (kOnes * '\r'));
      if (ends)
        return p + (std::countr_zero(ends) >> 3);
      p += 8;
    }
  }
  while (p != last && *p != '\n' && *p != '\r')
    ++p;
  return p;
}

// Just past the line end at p (CR, LF or CRLF), or last.
const char* PastLineEnd(const char* p, const char* const last) {
  if (p != last && *p++ == '\r' && p != last && *p == '\n')
    ++p;
  return p;
}

// Which lines are worth a closer look, by their first bytes: a line opening with one of the
// single bytes, or with the prefix in any case.
class LeadFilter {
public:
  static constexpr std::size_t kLongestPrefix = 8;

  void AddSingle(char c) {
    single_.Add(AsciiLower(c));
    single_.Add(AsciiUpper(c));
  }
  void SetPrefix(std::string_view prefix) {
    prefix_.clear();
    for (const char c : prefix.substr(0, kLongestPrefix)) {
#if defined(__SSE2__)
      lower_[prefix_.size()] = _mm_set1_epi8(AsciiLower(c));
      upper_[prefix_.size()] = _mm_set1_epi8(AsciiUpper(c));
#endif
      prefix_.push_back(AsciiLower(c));
    }
  }
  // How many bytes from a line's start the filter looks at.
  std::size_t Reach() const {
    return std::max<std::size_t>(prefix_.size(), 1);
  }

  bool Wants(const char* p, const char* const last) const {
    if (single_.Has(*p))
      return true;
    if (prefix_.empty() || std::size_t(last - p) < prefix_.size())
      return false;
    for (std::size_t i = 0; i < prefix_.size(); ++i)
      if (AsciiLower(p[i]) != prefix_[i])
        return false;
    return true;
  }

#if defined(__SSE2__)
  // Which of the sixteen positions from p open a wanted line, as a mask; reads p up to
  // p + 15 + Reach().
  __m128i Mask(const char* p) const {
    const __m128i first = Load(p);
    if (prefix_.empty())
      return single_.Mask(first);
    __m128i prefix = _mm_set1_epi8(char(0xFF));
    for (std::size_t i = 0; i < prefix_.size(); ++i) {
      const __m128i bytes = i == 0 ? first : Load(p + i);
      prefix = _mm_and_si128(
          prefix, _mm_or_si128(_mm_cmpeq_epi8(bytes, lower_[i]), _mm_cmpeq_epi8(bytes, upper_[i])));
    }
    return _mm_or_si128(single_.Mask(first), prefix);
  }

  static __m128i Load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }
#endif

private:
  // At most eight bytes: "[", the three blanks and "=".
  class Set {
  public:
    bool Has(char c) const { return table_[static_cast<unsigned char>(c)]; }
    void Add(char c) {
      if (Has(c))
        return;
      table_[static_cast<unsigned char>(c)] = true;
#if defined(__SSE2__)
      splats_[count_++] = _mm_set1_epi8(c);
#endif
    }
#if defined(__SSE2__)
    __m128i Mask(__m128i bytes) const {
      __m128i mask = _mm_setzero_si128();
      for (int i = 0; i < count_; ++i)
        mask = _mm_or_si128(mask, _mm_cmpeq_epi8(bytes, splats_[i]));
      return mask;
    }
#endif

  private:
    std::array<bool, 256> table_{};
#if defined(__SSE2__)
    __m128i splats_[8] = {}; // not std::array, which would drop the vector type's alignment
    int count_ = 0;
#endif
  };

  Set single_;
  std::string prefix_; // in lower case
#if defined(__SSE2__)
  __m128i lower_[kLongestPrefix] = {};
  __m128i upper_[kLongestPrefix] = {};
#endif
};

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

// The first line start after p that the filter wants, or last. Other lines cannot matter to the
// search and are passed over sixteen bytes at a time, so that a huge file of them costs about
// what reading it does.
const char* WantedLineAfter(const char* p, const char* const last, const LeadFilter& filter) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  while (std::size_t(last - p) >= 16 + filter.Reach()) {
    const __m128i here = LeadFilter::Load(p);
    const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(here, cr));
    if (const int hits = _mm_movemask_epi8(_mm_and_si128(ends, filter.Mask(p + 1))))
      return p + 1 + std::countr_zero(unsigned(hits));
    p += 16;
  }
#endif
  for (; p + 1 < last; ++p)
    if (IsLineEnd(p[0]) && filter.Wants(p + 1, last))
      return p + 1;
  return last;
}

// The same from p, itself a line start.
const char* NextWantedLine(const char* p, const char* const last, const LeadFilter& filter) {
  return p == last || filter.Wants(p, last) ? p : WantedLineAfter(p, last, filter);
}

std::string_view Content(std::string_view text, const Line& line) {
  return text.substr(line.begin, line.contentEnd - line.begin);
}

// The section a header line (its text from the "[" on) opens. A header without its closing
// bracket still opens one, named by the rest of the line.
std::string_view HeaderName(std::string_view header) {
  const std::size_t close = header.find(']');
  return Trim(header.substr(1, close == std::string_view::npos ? close : close - 1), IsFileBlank);
}

struct Key {
  std::string_view name;
  std::string_view value;
  std::size_t valueStart = 0; // offset in the file just after the key's "="
};

// The key of a line that is neither a header nor a comment.
std::optional<Key> KeyOf(std::string_view text, const Line& line) {
  const std::string_view content = Content(text, line);
  const std::string_view body = TrimLeft(content, IsFileBlank);
  if (body.empty() || body.front() == ';')
    return std::nullopt;
  const std::size_t equals = content.find('=');
  if (equals == std::string_view::npos)
    return std::nullopt;
  return Key{Trim(content.substr(0, equals), IsFileBlank),
             Trim(content.substr(equals + 1), IsFileBlank), line.begin + equals + 1};
}

// Where a key stands. Only the first section of a name counts, and in it the first key.
struct Place {
  bool sectionFound = false;
  std::optional<Line> keyLine;
  Line lastKeyLine; // the section's last key line, or its header when it has none
};

enum class Purpose { Read, Write };

// Whether some line can hold the key: its name is what stands before the line's first "=",
// trimmed of the file's blanks, on a line that is neither a header nor a comment.
bool KeyCanMatch(std::string_view key) {
  if (key.find_first_of("=\r\n") != std::string_view::npos)
    return false;
  return key.empty() || (!IsFileBlank(key.front()) && !IsFileBlank(key.back()) &&
                         key.front() != '[' && key.front() != ';');
}

// Whether the line whose first non-blank byte is at lead holds the key, for a key that can match:
// the key's characters in any case, blanks, then "=". As the key holds no line end, neither does
// a match, so end may be the line's end or the text's.
bool HoldsKey(const char* lead, const char* const end, std::string_view key) {
  if (end - lead < std::ptrdiff_t(key.size()) ||
      !EqualsIgnoringAsciiCase(std::string_view(lead, key.size()), key))
    return false;
  lead += key.size();
  while (lead != end && IsFileBlank(*lead))
    ++lead;
  return lead != end && *lead == '=';
}

// section and key come from the caller, already trimmed of their spaces. Lines are walked one by
// one, never listed, and only those that can matter are looked at: headers, and in the section
// those that can hold the key (a write also needs the section's last key line, so it looks at
// every line there). Blank-led lines are always looked at, as their first byte says nothing.
Place Locate(std::string_view text, std::string_view section, std::string_view key,
             Purpose purpose) {
  const bool keyCanMatch = KeyCanMatch(key);
  LeadFilter headers;
  for (const char c : {'[', ' ', '\t', '\v'})
    headers.AddSingle(c);
  LeadFilter keys = headers;
  if (keyCanMatch) {
    if (key.empty())
      keys.AddSingle('=');
    else
      keys.SetPrefix(key);
  }
  const char* const first = text.data();
  const char* const last = first + text.size();
  Place place;
  for (const char* p = first; p != last;) {
    if (!place.sectionFound || purpose == Purpose::Read)
      p = NextWantedLine(p, last, place.sectionFound ? keys : headers);
    if (p == last)
      break;
    const char* const begin = p;
    const char* lead = p;
    while (lead != last && IsFileBlank(*lead))
      ++lead;
    // A read passes over a key line that is not the key's without looking for its end.
    if (purpose == Purpose::Read && place.sectionFound && lead != last && *lead != '[' &&
        !(keyCanMatch && HoldsKey(lead, last, key))) {
      p = WantedLineAfter(lead, last, keys);
      continue;
    }
    const char* const end = LineEnd(lead, last);
    p = PastLineEnd(end, last);
    const Line line{std::size_t(begin - first), std::size_t(end - first), std::size_t(p - first)};
    if (lead != end && *lead == '[') {
      if (place.sectionFound)
        break;
      if (EqualsIgnoringAsciiCase(HeaderName(std::string_view(lead, std::size_t(end - lead))),
                                  section)) {
        place.sectionFound = true;
        place.lastKeyLine = line;
      }
      continue;
    }
    if (!place.sectionFound || lead == end || *lead == ';')
      continue;
    if (keyCanMatch && HoldsKey(lead, end, key)) {
      place.keyLine = line;
      break;
    }
    if (purpose == Purpose::Write && KeyOf(text, line))
      place.lastKeyLine = line;
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
  const Place place = Locate(text, section, key, Purpose::Read);
  if (!place.keyLine)
    return std::nullopt;
  return Unquote(KeyOf(text, *place.keyLine)->value);
}

constexpr std::string_view kLineEnd = "\r\n";

// The file text with one key set (value) or removed (no value). section and key come from the
// caller, already trimmed of their spaces.
std::string WithKey(std::string_view text, std::string_view section, std::string_view key,
                    const char* value) {
  const Place place = Locate(text, section, key, Purpose::Write);
  std::string result;
  if (place.keyLine) {
    const Line& line = *place.keyLine;
    if (value) {
      result.append(text.substr(0, KeyOf(text, line)->valueStart));
      result.append(value).append(kLineEnd);
    } else {
      result.append(text.substr(0, line.begin));
    }
    result.append(text.substr(line.end));
    return result;
  }
  if (!value)
    return std::string(text);
  const std::string keyLine = std::string(key) + "=" + value + std::string(kLineEnd);
  if (place.sectionFound) {
    const Line& after = place.lastKeyLine;
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
  result.append("[").append(section).append("]").append(kLineEnd).append(keyLine);
  return result;
}

// ---- Files ---------------------------------------------------------------------------------

// Far above any settings file of ours (100 slots of long paths come to well under a megabyte),
// and low enough that reading one per key never holds much memory. A larger file reads as
// unreadable and is never replaced.
constexpr off_t kLargestProfile = off_t(16) << 20;

// Closes through the checked path; false when the close reported an error.
bool CloseChecked(UniqueFd& fd) {
  return profile_io::Close(fd.Release()) == 0;
}

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

using ReadCall = ssize_t (*)(int, void*, std::size_t);

// A file's bytes, read whole into a buffer sized from the file's length, never cleared first:
// one key of a large file costs the read and one scan.
class FileText {
public:
  std::string_view View() const { return {bytes_.get(), size_}; }

  // Reads to the end; false on a read error or past kLargestProfile (a file that grows meanwhile).
  bool ReadAll(int fd, std::size_t expected, ReadCall read) {
    Reserve(expected + 1); // one byte more sees the end without growing
    for (;;) {
      if (size_ == capacity_)
        Reserve(2 * capacity_);
      const ssize_t n = read(fd, bytes_.get() + size_, capacity_ - size_);
      if (n == 0)
        return true;
      if (n < 0) {
        if (errno == EINTR)
          continue;
        return false;
      }
      size_ += std::size_t(n);
      if (size_ > std::size_t(kLargestProfile)) {
        errno = EFBIG;
        return false;
      }
    }
  }

private:
  void Reserve(std::size_t capacity) {
    capacity = std::max<std::size_t>(capacity, 4096);
    if (capacity <= capacity_)
      return;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_)
      std::memcpy(bytes.get(), bytes_.get(), size_);
    bytes_ = std::move(bytes);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

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
  FileText text;
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
  return state.text.ReadAll(fd.Get(), std::size_t(state.status.st_size), profile_io::Read) &&
         CloseChecked(fd);
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

// Writes the new text over the file itself, for a folder that refuses the temporary file while
// the file stays writable. Room for the text is taken first, so that a full disk stops the write
// before any byte changes; a write that fails later puts the old text back.
bool RewriteInPlace(const std::string& path, const FileState& old, std::string_view text) {
  UniqueFd out(profile_io::Open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
  if (!out)
    return false;
  struct stat status {};
  if (profile_io::Fstat(out.Get(), &status) != 0)
    return false;
  if (status.st_dev != old.status.st_dev || status.st_ino != old.status.st_ino) {
    errno = EAGAIN; // replaced behind the lock's back: not the file that was read
    return false;
  }
  const std::string_view before = old.text.View();
  if (text.size() > before.size() &&
      ::fallocate(out.Get(), FALLOC_FL_KEEP_SIZE, 0, off_t(text.size())) != 0 &&
      errno != EOPNOTSUPP)
    return false;
  if (WriteAll(out.Get(), text) && profile_io::Ftruncate(out.Get(), off_t(text.size())) == 0 &&
      profile_io::Fsync(out.Get()) == 0)
    return true;
  const int error = errno;
  const bool restored =
      ::pwrite(out.Get(), before.data(), before.size(), 0) == ssize_t(before.size()) &&
      ::ftruncate(out.Get(), off_t(before.size())) == 0;
  // A file that could not even be put back is torn: say so rather than blame the write alone.
  errno = restored ? error : EIO;
  return false;
}

// The file whose writes need not wait for the disk one by one (see DeferredProfileSync).
std::string& DeferredSyncPath() {
  static std::string path;
  return path;
}

// Writes the text to a temporary file beside the file and renames it into place, so that a
// crash or a full disk leaves the old file or the new one, never a torn one. The temporary
// file's data reaches the disk before the rename, so that a power cut cannot leave an empty file
// in place of the user's settings on a file system that commits the rename first.
bool ReplaceFile(const std::string& path, const FileState& old, std::string_view text) {
  const std::string temp = path + ".tmp";
  // Left over from a write that died. A folder that refuses new files may refuse this too, and
  // then the temporary file "exists": the in-place write serves as for any refusal.
  const bool staleTempStays = ::unlink(temp.c_str()) != 0 && errno != ENOENT;
  UniqueFd out(
      profile_io::Open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (!out) {
    const bool refused = errno == EACCES || errno == EPERM || (errno == EEXIST && staleTempStays);
    if (old.exists && refused)
      return RewriteInPlace(path, old, text);
    return false;
  }
  TempFileGuard guard(temp);
  if (old.exists) {
    if (::fchown(out.Get(), old.status.st_uid, old.status.st_gid) != 0) {
      // Only the superuser may give the file away; the file's own user keeps it.
    }
    if (profile_io::Fchmod(out.Get(), old.status.st_mode & 07777) != 0)
      return false;
  }
  if (!WriteAll(out.Get(), text))
    return false;
  if (path == DeferredSyncPath())
    ::sync_file_range(out.Get(), 0, 0, SYNC_FILE_RANGE_WRITE);
  else if (profile_io::Fsync(out.Get()) != 0)
    return false;
  if (!CloseChecked(out))
    return false;
  if (profile_io::Rename(temp.c_str(), path.c_str()) != 0)
    return false;
  guard.Commit();
  return true;
}

// The file to change: a link's target, so that the link stays a link.
std::string TargetPath(const char* fileName) {
  const fs::path host = platform::HostPath(fileName);
  std::error_code error;
  if (fs::is_symlink(host, error)) {
    // Only to a plain file: a link to a device must not be written through.
    const fs::path target = fs::canonical(host, error);
    if (!error && fs::is_regular_file(target, error))
      return target.string();
  }
  return host.string();
}

// The file's text for a lookup; anything unreadable reads as empty.
FileText ReadForLookup(const char* fileName) {
  FileText text;
  if (!fileName)
    return text;
  UniqueFd fd(::open(platform::HostPath(fileName).c_str(), kReadFlags));
  struct stat status {};
  if (!fd || ::fstat(fd.Get(), &status) != 0 || !PlainFileOfSaneSize(status) ||
      !text.ReadAll(fd.Get(), std::size_t(status.st_size), ::read))
    return FileText();
  return text;
}

} // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, unsigned size, const char* fileName) {
  if (size == 0)
    return 0;
  const FileText text = ReadForLookup(fileName);
  std::string_view result = TrimRight(defaultValue ? defaultValue : "", IsSpace);
  if (section && key) {
    if (const auto found = FindValue(text.View(), Trim(section, IsSpace), Trim(key, IsSpace)))
      result = *found;
  }
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
  ProfileLock lock;
  if (!lock.Acquire(path))
    return false;
  FileState old;
  if (!ReadCurrent(path, old))
    return false;
  if (old.exists && !Writable(path, old.status))
    return false;
  const std::string text =
      WithKey(old.text.View(), Trim(section, IsSpace), Trim(key, IsSpace), value);
  if (text == old.text.View())
    return true;
  return ReplaceFile(path, old, text);
}

DeferredProfileSync::DeferredProfileSync(const char* fileName) {
  DeferredSyncPath() = TargetPath(fileName);
}

DeferredProfileSync::~DeferredProfileSync() {
  const std::string path = std::exchange(DeferredSyncPath(), std::string());
  // Non-blocking, as the name may stand for a FIFO; only a plain file is synced.
  struct stat status {};
  if (UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
      file && ::fstat(file.Get(), &status) == 0 && S_ISREG(status.st_mode))
    ::fsync(file.Get());
  const std::string folder = fs::path(path).parent_path().string();
  if (UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); directory)
    ::fsync(directory.Get());
}

bool ProfileFileExists(const char* fileName) {
  return FileExists(fileName);
}

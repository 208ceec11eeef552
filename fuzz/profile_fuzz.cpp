// Input: two bytes of length, that many bytes of initial file content, then operations. Each
// operation is one byte of opcode and names, and for a write one byte of length and the value.
// Checked after every operation: a written key reads back as written (when the value needs no
// trimming, or went through the settings accessor) and every other key keeps its value. A
// removed key may let a later duplicate show.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/ascii.h"
#include "platform/profile.h"
#include "settings/inifile.h"

namespace {

constexpr std::array<const char*, 3> kSections = {"options", "wavconfig", "a b"};
constexpr std::array<const char*, 4> kKeys = {"sound", "name1", "k", "name100"};

const std::string& FileName() {
  static const std::string name = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    pattern += "/quillmor-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data()))
      std::abort();
    return pattern + "/profile.ini";
  }();
  return name;
}

void Store(std::string_view content) {
  const int fd = open(FileName().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || write(fd, content.data(), content.size()) != ssize_t(content.size()))
    std::abort();
  close(fd);
}

// The name in a case picked by bits, to exercise matching without case.
std::string Cased(const char* name, unsigned bits) {
  std::string result = name;
  for (std::size_t i = 0; i < result.size(); ++i)
    if ((bits >> (i % 8)) & 1)
      result[i] = AsciiUpper(result[i]);
  return result;
}

std::string Read(const std::string& section, const std::string& key, unsigned size = 4096) {
  std::string buffer(size, '#');
  const unsigned n = GetPrivateProfileString(section.c_str(), key.c_str(), "\x01 missing",
                                             buffer.data(), size, FileName().c_str());
  if (n >= size || buffer[n] != '\0' || std::strlen(buffer.c_str()) != n)
    std::abort();
  return buffer.substr(0, n);
}

using Snapshot = std::map<std::pair<int, int>, std::string>;

Snapshot TakeSnapshot() {
  Snapshot values;
  for (int s = 0; s < int(kSections.size()); ++s)
    for (int k = 0; k < int(kKeys.size()); ++k)
      values[{s, k}] = Read(kSections[s], kKeys[k]);
  return values;
}

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

bool ReadsBackAsWritten(std::string_view value) {
  if (value.empty())
    return true;
  if (Blank(value.front()) || Blank(value.back()))
    return false;
  return !(value.size() >= 2 && value.front() == value.back() &&
           (value.front() == '"' || value.front() == '\''));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2)
    return 0;
  std::size_t length = std::min<std::size_t>((data[0] << 8 | data[1]), size - 2);
  std::size_t pos = 2;
  Store(std::string_view(reinterpret_cast<const char*>(data + pos), length));
  pos += length;
  Snapshot before = TakeSnapshot();
  for (int operations = 0; operations < 8 && pos < size; ++operations) {
    const std::uint8_t op = data[pos++];
    const int s = (op >> 1) % int(kSections.size());
    const int k = (op >> 3) % int(kKeys.size());
    const std::string section = Cased(kSections[s], op * 37u);
    const std::string key = Cased(kKeys[k], op * 11u);
    if ((op & 1) == 0) {
      // A read into a small buffer gives a prefix of the full value.
      const unsigned small = 1 + (op >> 5);
      const std::string full = Read(section, key);
      if (Read(section, key, small) != full.substr(0, small - 1))
        std::abort();
      continue;
    }
    const bool remove = pos >= size;
    std::string value;
    if (!remove) {
      const std::size_t wanted = data[pos++];
      const std::size_t valueLength = std::min(wanted, size - pos);
      value.assign(reinterpret_cast<const char*>(data + pos), valueLength);
      pos += valueLength;
      value = value.substr(0, value.find('\0'));
    }
    // Every other write goes through the settings accessor, which stores any value that can stand
    // on one line so that it reads back exactly.
    const bool throughAccessor = !remove && (op & 0x40) && value.size() < 1000 &&
                                 value.find_first_of("\r\n") == std::string::npos;
    if (throughAccessor) {
      const TIniFile ini(FileName());
      ini.WriteString(section, key, value);
      if (ini.ReadString(section, key, "") != value)
        std::abort();
    } else if (!WritePrivateProfileString(section.c_str(), key.c_str(),
                                          remove ? nullptr : value.c_str(), FileName().c_str())) {
      std::abort();
    }
    Snapshot after = TakeSnapshot();
    if (value.find_first_of("\r\n") == std::string::npos) {
      if (!remove && (throughAccessor || ReadsBackAsWritten(value)) && after[{s, k}] != value)
        std::abort();
      for (const auto& [name, old] : before)
        if (name != std::make_pair(s, k) && after[name] != old)
          std::abort();
    }
    before = std::move(after);
  }
  return 0;
}

#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/posix/unique_fd.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    bytes = bytes.subspan(std::size_t(n));
  }
  return true;
}

// The rename itself reaches the disk only with its folder.
void FlushFolderOf(const fs::path& file) {
  const UniqueFd folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder)
    ::fsync(folder.Get());
}

} // namespace

// Names are bytes here; what the desktop shows of them is UTF-8.
fs::path PathOfUtf8(std::string_view text) {
  return fs::path(std::string(text));
}

std::string Utf8Of(const fs::path& path) {
  return path.string();
}

fs::path ReplacementOf(const fs::path& file) {
  return file.parent_path() /
         ("." + file.filename().string() + ".new-" + std::to_string(::getpid()));
}

bool WriteReplacement(const fs::path& file, std::span<const std::uint8_t> bytes,
                      std::string& error) {
  const fs::path temporary = ReplacementOf(file);
  // A new file of our own: never one that a link planted under its name leads to.
  ::unlink(temporary.c_str());
  UniqueFd fd(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  bool ok = fd && WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
  int fault = errno;
  // A failed close can be the write's own failure, reported late.
  if (fd && ::close(fd.Release()) != 0 && ok) {
    ok = false;
    fault = errno;
  }
  if (ok)
    return true;
  error = std::strerror(fault);
  ::unlink(temporary.c_str());
  return false;
}

bool CommitReplacement(const fs::path& file, std::string& error) {
  const fs::path temporary = ReplacementOf(file);
  if (::rename(temporary.c_str(), file.c_str()) == 0) {
    FlushFolderOf(file);
    return true;
  }
  error = std::strerror(errno);
  ::unlink(temporary.c_str());
  return false;
}

void DiscardReplacement(const fs::path& file) {
  ::unlink(ReplacementOf(file).c_str());
}

fs::path BundledPicturesFolder() {
  const fs::path skeleton = SkeletonFolder();
  return skeleton.empty() ? fs::path() : skeleton / "Tavrin" / "Quillmor";
}

} // namespace platform

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

} // namespace

fs::path ReplacementOf(const fs::path& file) {
  return file.parent_path() /
         ("." + file.filename().string() + ".new-" + std::to_string(::getpid()));
}

bool ReplaceFileWith(const fs::path& file, std::span<const std::uint8_t> bytes,
                     std::string& error) {
  const fs::path temporary = ReplacementOf(file);
  UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  bool ok = fd && WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
  int fault = errno;
  // A failed close can be the write's own failure, reported late.
  if (fd && ::close(fd.Release()) != 0 && ok) {
    ok = false;
    fault = errno;
  }
  if (ok && ::rename(temporary.c_str(), file.c_str()) == 0)
    return true;
  error = std::strerror(ok ? errno : fault);
  ::unlink(temporary.c_str());
  return false;
}

fs::path BundledPicturesFolder() {
  const fs::path skeleton = SkeletonFolder();
  return skeleton.empty() ? fs::path() : skeleton / "Tavrin" / "Quillmor";
}

} // namespace platform

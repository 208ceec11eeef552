// Reading a picture file off Windows: a plain file only, locked against other users while read.
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/graphics.h"
#include "platform/paths.h"

namespace {

// Larger files are no pictures of ours; refusing them early keeps a huge or sparse file from
// stalling the display.
constexpr off_t kLargestPictureFile = off_t(256) << 20;

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

private:
  int fd_;
};

// Reads until the end of the file; false on a read error.
bool ReadAll(int fd, std::vector<std::uint8_t>& bytes, std::size_t expected) {
  bytes.resize(expected);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0)
      return false;
    if (count == 0)
      break;
    done += std::size_t(count);
  }
  bytes.resize(done);
  return true;
}

} // namespace

std::vector<std::uint8_t> ReadPictureFile(const std::string& fileName) {
  const std::string host = platform::HostPath(fileName).string();
  // Non-blocking, so that a FIFO or a device never stalls the open; only plain files go on.
  FileDescriptor file(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat status {};
  if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > kLargestPictureFile)
    throw EFOpenError(fileName);
  // No sharing: a file that another holds locked is not read.
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
    throw EFOpenError(fileName);
  std::vector<std::uint8_t> bytes;
  if (!ReadAll(file.Get(), bytes, std::size_t(status.st_size)))
    throw EFOpenError(fileName);
  return bytes;
}

#include "platform/posix/profile_io.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace profile_io {
namespace {

std::atomic<unsigned> operationCount{0};
std::atomic<unsigned> failingOperation{0};
std::atomic<int> failingError{0};
std::atomic<bool> failingAll{false};
std::string refusingFolder; // set by tests only, before the writes they watch

// Counts one operation; true when this is the one to fail (errno is then set).
bool Injected() {
  const unsigned n = ++operationCount;
  if (!failingAll.load() && n != failingOperation.load())
    return false;
  errno = failingError.load();
  return true;
}

} // namespace

void FailNthOperation(unsigned n, int error) {
  failingError = error;
  failingOperation = n;
  failingAll = false;
  operationCount = 0;
}

void FailEveryOperation(int error) {
  failingError = error;
  failingAll = true;
}

unsigned OperationCount() {
  return operationCount.load();
}

void RefuseNewFilesIn(const std::string& folder) {
  refusingFolder = folder;
}

int Open(const char* path, int flags, mode_t mode) {
  if (Injected())
    return -1;
  std::error_code ignored;
  if ((flags & O_CREAT) && !refusingFolder.empty() && ::access(path, F_OK) != 0 &&
      std::filesystem::equivalent(std::filesystem::path(path).parent_path(), refusingFolder,
                                  ignored)) {
    errno = EACCES;
    return -1;
  }
  return ::open(path, flags, mode);
}

ssize_t Read(int fd, void* buffer, std::size_t size) {
  return Injected() ? -1 : ::read(fd, buffer, size);
}

ssize_t Write(int fd, const void* buffer, std::size_t size) {
  return Injected() ? -1 : ::write(fd, buffer, size);
}

int Fstat(int fd, struct stat* status) {
  return Injected() ? -1 : ::fstat(fd, status);
}

int Fchmod(int fd, mode_t mode) {
  return Injected() ? -1 : ::fchmod(fd, mode);
}

int Fsync(int fd) {
  return Injected() ? -1 : ::fsync(fd);
}

int Ftruncate(int fd, off_t length) {
  return Injected() ? -1 : ::ftruncate(fd, length);
}

int Flock(int fd, int operation) {
  return Injected() ? -1 : ::flock(fd, operation);
}

int Rename(const char* from, const char* to) {
  return Injected() ? -1 : ::rename(from, to);
}

int Close(int fd) {
  const bool injected = Injected();
  const int error = errno;
  const int result = ::close(fd);
  if (injected) {
    errno = error;
    return -1;
  }
  return result;
}

} // namespace profile_io

#include "platform/posix/profile_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/profile_io.h"

namespace {

// A folder of our own: made with mode 0700 when missing, and accepted only when it is a real
// folder of this user that no one else may write to, as another user could otherwise hold or
// swap our locks.
bool OwnFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return false;
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0)
    return false;
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() || (status.st_mode & 022) != 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

// The folder depends on the user alone, not on the environment, so that a display started by a
// daemon and a dialog started from the session meet the same lock.
std::optional<std::string> LockFolder() {
  const std::string uid = std::to_string(::geteuid());
  const std::string runtime = "/run/user/" + uid;
  struct stat status {};
  if (::lstat(runtime.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
      status.st_uid == ::geteuid() && OwnFolder(runtime + "/quillmor"))
    return runtime + "/quillmor";
  const std::string folder = "/tmp/quillmor-" + uid;
  if (OwnFolder(folder))
    return folder;
  return std::nullopt;
}

// FNV-1a: the file's name may be too long to stand in the lock's name; two names that share a
// hash only make their writers wait for each other.
std::uint64_t NameHash(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool LockExclusive(int fd) {
  for (;;) {
    if (profile_io::Flock(fd, LOCK_EX) == 0)
      return true;
    if (errno != EINTR)
      return false;
  }
}

// True when the locked descriptor is still the file at path: its last holder removes it before
// letting go, and a writer that waited on the removed file must lock the new one.
bool StillLinked(int fd, const std::string& path) {
  struct stat held {
  }, linked{};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &linked) == 0 &&
         held.st_dev == linked.st_dev && held.st_ino == linked.st_ino;
}

} // namespace

std::optional<std::string> ProfileLockPath(const std::string& path) {
  const std::filesystem::path file(path);
  const std::string folder = file.parent_path().empty() ? "." : file.parent_path().string();
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0)
    return std::nullopt;
  const std::optional<std::string> lockFolder = LockFolder();
  if (!lockFolder)
    return std::nullopt;
  char name[80];
  std::snprintf(name, sizeof name, "/%llx-%llx-%016llx.lock",
                static_cast<unsigned long long>(status.st_dev),
                static_cast<unsigned long long>(status.st_ino),
                static_cast<unsigned long long>(NameHash(file.filename().string())));
  return *lockFolder + name;
}

bool ProfileLock::Acquire(const std::string& path) {
  const std::optional<std::string> lockPath = ProfileLockPath(path);
  if (!lockPath)
    return false;
  for (;;) {
    UniqueFd fd(
        profile_io::Open(lockPath->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd)
      return false;
    if (!LockExclusive(fd.Get())) {
      const int error = errno;
      fd.Reset();
      errno = error;
      return false;
    }
    if (StillLinked(fd.Get(), *lockPath)) {
      fd_ = std::move(fd);
      lockPath_ = *lockPath;
      return true;
    }
  }
}

ProfileLock::~ProfileLock() {
  // Unlinked while still held, so that no writer locks the file once it is gone.
  if (fd_)
    ::unlink(lockPath_.c_str());
}

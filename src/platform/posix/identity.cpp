#include "platform/identity.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/posix/unique_fd.h"

// What keeps this window registered: the held lock file.
struct WindowIdentity::Lock {
  UniqueFd fd;
};

namespace {

std::string HexOf(const std::string& text) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

// Names are hex-encoded so that any class or caption makes a valid file name.
std::filesystem::path LockFile(const std::string& className, const std::string& caption) {
  return platform::QuillmorRoot() / "windows" / (HexOf(className) + "-" + HexOf(caption) + ".lock");
}

UniqueFd CreateLockFile(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  return UniqueFd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

bool& Registering() {
  static bool registering = true;
  return registering;
}

} // namespace

void RegisterNoWindowIdentities() {
  Registering() = false;
}

WindowIdentity::WindowIdentity(const std::string& className, const std::string& caption)
    : lock_(std::make_unique<Lock>()) {
  if (!Registering())
    return;
  lock_->fd = CreateLockFile(LockFile(className, caption));
  if (lock_->fd)
    ::flock(lock_->fd.Get(), LOCK_SH);
}

WindowIdentity::~WindowIdentity() = default;

bool FindWindow(const std::string& className, const std::string& caption) {
  // Only looks: no file of a window that never existed is left behind by the probe.
  const UniqueFd fd(::open(LockFile(className, caption).c_str(), O_RDONLY | O_CLOEXEC));
  return fd && ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

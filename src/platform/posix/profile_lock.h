// The lock that makes the writers of one profile file take turns, across processes.
//
// It lives in the user's runtime folder (/run/user/<uid>/quillmor, else a folder of mode 0700
// named /tmp/quillmor-<uid>), chosen by the user alone, not beside the file: the file's folder may
// refuse new files, and nothing may stay there. The lock file is named after the identity of the
// file's folder (device and inode) and the file's name, which survive the file being replaced, so
// every writer of the same file meets the same lock whichever path it took. The holder removes the
// lock file before it lets go, so none lasts.
#pragma once

#include <optional>
#include <string>

#include "platform/posix/unique_fd.h"

class ProfileLock {
public:
  ProfileLock() = default;
  ~ProfileLock();
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;

  // Waits for the lock of the file at path, whose folder must exist; false, with errno set, when
  // the lock cannot be had.
  bool Acquire(const std::string& path);

private:
  UniqueFd fd_;
  std::string lockPath_;
};

// The lock file for the file at path (a host path whose folder exists), nullopt when the user's
// lock folder cannot be had.
std::optional<std::string> ProfileLockPath(const std::string& path);

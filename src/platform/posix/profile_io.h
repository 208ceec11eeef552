// The file operations of the profile writer, gathered so that a test can make any one of them
// fail as a full disk or a broken device would.
#pragma once

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace profile_io {

// Restarts the operation count and makes the n-th operation from now (the next one is 1) fail
// with the given errno value; n = 0 fails none.
void FailNthOperation(unsigned n, int error);

// Makes every operation from now on fail with the given errno value, as a file that refuses every
// write would, until the next FailNthOperation. Reads of the profile do not go through here.
void FailEveryOperation(int error);

// Operations since the last FailNthOperation (or since start).
unsigned OperationCount();

// Makes the folder refuse new files, as a folder the user may not write to does even to the
// superuser on the desktop: an Open that would create a file in it fails with EACCES. An empty
// folder name ends it.
void RefuseNewFilesIn(const std::string& folder);

// The POSIX calls of the same names. An injected failure returns -1 with errno set and does not
// perform the call, except Close, which always releases the descriptor.
int Open(const char* path, int flags, mode_t mode = 0);
ssize_t Read(int fd, void* buffer, std::size_t size);
ssize_t Write(int fd, const void* buffer, std::size_t size);
int Fstat(int fd, struct stat* status);
int Fchmod(int fd, mode_t mode);
int Fsync(int fd);
int Ftruncate(int fd, off_t length);
int Flock(int fd, int operation);
int Rename(const char* from, const char* to);
int Close(int fd);

} // namespace profile_io

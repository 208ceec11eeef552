// The private-profile (INI) functions, ours, with the contract of the desktop's own.
//
// Reading: section and key names match without regard to case; in the file, blanks (space, tab,
// vertical tab) around names, around "=" and around the value are trimmed, while the section name,
// key name and default a caller passes lose only their spaces (a tab stays part of them); a value
// wholly enclosed in one pair of matching quotes comes back without them; a header line without
// its closing bracket names the section with the rest of the line; the first of duplicate keys
// wins; CR, LF and CRLF line ends read alike; a line starting with ";" is a comment; a missing or
// unreadable file reads as empty, and so does anything but a plain file (a FIFO, a device) and a
// file over 16 MiB, which writes also refuse. One lookup is one read and one pass over the file.
//
// Writing changes one key and keeps every other byte: an existing key keeps its line's place, a
// new key follows the last key line of its section, a new section goes at the end of the file.
// The value is written as given. Lines end in CRLF. Each write runs under a lock (see
// profile_lock.h), re-reads the file, and replaces it through a checked temporary file, so a
// crash or a full disk never leaves a torn file and two processes never lose each other's keys.
// When the folder refuses the temporary file but the file itself is writable, the file is
// rewritten in place under the same lock. Nothing but the file stays in its folder.
//
// File names are Windows paths (see paths.h). Depends on the standard library and the path
// mapping only.
#pragma once

// Copies the value (or the default, trailing blanks removed) into buffer, cut to size - 1
// characters, and returns the number of characters copied.
unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, unsigned size, const char* fileName);

// Sets key in section to value; false when the file could not be written (it is left as it was).
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName);

// Whether the file the profile functions read exists, as a file. On Windows a file whose folder
// refuses the user's writes is read from the user's own copy once the first refused write has
// made one (%LOCALAPPDATA%\VirtualStore\ and the path without its drive), so either counts.
bool ProfileFileExists(const char* fileName);

// While one exists, writes to the file it names need not reach the disk one by one: the defaults
// of a new settings file are over a hundred writes, and a power cut meanwhile loses nothing the
// user chose. Each write stays atomic; the file and its folder reach the disk when it ends.
class DeferredProfileSync {
public:
  explicit DeferredProfileSync(const char* fileName);
  ~DeferredProfileSync();
  DeferredProfileSync(const DeferredProfileSync&) = delete;
  DeferredProfileSync& operator=(const DeferredProfileSync&) = delete;
};

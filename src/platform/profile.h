// The private-profile (INI) functions, ours, with the contract of the desktop's own.
//
// Reading: section and key names match without regard to case; blanks around names, around "="
// and around the value are trimmed; a value wholly enclosed in one pair of matching quotes comes
// back without them; the first of duplicate keys wins; CR, LF and CRLF line ends read alike; a
// line starting with ";" is a comment; a missing or unreadable file reads as empty, and so does
// anything but a plain file (a FIFO, a device) and a file over 16 MiB, which writes also refuse.
//
// Writing changes one key and keeps every other byte: an existing key keeps its line's place, a
// new key follows the last key line of its section, a new section goes at the end of the file.
// Lines end in CRLF. Each write runs under a lock file, re-reads the file, and replaces it through
// a checked, flushed temporary file, so a crash or a full disk never leaves a torn file and two
// processes never lose each other's keys.
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

#include "platform/profile.h"

#include <cstring>

// Placeholder until the profile functions land: reads give the default, writes fail.
unsigned GetPrivateProfileString(const char*, const char*, const char* defaultValue, char* buffer,
                                 unsigned size, const char*) {
  if (size == 0)
    return 0;
  std::strncpy(buffer, defaultValue, size - 1);
  buffer[size - 1] = '\0';
  return unsigned(std::strlen(buffer));
}

bool WritePrivateProfileString(const char*, const char*, const char*, const char*) {
  return false;
}

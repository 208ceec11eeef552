#include "platform/paths.h"

namespace platform {

std::string ExtractFileDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':')
    return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // The server and share part: up to, not including, the second separator after the "\\".
    size_t separators = 0;
    size_t i = 2;
    while (i < path.size() && separators < 2) {
      if (path[i] == '\\')
        ++separators;
      if (separators < 2)
        ++i;
    }
    return std::string(path.substr(0, i));
  }
  return std::string();
}

} // namespace platform

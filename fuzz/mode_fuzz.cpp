// The mode selection over arbitrary first arguments: never a crash, and only "/S" exactly or a
// "/C" prefix (letters a to z upper-cased) select a mode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "psave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string argument(reinterpret_cast<const char*>(data), size);
  const StartMode mode = ModeForArgument(argument);
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
  const bool display = size == 2 && argument[0] == '/' && upper(argument[1]) == 'S';
  const bool settings = size >= 2 && argument[0] == '/' && upper(argument[1]) == 'C';
  const StartMode expected =
      display ? StartMode::Display : (settings ? StartMode::Settings : StartMode::None);
  if (mode != expected)
    std::abort();
  return 0;
}

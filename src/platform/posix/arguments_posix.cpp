// Off Windows the program's arguments are the bytes it was given: UTF-8 on every desktop it runs
// on.
#include <algorithm>

#include "platform/application.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

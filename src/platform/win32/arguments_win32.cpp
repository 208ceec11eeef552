// The program's arguments from the desktop's wide command line: the narrow one is in the ANSI code
// page, which is UTF-8 only on the Windows versions that honour the manifest's asking for it.
#include <algorithm>
#include <memory>

#include "platform/application.h"
#include "platform/win32/utf16_win32.h"
#include "platform/win32/windows_api.h"

namespace {

struct LocalMemoryFreer {
  void operator()(wchar_t** memory) const { LocalFree(memory); }
};

} // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  const std::unique_ptr<wchar_t*, LocalMemoryFreer> wide(
      CommandLineToArgvW(GetCommandLineW(), &count));
  if (!wide)
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i)
    arguments.push_back(platform::win32::Utf8FromWide(wide.get()[i]));
  return arguments;
}

// The test binary's entry: the tests' environment, and one Qt application for the whole run, so
// widget tests can create windows (offscreen) and the general error box is reachable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/application.h"

// The desktop bus library keeps buffers to the end of a process: not ours to report.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}

namespace {

void SetDefault(const char* name, const char* value) {
  ::setenv(name, value, 0);
}

} // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  SetDefault("QT_QPA_PLATFORM", "offscreen");
  SetDefault("SDL_AUDIODRIVER", "dummy");
  SetDefault("QUILLMOR_SKELETON", "");
  // Programs the tests start inherit the same suppressions.
  SetDefault("LSAN_OPTIONS", "suppressions=" QUILLMOR_LSAN_SUPPRESSIONS ":print_suppressions=0");
  QuillmorQtApplication app(argv[0]);
  const int result = RUN_ALL_TESTS();
  Application().DestroyForms();
  return result;
}

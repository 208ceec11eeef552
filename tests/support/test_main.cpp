// The test binary's entry: the tests' environment, and one application for the whole run, so
// widget tests can create windows (offscreen) and the general error box is reachable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/application.h"

// The leak checker reads its suppressions before main: lsan.supp, the one list for this binary and
// the programs it starts.
extern "C" const char* __lsan_default_options() {
  return "suppressions=" QUILLMOR_LSAN_SUPPRESSIONS ":print_suppressions=0";
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
  Application().Initialize(argv[0]);
  const int result = RUN_ALL_TESTS();
  Application().Finalize();
  return result;
}

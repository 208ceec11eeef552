// The test binary's entry: one Qt application for the whole run, so widget tests can create
// windows (offscreen) and the general error box is reachable.
#include <gtest/gtest.h>

#include "platform/application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Test discovery runs the binary without the tests' environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QuillmorQtApplication app(argc, argv);
  const int result = RUN_ALL_TESTS();
  Application().DestroyForms();
  return result;
}

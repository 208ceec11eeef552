// The Windows tests' entry: one application for the whole run, so window tests can create windows
// and the general error box is reachable.
#include <gtest/gtest.h>

#include <string>

#include "platform/application.h"

int main(int argc, char** argv) {
  // Cases of the shared tests that rest on the Linux stand-ins: their drive folders, and the
  // Windows folder spelt C:\WINDOWS (Windows spells its own as it likes, Wine C:\windows).
  ::testing::GTEST_FLAG(filter) =
      "-Catalogue.ALongShareIsCheckedAndReportedByItsCutPaths"
      ":SoundSlots.TheDialogShowsALineBreakRefusalInTheErrorBoxAndStaysAsItWas";
  ::testing::InitGoogleTest(&argc, argv);
  Application().Initialize(argv[0]);
  const int result = RUN_ALL_TESTS();
  Application().Finalize();
  return result;
}

#include "platform/identity.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/temp_root.h"

TEST(WindowIdentity, TheProbeFindsAWindowOnlyWhileItExistsAndWritesNothing) {
  TempRoot root;
  EXPECT_FALSE(FindWindow("TForm1", "quilldorn"));
  EXPECT_TRUE(std::filesystem::is_empty(root.Path()));
  std::optional<WindowIdentity> window;
  window.emplace("TForm1", "quilldorn");
  EXPECT_TRUE(FindWindow("TForm1", "quilldorn"));
  EXPECT_FALSE(FindWindow("TForm1", "quilldorm"));
  window.reset();
  EXPECT_FALSE(FindWindow("TForm1", "quilldorn"));
}

// The real binary: which command lines start which mode, and the single-instance probe.
#include <gtest/gtest.h>

#include "support/jpeg_writer.h"
#include "support/process.h"
#include "support/temp_root.h"

using namespace std::chrono_literals;

namespace {

std::map<std::string, std::string> OnDisplay(const XvfbServer& x) {
  return {{"DISPLAY", x.Display()}, {"QT_QPA_PLATFORM", "xcb"}};
}

std::vector<std::string> Quillmor(std::initializer_list<std::string> arguments) {
  std::vector<std::string> argv{QuillmorBinary().string()};
  argv.insert(argv.end(), arguments);
  return argv;
}

// The dialog's background photograph: without it the dialog first shows an error box.
void InstallBackground(const TempRoot& root) {
  WriteSolidJpeg(root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg", 64, 48, Qt::darkGreen);
}

std::string OptionLines(const std::string& settings) {
  const size_t end = settings.find("[WavConfig]");
  return end == std::string::npos ? settings : settings.substr(0, end);
}

} // namespace

TEST(Entry, OtherCommandLinesEndAtOnceWithoutASettingsFile) {
  TempRoot root;
  const std::vector<std::vector<std::string>> commandLines = {
      Quillmor({}),      Quillmor({"/p", "1234"}), Quillmor({"/a"}),
      Quillmor({"/S "}), Quillmor({"/s:1"}),       Quillmor({"/P"})};
  for (const auto& argv : commandLines) {
    // No display at all: these must not even try to open one.
    ChildProcess child(argv, {{"DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    EXPECT_EQ(child.WaitExit(5s), 0) << argv.back();
  }
  // No drive seeded, no settings file, no window registry: the disk as it was.
  EXPECT_TRUE(std::filesystem::is_empty(root.Path()));
}

TEST(Entry, WithoutADisplayBothModesEndWithOneLineAndWriteNothing) {
  TempRoot root;
  const std::filesystem::path errors =
      root.Path().parent_path() / (root.Path().filename().string() + ".err");
  for (const char* mode : {"/s", "/c"}) {
    ChildProcess child({"sh", "-c", "exec \"$0\" \"$1\" 2>\"$2\"", QuillmorBinary().string(), mode,
                        errors.string()},
                       {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    EXPECT_EQ(child.WaitExit(10s), 1) << mode;
    EXPECT_EQ(ReadWholeFile(errors), "quillmor: cannot open the display\n") << mode;
  }
  std::filesystem::remove(errors);
  EXPECT_TRUE(std::filesystem::is_empty(root.Path()));
}

TEST(Entry, FurtherArgumentsNeverReachTheToolkit) {
  TempRoot root;
  InstallBackground(root);
  XvfbServer x(800, 600);
  // Each of these would make Qt give up if it saw them.
  for (const char* argument : {"-platform", "-display"}) {
    ChildProcess display(Quillmor({"/s", argument, "nowhere:99"}), OnDisplay(x));
    ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("quilldorn"); }, 10s)) << argument;
    ASSERT_TRUE(x.XdoTool({"key", "space"}));
    EXPECT_EQ(display.WaitExit(5s), 0) << argument;
  }
  ChildProcess dialog(Quillmor({"/c", "-platform", "nowhere"}), OnDisplay(x));
  EXPECT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("Quillmor Screensaver Settings"); }, 10s));
}

TEST(Entry, DisplayCreatesTheSettingsFileInItsKeyOrderAndEndsOnAKey) {
  TempRoot root;
  XvfbServer x(800, 600);
  ChildProcess display(Quillmor({"/s"}), OnDisplay(x));
  ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("quilldorn"); }, 10s));
  EXPECT_EQ(OptionLines(ReadWholeFile(root.SettingsFile())),
            "[Options]\r\nSound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n");
  ASSERT_TRUE(x.XdoTool({"key", "space"}));
  EXPECT_EQ(display.WaitExit(5s), 0);
}

TEST(Entry, SettingsDialogCreatesTheSettingsFileInItsKeyOrder) {
  TempRoot root;
  InstallBackground(root);
  XvfbServer x(800, 600);
  ChildProcess dialog(Quillmor({"/c:1234"}), OnDisplay(x));
  ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("Quillmor Screensaver Settings"); }, 10s));
  EXPECT_EQ(OptionLines(ReadWholeFile(root.SettingsFile())),
            "[Options]\r\nSound=0\r\nTime=1\r\nColor=2\r\nPicdis=3\r\n");
}

TEST(Entry, NothingStartsWhileADisplayRuns) {
  TempRoot root;
  XvfbServer x(800, 600);
  ChildProcess display(Quillmor({"/s"}), OnDisplay(x));
  ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("quilldorn"); }, 10s));
  for (const char* mode : {"/s", "/c"}) {
    ChildProcess second(Quillmor({mode}), OnDisplay(x));
    EXPECT_EQ(second.WaitExit(5s), 0) << mode;
  }
  EXPECT_FALSE(x.HasVisibleWindow("Quillmor Screensaver Settings"));
  EXPECT_TRUE(display.Running());
}

TEST(Entry, AKilledDisplayDoesNotBlockTheNextStart) {
  TempRoot root;
  InstallBackground(root);
  XvfbServer x(800, 600);
  {
    ChildProcess display(Quillmor({"/s"}), OnDisplay(x));
    ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("quilldorn"); }, 10s));
  }
  ChildProcess dialog(Quillmor({"/c"}), OnDisplay(x));
  EXPECT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("Quillmor Screensaver Settings"); }, 10s));
}

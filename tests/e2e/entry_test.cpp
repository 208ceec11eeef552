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
  EXPECT_FALSE(std::filesystem::exists(root.SettingsFile()));
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

// The general error box over the real display under Xvfb, answered with the mouse.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/process.h"
#include "support/temp_root.h"
#include "usave1.h"

using namespace std::chrono_literals;

namespace {

constexpr char kBoxCaption[] = "Quillmor Screensaver";

// The outer geometry of the visible window with this name, as xdotool reports it.
std::map<std::string, int> WindowGeometry(const XvfbServer& x, const TempRoot& root,
                                          const std::string& name) {
  const std::filesystem::path file = root.Path() / "geometry.txt";
  RunCommand({"sh", "-c",
              "xdotool search --onlyvisible --name \"^$0$\" getwindowgeometry --shell >\"$1\"",
              name, file.string()},
             {{"DISPLAY", x.Display()}});
  std::map<std::string, int> values;
  std::istringstream lines(ReadWholeFile(file));
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos)
      values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
  }
  return values;
}

} // namespace

TEST(GeneralErrorBox, ClickingOkLeavesTheDisplayRunningAndTheNextTickComes) {
  TempRoot root;
  // Empty pictures fail when they are first painted: every tick brings the general error box.
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteWholeFile(root.DriveC() / "Tavrin" / "Quillmor" / name, "");
  }
  WriteWholeFile(root.SettingsFile(), "[Options]\r\nSound=0\r\nPicdis=3\r\nTime=1\r\n");
  XvfbServer x(800, 600);
  ChildProcess display({QuillmorBinary().string(), "/s"},
                       {{"DISPLAY", x.Display()}, {"QT_QPA_PLATFORM", "xcb"}});
  ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow(kBoxCaption); }, 10s));

  // The box's one button sits in its bottom-right corner.
  auto box = WindowGeometry(x, root, kBoxCaption);
  ASSERT_GT(box["WIDTH"], 60);
  ASSERT_TRUE(x.XdoTool({"mousemove", std::to_string(box["X"] + box["WIDTH"] - 50),
                         std::to_string(box["Y"] + box["HEIGHT"] - 22), "click", "1"}));
  ASSERT_TRUE(WaitUntil([&] { return !x.HasVisibleWindow(kBoxCaption); }, 5s));
  EXPECT_TRUE(display.Running());
  EXPECT_TRUE(x.HasVisibleWindow("quilldorn"));

  // The slideshow goes on: the next tick, one interval (15 seconds) on, paints and fails again.
  EXPECT_TRUE(WaitUntil([&] { return x.HasVisibleWindow(kBoxCaption); }, 20s, 200ms));
  EXPECT_TRUE(display.Running());
}

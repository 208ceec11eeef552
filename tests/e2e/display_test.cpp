// The real display under Xvfb: what each layout puts on the screen, and how input ends it.
#include <gtest/gtest.h>

#include "support/jpeg_writer.h"
#include "support/process.h"
#include "support/temp_root.h"
#include "usave1.h"

using namespace std::chrono_literals;

namespace {

QColor CatalogueColour(int k) {
  return QColor::fromHsv((k * 37) % 360, 255, 230);
}

bool Near(QColor a, QColor b, int tolerance = 24) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

bool IsCatalogueColour(QColor colour) {
  for (int k = 1; k <= kCatalogueSize; ++k) {
    if (Near(colour, CatalogueColour(k)))
      return true;
  }
  return false;
}

bool IsBlack(QColor colour) {
  return Near(colour, Qt::black, 8);
}

class DisplayE2E : public ::testing::Test {
protected:
  void Install(int pictureWidth, int pictureHeight, const std::string& options,
               std::initializer_list<int> missing = {}) {
    BuildPictureCatalogue("C:\\WINDOWS");
    for (int k = 1; k <= kCatalogueSize; ++k) {
      if (std::find(missing.begin(), missing.end(), k) != missing.end())
        continue;
      const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
      WriteSolidJpeg(root_.DriveC() / "Tavrin" / "Quillmor" / name, pictureWidth, pictureHeight,
                     CatalogueColour(k));
    }
    WriteWholeFile(root_.SettingsFile(), "[Options]\r\nSound=0\r\n" + options);
  }

  void Start(int width, int height, std::map<std::string, std::string> extra = {}) {
    x_ = std::make_unique<XvfbServer>(width, height);
    StartDisplay(std::move(extra));
  }

  void StartDisplay(std::map<std::string, std::string> extra = {}) {
    extra["DISPLAY"] = x_->Display();
    extra["QT_QPA_PLATFORM"] = "xcb";
    display_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{QuillmorBinary().string(), "/s"}, extra);
    ASSERT_TRUE(WaitUntil([&] { return x_->HasVisibleWindow("quilldorn"); }, 10s));
  }

  // Waits for a screenshot that satisfies the condition and returns it (null when none came).
  QImage WaitForScreen(const std::function<bool(const QImage&)>& condition,
                       std::chrono::milliseconds timeout) {
    QImage shot;
    WaitUntil(
        [&] {
          shot = x_->Screenshot();
          return !shot.isNull() && condition(shot);
        },
        timeout, 200ms);
    return !shot.isNull() && condition(shot) ? shot : QImage();
  }

  // Makes a part of the server's screen a monitor of its own, as RandR reports monitors to the
  // program; the primary one takes the server's output and must come first.
  void SetMonitor(const std::string& name, QRect bounds, bool primary = false) {
    const std::string geometry =
        std::to_string(bounds.width()) + "/" + std::to_string(bounds.width() / 4) + "x" +
        std::to_string(bounds.height()) + "/" + std::to_string(bounds.height() / 4) + "+" +
        std::to_string(bounds.x()) + "+" + std::to_string(bounds.y());
    ASSERT_EQ(RunCommand({"xrandr", "--display", x_->Display(), "--setmonitor", name, geometry,
                          primary ? "screen" : "none"}),
              0);
  }
  void RemoveMonitor(const std::string& name) {
    ASSERT_EQ(RunCommand({"xrandr", "--display", x_->Display(), "--delmonitor", name}), 0);
  }

  TempRoot root_;
  std::unique_ptr<XvfbServer> x_;
  std::unique_ptr<ChildProcess> display_;
};

QColor At(const QImage& shot, int x, int y) {
  return shot.pixelColor(x, y);
}

} // namespace

TEST_F(DisplayE2E, FullScreenCoversEveryPixelWithOnePicture) {
  for (const auto& [w, h] : {std::pair{800, 600}, {1024, 768}}) {
    Install(320, 200, "Picdis=3\r\nTime=1\r\n");
    Start(w, h);
    const QImage shot =
        WaitForScreen([&](const QImage& s) { return IsCatalogueColour(At(s, w / 2, h / 2)); }, 10s);
    ASSERT_FALSE(shot.isNull()) << w;
    const QColor colour = At(shot, 0, 0);
    EXPECT_TRUE(IsCatalogueColour(colour));
    for (int y = 0; y < h; y += h / 8)
      for (int x = 0; x < w; x += w / 8)
        EXPECT_TRUE(Near(At(shot, x, y), colour, 6)) << x << "," << y;
    EXPECT_TRUE(Near(At(shot, w - 1, h - 1), colour, 6));
    display_.reset();
  }
}

TEST_F(DisplayE2E, DefaultSizeCentresAPictureOfKnownSize) {
  for (const auto& [w, h] : {std::pair{800, 600}, {1024, 768}}) {
    Install(320, 240, "Picdis=2\r\nTime=1\r\n");
    Start(w, h);
    const int left = (w - 320) / 2, top = (h - 240) / 2;
    const QImage shot =
        WaitForScreen([&](const QImage& s) { return IsCatalogueColour(At(s, w / 2, h / 2)); }, 10s);
    ASSERT_FALSE(shot.isNull()) << w;
    EXPECT_TRUE(IsCatalogueColour(At(shot, left, top)));
    EXPECT_TRUE(IsCatalogueColour(At(shot, left + 319, top + 239)));
    EXPECT_TRUE(IsBlack(At(shot, left - 1, top)));
    EXPECT_TRUE(IsBlack(At(shot, left + 320, top + 239)));
    EXPECT_TRUE(IsBlack(At(shot, left, top + 240)));
    EXPECT_TRUE(IsBlack(At(shot, 0, 0)));
    display_.reset();
  }
}

TEST_F(DisplayE2E, TiledFirstTickFillsTheTopLeftTileOnly) {
  for (const auto& [w, h] : {std::pair{800, 600}, {1024, 768}}) {
    Install(200, 150, "Picdis=1\r\nTime=1\r\n");
    Start(w, h);
    const int hw = w / 2, hh = h / 2;
    const QImage shot = WaitForScreen(
        [&](const QImage& s) { return IsCatalogueColour(At(s, hw / 2, hh / 2)); }, 10s);
    ASSERT_FALSE(shot.isNull()) << w;
    EXPECT_TRUE(IsCatalogueColour(At(shot, 0, 0)));
    EXPECT_TRUE(IsCatalogueColour(At(shot, hw - 1, hh - 1)));
    EXPECT_TRUE(IsBlack(At(shot, hw, hh / 2)));
    EXPECT_TRUE(IsBlack(At(shot, hw / 2, hh)));
    EXPECT_TRUE(IsBlack(At(shot, hw + hw / 2, hh / 2)));
    EXPECT_TRUE(IsBlack(At(shot, hw / 2, hh + hh / 2)));
    display_.reset();
  }
}

TEST_F(DisplayE2E, AScaledScreenKeepsTheLayoutInDevicePixels) {
  Install(200, 150, "Picdis=1\r\nTime=1\r\n");
  Start(800, 600, {{"QT_SCALE_FACTOR", "2"}, {"QT_ENABLE_HIGHDPI_SCALING", "1"}});
  const QImage shot =
      WaitForScreen([&](const QImage& s) { return IsCatalogueColour(At(s, 200, 150)); }, 10s);
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(IsCatalogueColour(At(shot, 0, 0)));
  EXPECT_TRUE(IsCatalogueColour(At(shot, 399, 299)));
  EXPECT_TRUE(IsBlack(At(shot, 400, 150)));
  EXPECT_TRUE(IsBlack(At(shot, 200, 300)));
}

// The intervals are the program's own, so this takes about a minute.
TEST_F(DisplayE2E, TiledRunThroughFiveTicksKeepsTheBlackCross) {
  Install(200, 150, "Picdis=1\r\nTime=1\r\n");
  Start(800, 600);
  const QPoint centres[] = {{200, 150}, {200, 450}, {600, 150}, {600, 450}};
  for (int tile = 0; tile < 4; ++tile) {
    const QImage shot = WaitForScreen(
        [&](const QImage& s) {
          return IsCatalogueColour(At(s, centres[tile].x(), centres[tile].y()));
        },
        25s);
    ASSERT_FALSE(shot.isNull()) << "tile " << tile + 1;
    for (int later = tile + 1; later < 4; ++later)
      EXPECT_TRUE(IsBlack(At(shot, centres[later].x(), centres[later].y()))) << tile << later;
  }
  const QImage full = x_->Screenshot();
  for (int y = 0; y < 600; y += 37)
    EXPECT_TRUE(IsBlack(At(full, 400, y))) << y;
  for (int x = 0; x < 800; x += 37)
    EXPECT_TRUE(IsBlack(At(full, x, 300))) << x;
  EXPECT_TRUE(IsCatalogueColour(At(full, 401, 301)));
  EXPECT_TRUE(IsCatalogueColour(At(full, 799, 599)));
  EXPECT_TRUE(IsCatalogueColour(At(full, 399, 299)));
  // The fifth tick replaces the top-left tile; the same picture may come again (1 in 38).
  const QColor before = At(full, 200, 150);
  WaitForScreen([&](const QImage& s) { return !Near(At(s, 200, 150), before, 6); }, 20s);
  const QImage after = x_->Screenshot();
  EXPECT_TRUE(IsCatalogueColour(At(after, 200, 150)));
  EXPECT_TRUE(IsBlack(At(after, 400, 150)));
  EXPECT_TRUE(display_->Running());
}

TEST_F(DisplayE2E, AMissingPictureLeavesAWhiteScreenWithTheMessage) {
  Install(200, 150, "Picdis=3\r\nTime=1\r\n", {6});
  Start(800, 600);
  // The screen turns white with the message at (60, 223); no picture follows, not even after
  // the time of the first tick.
  const auto whiteOutsideMessage = [](const QImage& s) {
    return Near(At(s, 5, 5), Qt::white, 4) && Near(At(s, 400, 500), Qt::white, 4) &&
           Near(At(s, 799, 599), Qt::white, 4) && Near(At(s, 700, 100), Qt::white, 4);
  };
  ASSERT_FALSE(WaitForScreen(whiteOutsideMessage, 10s).isNull());
  EXPECT_TRUE(
      WaitForScreen([&](const QImage& s) { return !whiteOutsideMessage(s); }, 2500ms).isNull());
  const QImage shot = x_->Screenshot();
  ASSERT_FALSE(shot.isNull());
  int dark = 0;
  for (int y = 223; y < 329; ++y)
    for (int x = 60; x < 529; ++x)
      dark += At(shot, x, y).lightness() < 100;
  EXPECT_GT(dark, 200);
}

TEST_F(DisplayE2E, AKeyEndsTheDisplayPromptly) {
  Install(64, 48, "Picdis=1\r\nTime=1\r\n");
  for (const char* key : {"Escape", "shift", "a"}) {
    Start(800, 600);
    ASSERT_TRUE(x_->XdoTool({"key", key}));
    EXPECT_EQ(display_->WaitExit(1500ms), 0) << key;
  }
}

TEST_F(DisplayE2E, MovingOrTurningTheWheelDoesNotEndItButAButtonDoes) {
  Install(64, 48, "Picdis=1\r\nTime=1\r\n");
  Start(800, 600);
  ASSERT_TRUE(x_->XdoTool({"mousemove", "100", "100"}));
  ASSERT_TRUE(x_->XdoTool({"mousemove", "300", "200"}));
  ASSERT_TRUE(x_->XdoTool({"click", "4"}));
  ASSERT_TRUE(x_->XdoTool({"click", "5"}));
  EXPECT_FALSE(display_->WaitExit(1s).has_value());
  ASSERT_TRUE(x_->XdoTool({"mousedown", "1"}));
  EXPECT_EQ(display_->WaitExit(1500ms), 0);
  x_->XdoTool({"mouseup", "1"});
}

TEST_F(DisplayE2E, ASecondDisplayEndsAtOnce) {
  Install(64, 48, "Picdis=1\r\nTime=1\r\n");
  Start(800, 600);
  ChildProcess second({QuillmorBinary().string(), "/s"},
                      {{"DISPLAY", x_->Display()}, {"QT_QPA_PLATFORM", "xcb"}});
  EXPECT_EQ(second.WaitExit(3s), 0);
  EXPECT_TRUE(display_->Running());
}

// Two monitors side by side, the primary on the right; the desktop behind them is white.
class MonitorsE2E : public DisplayE2E {
protected:
  static constexpr QRect kLeft{0, 0, 640, 480};
  static constexpr QRect kPrimary{640, 0, 800, 600};
  static constexpr QRect kAdded{1440, 0, 640, 480};

  void StartOnTwoMonitors(const std::string& options) {
    Install(64, 48, options);
    x_ = std::make_unique<XvfbServer>(2080, 600);
    SetMonitor("primary", kPrimary, true);
    SetMonitor("left", kLeft);
    ASSERT_EQ(RunCommand({"xsetroot", "-display", x_->Display(), "-solid", "white"}), 0);
    StartDisplay();
  }

  static bool IsWhite(QColor colour) { return Near(colour, Qt::white, 8); }
  static bool AllBlack(const QImage& shot, QRect area) {
    for (int y = area.top(); y <= area.bottom(); y += area.height() / 6)
      for (int x = area.left(); x <= area.right(); x += area.width() / 6)
        if (!IsBlack(At(shot, x, y)))
          return false;
    return IsBlack(At(shot, area.right(), area.bottom()));
  }
  static bool AllWhite(const QImage& shot, QRect area) {
    return IsWhite(At(shot, area.left(), area.top())) &&
           IsWhite(At(shot, area.center().x(), area.center().y())) &&
           IsWhite(At(shot, area.right(), area.bottom()));
  }
};

TEST_F(MonitorsE2E, TheSlideshowKeepsThePrimaryMonitorAndTheOthersTurnBlack) {
  StartOnTwoMonitors("Picdis=3\r\nTime=1\r\n");
  const QImage shot = WaitForScreen(
      [](const QImage& s) { return IsCatalogueColour(At(s, kPrimary.center().x(), 300)); }, 10s);
  ASSERT_FALSE(shot.isNull());
  // The full-screen picture covers exactly the primary monitor, W x H from its top-left corner.
  const QColor picture = At(shot, kPrimary.left(), 0);
  EXPECT_TRUE(IsCatalogueColour(picture));
  EXPECT_TRUE(Near(At(shot, kPrimary.right(), kPrimary.bottom()), picture, 6));
  EXPECT_TRUE(AllBlack(shot, kLeft));
  // Below the left monitor and right of the primary no monitor shows anything to cover.
  EXPECT_TRUE(IsWhite(At(shot, 100, 550)));
  EXPECT_TRUE(AllWhite(shot, kAdded));

  // A monitor plugged in while the slideshow runs is covered too; one unplugged is given back.
  SetMonitor("added", kAdded);
  EXPECT_FALSE(WaitForScreen([](const QImage& s) { return AllBlack(s, kAdded); }, 5s).isNull());
  RemoveMonitor("left");
  const QImage after = WaitForScreen([](const QImage& s) { return AllWhite(s, kLeft); }, 5s);
  ASSERT_FALSE(after.isNull());
  EXPECT_TRUE(AllBlack(after, kAdded));
  EXPECT_TRUE(Near(At(after, kPrimary.left(), 0), At(after, kPrimary.right(), 599), 6));

  // The primary monitor goes and comes back last in the list: the first monitor, the added
  // one, is primary now. The slideshow moves there at its size and the former primary is covered.
  RemoveMonitor("primary");
  SetMonitor("former", kPrimary, true);
  const QImage moved = WaitForScreen(
      [](const QImage& s) {
        return AllBlack(s, kPrimary) && IsCatalogueColour(At(s, kAdded.left(), 0));
      },
      5s);
  ASSERT_FALSE(moved.isNull());
  EXPECT_TRUE(Near(At(moved, kAdded.right(), kAdded.bottom()), At(moved, kAdded.left(), 0), 6));
  EXPECT_TRUE(IsWhite(At(moved, kAdded.left(), kAdded.bottom() + 1)));
  EXPECT_TRUE(display_->Running());
}

TEST_F(MonitorsE2E, AKeyOrAButtonOnAnotherMonitorEndsTheDisplay) {
  // A button press on the black monitor ends the display like one on the slideshow.
  for (const char* button : {"1", "3", "2"}) {
    StartOnTwoMonitors("Picdis=1\r\nTime=1\r\n");
    ASSERT_FALSE(WaitForScreen([](const QImage& s) { return AllBlack(s, kLeft); }, 10s).isNull());
    ASSERT_TRUE(x_->XdoTool({"mousemove", "320", "240", "click", button}));
    EXPECT_EQ(display_->WaitExit(1500ms), 0) << button;
  }
  // So does a key while the black monitor has the keyboard.
  StartOnTwoMonitors("Picdis=1\r\nTime=1\r\n");
  ASSERT_FALSE(WaitForScreen([](const QImage& s) { return AllBlack(s, kLeft); }, 10s).isNull());
  ASSERT_TRUE(x_->XdoTool({"mousemove", "320", "240"}));
  ASSERT_EQ(RunCommand({"sh", "-c",
                        "eval \"$(xdotool getmouselocation --shell)\" && "
                        "xdotool windowfocus --sync \"$WINDOW\""},
                       {{"DISPLAY", x_->Display()}}),
            0);
  ASSERT_TRUE(display_->Running());
  ASSERT_TRUE(x_->XdoTool({"key", "a"}));
  EXPECT_EQ(display_->WaitExit(1500ms), 0);
}

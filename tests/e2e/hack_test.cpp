// quillmor-hack under Xvfb: the slideshow inside a window that the test owns, as a screen-saver
// daemon would hand it over.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include "support/jpeg_writer.h"
#include "support/process.h"
#include "support/temp_root.h"
#include "usave1.h"

using namespace std::chrono_literals;

namespace {

// A plain X window with a white background, made and owned by the test.
class ForeignWindow {
public:
  ForeignWindow(const std::string& display, QRect geometry) : geometry_(geometry) {
    connection_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection_))
      throw std::runtime_error("no X connection");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    id_ = xcb_generate_id(connection_);
    const std::uint32_t background[] = {screen->white_pixel};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id_, screen->root,
                      std::int16_t(geometry.x()), std::int16_t(geometry.y()),
                      std::uint16_t(geometry.width()), std::uint16_t(geometry.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      background);
    xcb_map_window(connection_, id_);
    xcb_flush(connection_);
  }
  ~ForeignWindow() { xcb_disconnect(connection_); }
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;

  std::string Id() const { return std::to_string(id_); }
  std::string HexId() const {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id_);
    return text;
  }
  QRect Geometry() const { return geometry_; }

  void Resize(int width, int height) {
    const std::uint32_t size[] = {std::uint32_t(width), std::uint32_t(height)};
    xcb_configure_window(connection_, id_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    xcb_flush(connection_);
    geometry_.setSize(QSize(width, height));
  }
  void Destroy() {
    xcb_destroy_window(connection_, id_);
    xcb_flush(connection_);
  }

private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t id_ = 0;
  QRect geometry_;
};

QColor CatalogueColour(int k) {
  return QColor::fromHsv((k * 41) % 360, 255, 220);
}

bool Near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

bool IsPicture(QColor colour) {
  for (int k = 1; k <= kCatalogueSize; ++k)
    if (Near(colour, CatalogueColour(k), 24))
      return true;
  return false;
}

bool IsBlack(QColor colour) {
  return Near(colour, Qt::black, 8);
}

class HackE2E : public ::testing::Test {
protected:
  void Install(int width, int height, const std::string& layout) {
    BuildPictureCatalogue("C:\\WINDOWS");
    for (int k = 1; k <= kCatalogueSize; ++k) {
      const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
      WriteSolidJpeg(root_.DriveC() / "Tavrin" / "Quillmor" / name, width, height,
                     CatalogueColour(k));
    }
    WriteWholeFile(root_.SettingsFile(),
                   "[Options]\r\nSound=0\r\nTime=1\r\nPicdis=" + layout + "\r\n");
  }

  std::unique_ptr<ChildProcess> StartHack(std::vector<std::string> arguments,
                                          std::map<std::string, std::string> extra = {}) {
    arguments.insert(arguments.begin(), QUILLMOR_HACK_PATH);
    extra.emplace("DISPLAY", x_.Display());
    extra.emplace("XSCREENSAVER_WINDOW", "");
    return std::make_unique<ChildProcess>(arguments, extra);
  }

  QImage WaitForScreen(const std::function<bool(const QImage&)>& condition,
                       std::chrono::milliseconds timeout) {
    QImage shot;
    WaitUntil(
        [&] {
          shot = x_.Screenshot();
          return !shot.isNull() && condition(shot);
        },
        timeout, 200ms);
    return !shot.isNull() && condition(shot) ? shot : QImage();
  }

  // The window's own content, as "import -window" takes it.
  QImage WindowShot(const ForeignWindow& window) {
    const std::filesystem::path file = root_.Path() / "window.png";
    QImage image;
    if (RunCommand({"import", "-display", x_.Display(), "-window", window.Id(), file.string()}) ==
        0)
      image.load(QString::fromStdString(file.string()), "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
  }

  TempRoot root_;
  XvfbServer x_{800, 600};
};

} // namespace

TEST_F(HackE2E, DrawsIntoAForeignWindowLaidOutForThatWindowsSize) {
  // A picture at its own size is centred in the window, not on the screen.
  Install(200, 150, "2");
  ForeignWindow window(x_.Display(), QRect(50, 60, 400, 300));
  auto hack = StartHack({"--window-id", window.Id()});
  const QPoint centre = window.Geometry().center();
  const QImage shot =
      WaitForScreen([&](const QImage& s) { return IsPicture(s.pixelColor(centre)); }, 10s);
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(IsPicture(shot.pixelColor(50 + 100, 60 + 75)));
  EXPECT_TRUE(IsPicture(shot.pixelColor(50 + 299, 60 + 224)));
  // The rest of the window is the display's black, not the window's white.
  EXPECT_TRUE(IsBlack(shot.pixelColor(50 + 99, 60 + 75)));
  EXPECT_TRUE(IsBlack(shot.pixelColor(50 + 5, 60 + 5)));
  EXPECT_TRUE(IsBlack(shot.pixelColor(50 + 395, 60 + 295)));
  // Where the picture would sit if it were laid out for the screen, nothing is drawn.
  EXPECT_TRUE(IsBlack(shot.pixelColor(480, 370)));

  const QImage own = WindowShot(window);
  ASSERT_EQ(own.size(), QSize(400, 300));
  EXPECT_TRUE(IsPicture(own.pixelColor(200, 150)));
  EXPECT_TRUE(IsBlack(own.pixelColor(5, 5)));
  EXPECT_TRUE(hack->Running());
}

TEST_F(HackE2E, TakesTheDaemonsWindowFollowsItsSizeAndEndsWhenItGoes) {
  Install(64, 48, "3");
  ForeignWindow window(x_.Display(), QRect(20, 30, 300, 200));
  // The daemon passes --root and names its own window in the environment: that window wins.
  auto hack = StartHack({"-root"}, {{"XSCREENSAVER_WINDOW", window.HexId()}});
  const QImage first =
      WaitForScreen([](const QImage& s) { return IsPicture(s.pixelColor(319, 229)); }, 10s);
  ASSERT_FALSE(first.isNull());
  const QColor picture = first.pixelColor(20, 30);
  EXPECT_TRUE(IsPicture(picture));
  EXPECT_TRUE(IsBlack(first.pixelColor(400, 300))); // the root window is left alone

  // The same picture fills a larger window at once, long before the next one is due (15 s).
  window.Resize(500, 400);
  const QImage grown =
      WaitForScreen([&](const QImage& s) { return Near(s.pixelColor(519, 429), picture, 6); }, 3s);
  ASSERT_FALSE(grown.isNull());
  EXPECT_TRUE(Near(grown.pixelColor(20, 30), picture, 6));
  EXPECT_TRUE(Near(grown.pixelColor(270, 230), picture, 6));

  window.Destroy();
  EXPECT_EQ(hack->WaitExit(5s), 0);
}

TEST_F(HackE2E, TilesAndACentredPictureMoveToTheResizedWindowAtOnce) {
  // Tiled: the first picture is the top-left quarter of the window, whatever its size.
  Install(64, 48, "1");
  {
    ForeignWindow window(x_.Display(), QRect(0, 0, 300, 200));
    auto hack = StartHack({"--window-id", window.Id()});
    const QImage first =
        WaitForScreen([](const QImage& s) { return IsPicture(s.pixelColor(75, 50)); }, 10s);
    ASSERT_FALSE(first.isNull());
    const QColor picture = first.pixelColor(75, 50);
    EXPECT_TRUE(IsBlack(first.pixelColor(150, 50)));

    window.Resize(500, 400);
    const QImage shot = WaitForScreen(
        [&](const QImage& s) { return Near(s.pixelColor(249, 199), picture, 6); }, 3s);
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(IsBlack(shot.pixelColor(250, 100))); // the cross moved to the new middle
    EXPECT_TRUE(IsBlack(shot.pixelColor(125, 200)));
    EXPECT_TRUE(IsBlack(shot.pixelColor(375, 100))); // tiles not yet filled stay black
    EXPECT_TRUE(IsBlack(shot.pixelColor(375, 300)));

    window.Resize(200, 160);
    EXPECT_FALSE(WaitForScreen(
                     [&](const QImage& s) {
                       return Near(s.pixelColor(99, 79), picture, 6) &&
                              IsBlack(s.pixelColor(100, 40));
                     },
                     3s)
                     .isNull());
  }
  // Default size: the picture stays at its own size in the middle of the window.
  Install(64, 48, "2");
  ForeignWindow window(x_.Display(), QRect(0, 0, 300, 200));
  auto hack = StartHack({"--window-id", window.Id()});
  const QImage first =
      WaitForScreen([](const QImage& s) { return IsPicture(s.pixelColor(150, 100)); }, 10s);
  ASSERT_FALSE(first.isNull());
  const QColor picture = first.pixelColor(150, 100);
  window.Resize(500, 400);
  const QImage shot =
      WaitForScreen([&](const QImage& s) { return Near(s.pixelColor(250, 200), picture, 6); }, 3s);
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(Near(shot.pixelColor(218, 176), picture, 6));
  EXPECT_TRUE(Near(shot.pixelColor(281, 223), picture, 6));
  EXPECT_TRUE(IsBlack(shot.pixelColor(217, 176)));
  EXPECT_TRUE(IsBlack(shot.pixelColor(282, 223)));
  EXPECT_TRUE(IsBlack(shot.pixelColor(150, 100))); // where it was before
}

TEST_F(HackE2E, TheRootWindowIsTheWholeScreen) {
  Install(200, 150, "2");
  auto hack = StartHack({"--root"});
  const QImage shot =
      WaitForScreen([](const QImage& s) { return IsPicture(s.pixelColor(400, 300)); }, 10s);
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(IsPicture(shot.pixelColor(300, 225)));
  EXPECT_TRUE(IsPicture(shot.pixelColor(499, 374)));
  EXPECT_TRUE(IsBlack(shot.pixelColor(299, 225)));
}

TEST_F(HackE2E, ArgumentsItCannotUseEndItWithAReason) {
  Install(64, 48, "3");
  EXPECT_EQ(StartHack({"--help"})->WaitExit(5s), 0);
  EXPECT_EQ(StartHack({"--frobnicate"})->WaitExit(5s), 2);
  EXPECT_EQ(StartHack({})->WaitExit(5s), 2);
  EXPECT_EQ(StartHack({"--window-id", "12abc"})->WaitExit(5s), 2);
  EXPECT_EQ(StartHack({"--window-id", "0x3fffff0"})->WaitExit(10s), 1);
  EXPECT_EQ(StartHack({"--root"}, {{"DISPLAY", ":9999"}})->WaitExit(10s), 1);
}

TEST_F(HackE2E, TheSettingsDialogOpensBesideARunningHack) {
  // As in a screen-saver daemon's settings, whose preview pane runs the hack.
  Install(200, 150, "2");
  ForeignWindow window(x_.Display(), QRect(50, 60, 400, 300));
  auto hack = StartHack({"--window-id", window.Id()});
  ASSERT_FALSE(
      WaitForScreen([&](const QImage& s) { return IsPicture(s.pixelColor(250, 210)); }, 10s)
          .isNull());
  ChildProcess dialog({QuillmorBinary().string(), "/c"},
                      {{"DISPLAY", x_.Display()}, {"QT_QPA_PLATFORM", "xcb"}});
  EXPECT_TRUE(WaitUntil([&] { return x_.HasVisibleWindow("Quillmor Screensaver Settings"); }, 10s));
  EXPECT_TRUE(hack->Running());
}

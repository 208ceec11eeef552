// The settings dialog of the real binary on an X server: its face, and OK storing the options.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QMargins>
#include <QRect>

#include "support/process.h"
#include "support/temp_root.h"

using namespace std::chrono_literals;

namespace {

const char kCaption[] = "Quillmor Screensaver Settings";
const QColor kPhoto(0, 160, 0);

std::string Slots(const std::string& first, const std::string& second) {
  std::string text = "[WavConfig]\r\nName1=" + first + "\r\nName2=" + second + "\r\n";
  for (int n = 3; n <= 100; ++n)
    text += "Name" + std::to_string(n) + "=Null\r\n";
  return text;
}

std::string CommandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe)
    return {};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get()))
    output += buffer;
  return output;
}

// The first visible window of that exact name, as a window id.
std::string WindowId(const XvfbServer& x, const std::string& name) {
  const std::string output = CommandOutput("DISPLAY=" + x.Display() +
                                           " xdotool search --onlyvisible --name '^" + name + "$'");
  return output.substr(0, output.find('\n'));
}

// The client area's top-left corner on the screen; without a window manager there is no frame.
std::optional<QPoint> WindowPosition(const XvfbServer& x, const std::string& name = kCaption) {
  const std::string command = "DISPLAY=" + x.Display() + " xdotool search --onlyvisible --name '^" +
                              name + "$' getwindowgeometry";
  const std::string output = CommandOutput(command);
  const std::size_t at = output.find("Position: ");
  int left = 0, top = 0;
  if (at == std::string::npos ||
      std::sscanf(output.c_str() + at, "Position: %d,%d", &left, &top) != 2)
    return std::nullopt;
  return QPoint(left, top);
}

// A window's client area on the screen, and the frame the window manager put around it.
struct Placement {
  QRect client;
  QMargins frame;
  QRect Outer() const { return client.marginsAdded(frame); }
};

// A window's client area on the screen.
std::optional<QRect> ClientRect(const XvfbServer& x, const std::string& id) {
  const std::string info = CommandOutput("DISPLAY=" + x.Display() + " xwininfo -id " + id);
  const auto number = [&](const char* field) {
    const std::size_t at = info.find(field);
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + std::strlen(field));
  };
  const QRect client(number("Absolute upper-left X:"), number("Absolute upper-left Y:"),
                     number("Width:"), number("Height:"));
  if (client.width() <= 0)
    return std::nullopt;
  return client;
}

std::optional<Placement> PlacementOf(const XvfbServer& x, const std::string& name) {
  const std::string id = WindowId(x, name);
  if (id.empty())
    return std::nullopt;
  const std::optional<QRect> client = ClientRect(x, id);
  const std::string extents =
      CommandOutput("DISPLAY=" + x.Display() + " xprop -id " + id + " _NET_FRAME_EXTENTS");
  int left = 0, right = 0, top = 0, bottom = 0;
  const std::size_t equals = extents.find("= ");
  if (!client || equals == std::string::npos ||
      std::sscanf(extents.c_str() + equals, "= %d, %d, %d, %d", &left, &right, &top, &bottom) != 4)
    return std::nullopt;
  return Placement{*client, QMargins(left, top, right, bottom)};
}

// The settings dialog's placement once its frame is centred on the 800 x 600 screen (the last
// placement seen, and whether it got there, when it does not within the time).
std::pair<std::optional<Placement>, bool> WaitUntilCentred(const XvfbServer& x,
                                                           bool clientAtItsSize) {
  std::optional<Placement> placed;
  const bool centred = WaitUntil(
      [&] {
        placed = PlacementOf(x, kCaption);
        return placed && (!clientAtItsSize || placed->client.size() == QSize(552, 383)) &&
               placed->Outer().center() == QRect(0, 0, 800, 600).center();
      },
      10s);
  return {placed, centred};
}

std::string OuterText(const Placement& placed) {
  const QRect outer = placed.Outer();
  return "outer " + std::to_string(outer.x()) + "," + std::to_string(outer.y()) + " " +
         std::to_string(outer.width()) + "x" + std::to_string(outer.height());
}

// A window manager on the server while it lives: openbox, which frames every window it manages.
class WindowManager {
public:
  explicit WindowManager(const XvfbServer& x)
      : process_({"openbox", "--sm-disable"}, {{"DISPLAY", x.Display()}}, true) {
    const std::string command = "DISPLAY=" + x.Display() + " xprop -root _NET_SUPPORTING_WM_CHECK";
    running_ = WaitUntil(
        [&] { return CommandOutput(command).find("window id") != std::string::npos; }, 10s);
  }
  bool Running() const { return running_; }

private:
  ChildProcess process_;
  bool running_ = false;
};

int Lightness(QRgb pixel) {
  return (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3;
}

bool Near(QRgb pixel, QColor colour, int tolerance = 24) {
  return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
         std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
         std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// Whether any pixel of the area has the navy of the group labels' text.
bool HasNavyText(const QImage& shot, QRect area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = shot.pixel(x, y);
      if (qBlue(p) > 90 && qBlue(p) > qRed(p) + 60 && qBlue(p) > qGreen(p) + 60)
        return true;
    }
  return false;
}

// Color 7 and Picdis 0 read as 3: leaving stores what the buttons show, not what the file held.
const std::string kStoredOptions = "[Options]\r\nSound=1\r\nColor=7\r\nPicdis=0\r\nTime=2\r\n";
const std::string kOptionsAsShown = "[Options]\r\nSound=1\r\nColor=3\r\nPicdis=3\r\nTime=2\r\n";

// Two sound files, the options above and a 200 × 100 photograph behind the dialog.
bool PrepareSettingsAndPhoto(const TempRoot& root) {
  WriteWholeFile(root.SettingsFile(), kStoredOptions + Slots("C:\\a.wav", "C:\\b.mid"));
  QImage photo(200, 100, QImage::Format_RGB32);
  photo.fill(kPhoto);
  std::filesystem::create_directories(root.DriveC() / "Tavrin" / "Quillmor");
  return photo.save(
      QString::fromStdString((root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg").string()),
      "JPEG", 100);
}

// The first and last position along a line of the screen where the photograph shows.
std::pair<int, int> PhotoSpan(const QImage& shot, QPoint from, QPoint step, int length) {
  int first = -1, last = -1;
  for (int i = 0; i < length; ++i) {
    const QPoint at = from + i * step;
    if (Near(shot.pixel(at), kPhoto)) {
      if (first < 0)
        first = i;
      last = i;
    }
  }
  return {first, last};
}

void KeepScreenshot(const QImage& shot, const char* suffix) {
  if (const char* keep = std::getenv("QUILLMOR_KEEP_SCREENSHOT"))
    shot.save(QString::fromUtf8(keep) + suffix);
}

} // namespace

TEST(DialogOnScreen, ShowsItsLayoutAndOkStoresTheOptionsAndEnds) {
  TempRoot root;
  ASSERT_TRUE(PrepareSettingsAndPhoto(root));

  XvfbServer x(800, 600);
  ChildProcess dialog({QuillmorBinary().string(), "/c"},
                      {{"DISPLAY", x.Display()}, {"QT_QPA_PLATFORM", "xcb"}});
  ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow(kCaption); }, 10s));
  std::optional<QPoint> origin;
  QImage shot;
  // Wait for the first full paint: the photograph in the middle of the window.
  ASSERT_TRUE(WaitUntil(
      [&] {
        origin = WindowPosition(x);
        shot = x.Screenshot();
        return origin && !shot.isNull() && Near(shot.pixel(*origin + QPoint(250, 150)), kPhoto);
      },
      10s));
  KeepScreenshot(shot, "");
  const auto at = [&](int left, int top) { return shot.pixel(*origin + QPoint(left, top)); };

  // Centred on the 800 × 600 screen.
  EXPECT_EQ(*origin, QPoint((800 - 552) / 2, (600 - 383) / 2));
  // Silver where neither the photograph nor a control lies.
  EXPECT_TRUE(Near(at(5, 150), QColor(192, 192, 192), 2));
  EXPECT_TRUE(Near(at(545, 375), QColor(192, 192, 192), 2));
  // The photograph is centred in the window, under the controls.
  EXPECT_TRUE(Near(at(277, 142), kPhoto));
  EXPECT_TRUE(Near(at(300, 239), kPhoto));
  EXPECT_TRUE(Near(at(174, 150), QColor(192, 192, 192), 2));
  // Panel3 lies over the photograph: its face is silver, and its lowered bevel is dark at the
  // top and left, light at the bottom and right.
  EXPECT_TRUE(Near(at(314 + 60, 168 + 80), QColor(192, 192, 192), 2));
  for (QPoint dark :
       {QPoint(314, 168 + 40), QPoint(315, 168 + 40), QPoint(314 + 70, 168), QPoint(314 + 70, 169)})
    EXPECT_LT(Lightness(at(dark.x(), dark.y())), 192 - 20) << dark.x() << "," << dark.y();
  for (QPoint light : {QPoint(314 + 152, 168 + 40), QPoint(314 + 151, 168 + 40),
                       QPoint(314 + 70, 168 + 88), QPoint(314 + 70, 168 + 87)})
    EXPECT_GT(Lightness(at(light.x(), light.y())), 192 + 20) << light.x() << "," << light.y();
  // The list box: white below its two entries.
  EXPECT_TRUE(Near(at(10 + 150, 32 + 80), Qt::white, 2));
  // OK: a button face, lighter than its border.
  EXPECT_GT(Lightness(at(464 + 10, 361 + 8)), Lightness(at(464, 361 + 8)));
  EXPECT_FALSE(Near(at(464 + 37, 361 + 8), kPhoto));
  // The group labels in navy.
  EXPECT_TRUE(HasNavyText(shot, QRect(*origin + QPoint(10 + 3, 168 + 4), QSize(142, 17))));
  EXPECT_TRUE(HasNavyText(shot, QRect(*origin + QPoint(314 + 7, 168 + 4), QSize(90, 17))));

  ASSERT_TRUE(x.XdoTool({"mousemove", std::to_string(origin->x() + 464 + 37),
                         std::to_string(origin->y() + 361 + 8), "click", "1"}));
  EXPECT_EQ(dialog.WaitExit(10s), 0);
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), kOptionsAsShown + Slots("C:\\a.wav", "C:\\b.mid"));
}

// The settings dialog started under openbox on an 800 x 600 screen.
class DialogUnderAWindowManager : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(PrepareSettingsAndPhoto(root));
    ASSERT_TRUE(openbox.Running());
    dialog = std::make_unique<ChildProcess>(
        std::vector<std::string>{QuillmorBinary().string(), "/c"},
        std::map<std::string, std::string>{{"DISPLAY", x.Display()}, {"QT_QPA_PLATFORM", "xcb"}});
  }

  TempRoot root;
  XvfbServer x{800, 600};
  WindowManager openbox{x};
  std::unique_ptr<ChildProcess> dialog;
};

TEST_F(DialogUnderAWindowManager, CentresItsFrameAndPhotoAndClosingStoresAsOk) {

  // The frame, once known, is centred on the screen as a whole.
  const auto wait = WaitUntilCentred(x, true);
  const std::optional<Placement>& placed = wait.first;
  const bool centred = wait.second;
  ASSERT_TRUE(placed) << "no framed window";
  EXPECT_TRUE(centred) << OuterText(*placed);

  // The photograph is centred in the window with its frame: on the client area it lies half the
  // frame's extra width right of and half its extra height below the client's centre.
  const QPoint client = placed->client.topLeft();
  const QSize outer = placed->Outer().size();
  QImage shot;
  std::pair<int, int> across, down;
  ASSERT_TRUE(WaitUntil(
      [&] {
        shot = x.Screenshot();
        if (shot.isNull())
          return false;
        across = PhotoSpan(shot, client + QPoint(0, 160), QPoint(1, 0), 552);
        down = PhotoSpan(shot, client + QPoint(250, 135), QPoint(0, 1), 230);
        return across.first >= 0 && down.first >= 0;
      },
      10s));
  KeepScreenshot(shot, "-framed.png");
  EXPECT_NEAR(across.first + across.second + 1, outer.width(), 2);
  EXPECT_NEAR(2 * (135 + down.first) + (down.second - down.first + 1), outer.height(), 2);

  // The frame's close box (here Alt+F4, the window manager's close) leaves as OK does. The key
  // goes to the focused window, so it waits until the window manager has focused the dialog.
  const std::string active = "DISPLAY=" + x.Display() + " xdotool getactivewindow getwindowname";
  ASSERT_TRUE(WaitUntil([&] { return CommandOutput(active) == std::string(kCaption) + "\n"; }, 10s))
      << CommandOutput(active);
  ASSERT_TRUE(x.XdoTool({"key", "--clearmodifiers", "alt+F4"}));
  EXPECT_EQ(dialog->WaitExit(10s), 0);
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), kOptionsAsShown + Slots("C:\\a.wav", "C:\\b.mid"));
}

TEST_F(DialogUnderAWindowManager, TheInformationWindowsKeepTheirOuterPlaces) {
  const auto wait = WaitUntilCentred(x, false);
  const std::optional<Placement>& settings = wait.first;
  const bool centred = wait.second;
  KeepScreenshot(x.Screenshot(), "-framed-start.png");
  ASSERT_TRUE(settings) << "no framed window";
  ASSERT_TRUE(centred) << OuterText(*settings);
  const auto click = [&](QPoint at) {
    const QPoint screen = settings->client.topLeft() + at;
    return x.XdoTool(
        {"mousemove", std::to_string(screen.x()), std::to_string(screen.y()), "click", "1"});
  };

  // More: the whole window, frame included, is 458 × 365 at 102, 23.
  ASSERT_TRUE(click(QPoint(463 + 37, 288 + 8)));
  std::optional<Placement> more;
  const bool fitted = WaitUntil(
      [&] {
        more = PlacementOf(x, "More Software");
        return more && more->Outer() == QRect(102, 23, 458, 365);
      },
      10s);
  ASSERT_TRUE(more) << "no framed more-software window";
  EXPECT_TRUE(fitted) << "outer " << more->Outer().x() << "," << more->Outer().y() << " "
                      << more->Outer().width() << "x" << more->Outer().height();
  KeepScreenshot(x.Screenshot(), "-more.png");
  ASSERT_TRUE(x.XdoTool({"key", "--clearmodifiers", "alt+F4"}));
  ASSERT_TRUE(WaitUntil([&] { return !x.HasVisibleWindow("More Software"); }, 10s));

  // About: no frame, centred on the screen.
  ASSERT_TRUE(click(QPoint(464 + 37, 337 + 8)));
  std::optional<QRect> about;
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::string id = WindowId(x, "Quillmor");
        about = id.empty() ? std::nullopt : ClientRect(x, id);
        return about == QRect((800 - 514) / 2, (600 - 336) / 2, 514, 336);
      },
      10s));
  ASSERT_TRUE(about);
  KeepScreenshot(x.Screenshot(), "-about.png");
  const QPoint returnButton = about->topLeft() + QPoint(412 + 37, 300 + 12);
  ASSERT_TRUE(x.XdoTool({"mousemove", std::to_string(returnButton.x()),
                         std::to_string(returnButton.y()), "click", "1"}));
  ASSERT_TRUE(WaitUntil([&] { return !x.HasVisibleWindow("Quillmor"); }, 10s));
  ASSERT_TRUE(click(QPoint(464 + 37, 361 + 8)));
  EXPECT_EQ(dialog->WaitExit(10s), 0);
}

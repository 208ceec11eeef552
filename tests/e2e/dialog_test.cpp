// The settings dialog of the real binary on an X server: its face, and OK storing the options.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <QImage>

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

// The client area's top-left corner on the screen; without a window manager there is no frame.
std::optional<QPoint> WindowPosition(const XvfbServer& x) {
  const std::string command = "DISPLAY=" + x.Display() + " xdotool search --onlyvisible --name '^" +
                              kCaption + "$' getwindowgeometry";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe)
    return std::nullopt;
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get()))
    output += buffer;
  const std::size_t at = output.find("Position: ");
  int left = 0, top = 0;
  if (at == std::string::npos ||
      std::sscanf(output.c_str() + at, "Position: %d,%d", &left, &top) != 2)
    return std::nullopt;
  return QPoint(left, top);
}

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

} // namespace

TEST(DialogOnScreen, ShowsItsLayoutAndOkStoresTheOptionsAndEnds) {
  TempRoot root;
  // Color 7 and Picdis 0 read as 3: OK stores what the buttons show, not what the file held.
  WriteWholeFile(root.SettingsFile(), "[Options]\r\nSound=1\r\nColor=7\r\nPicdis=0\r\nTime=2\r\n" +
                                          Slots("C:\\a.wav", "C:\\b.mid"));
  QImage photo(200, 100, QImage::Format_RGB32);
  photo.fill(kPhoto);
  std::filesystem::create_directories(root.DriveC() / "Tavrin" / "Quillmor");
  ASSERT_TRUE(photo.save(
      QString::fromStdString((root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg").string()),
      "JPEG", 100));

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
  if (const char* keep = std::getenv("QUILLMOR_KEEP_SCREENSHOT"))
    shot.save(keep);
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
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            "[Options]\r\nSound=1\r\nColor=3\r\nPicdis=3\r\nTime=2\r\n" +
                Slots("C:\\a.wav", "C:\\b.mid"));
}

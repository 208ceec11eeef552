#include <gtest/gtest.h>

#include <QLabel>

#include "platform/application.h"
#include "platform/image.h"
#include "platform/system.h"
#include "platform/timer.h"
#include "support/display_fixture.h"

namespace {

QRect Bounds(const TImage* image) {
  return image->geometry();
}

TMsg Message(unsigned number) {
  return TMsg{nullptr, number, 0, 0};
}

} // namespace

TEST_F(DisplayTest, StartUpHidesThePointerAndStartsTheTimerAtOneSecond) {
  InstallPictures(64, 48);
  WriteSettings("Sound=0\r\nPicdis=1\r\nTime=2\r\n");
  TForm1& form = CreateDisplay();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(platform_test::CursorHidden());
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_TRUE(Application().OnMessage != nullptr);
  EXPECT_EQ(ActivePictureCount, 38);
  EXPECT_EQ(DisplayMode, dmTiled);
  EXPECT_EQ(SlideInterval, 30000);
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Timer1->Interval(), 1000);
  EXPECT_FALSE(form.lblinfo->isVisibleTo(&form));
}

TEST_F(DisplayTest, NoSettingsFileWritesTheDisplayDefaults) {
  InstallPictures(64, 48);
  TForm1& form = CreateDisplay();
  EXPECT_TRUE(std::filesystem::exists(root_.SettingsFile()));
  EXPECT_EQ(DisplayMode, dmFullScreen);
  EXPECT_EQ(SlideInterval, 15000);
  EXPECT_FALSE(SoundEnabled);
  EXPECT_TRUE(form.Timer1->Enabled());
}

TEST_F(DisplayTest, TilesFillInTurnAndTheFifthTickReplacesTheFirst) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\nTime=1\r\n");
  TForm1& form = CreateDisplay();
  form.Timer1->Tick();
  EXPECT_EQ(form.Timer1->Interval(), 15000);
  EXPECT_TRUE(form.Timer1->Running());
  const TImage* expected[] = {form.Image1, form.image2, form.Image3, form.Image4};
  const QRect bounds[] = {QRect(0, 0, 400, 300), QRect(0, 301, 400, 300), QRect(401, 0, 400, 300),
                          QRect(401, 301, 400, 300)};
  for (int tick = 0; tick < 4; ++tick) {
    if (tick > 0)
      form.Timer1->Tick();
    EXPECT_TRUE(expected[tick]->isVisibleTo(&form)) << tick;
    EXPECT_EQ(Bounds(expected[tick]), bounds[tick]) << tick;
    EXPECT_TRUE(expected[tick]->Stretch());
    for (int later = tick + 1; later < 4; ++later)
      EXPECT_FALSE(expected[later]->isVisibleTo(&form)) << tick << later;
  }
  EXPECT_EQ(QuadrantState, 1);
  form.Timer1->Tick();
  EXPECT_EQ(QuadrantState, 2);
  EXPECT_EQ(Bounds(form.Image1), bounds[0]);
  EXPECT_EQ(form.Image1->Picture().Width(), 64);
}

TEST_F(DisplayTest, FullScreenCoversTheWholeScreenWhateverThePicture) {
  InstallPictures(333, 250);
  WriteSettings("Picdis=3\r\n");
  TForm1& form = CreateDisplay();
  form.Timer1->Tick();
  EXPECT_EQ(form.Timer1->Interval(), 60000);
  EXPECT_TRUE(form.Image1->isVisibleTo(&form));
  EXPECT_EQ(Bounds(form.Image1), QRect(0, 0, 800, 600));
  EXPECT_TRUE(form.Image1->Stretch());
}

TEST_F(DisplayTest, DefaultSizeCentresThePictureAtItsOwnSize) {
  InstallPictures(640, 480);
  WriteSettings("Picdis=2\r\n");
  TForm1& form = CreateDisplay();
  form.Timer1->Tick();
  EXPECT_EQ(Bounds(form.Image1), QRect(80, 60, 640, 480));
  EXPECT_TRUE(form.Image1->isVisibleTo(&form));
}

TEST_F(DisplayTest, APictureThatCannotBeLoadedIsReplacedByThePlaceholderPlacedLikeAPicture) {
  InstallPictures(640, 480);
  WriteSettings("Picdis=2\r\n");
  TForm1& form = CreateDisplay();
  // Every picture turns unreadable after the start-up check.
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteWholeFile(root_.DriveC() / "Tavrin" / "Quillmor" / name, "not a picture");
  }
  form.Timer1->Tick();
  EXPECT_EQ(Bounds(form.Image1), QRect(364, 268, 72, 65));
  EXPECT_TRUE(Boxes().empty());

  std::filesystem::remove_all(root_.DriveC() / "Tavrin");
  DisplayMode = dmFullScreen;
  form.Timer1->Tick();
  EXPECT_EQ(Bounds(form.Image1), QRect(0, 0, 800, 600));
  EXPECT_EQ(form.Image1->Picture().Width(), 72);
}

TEST_F(DisplayTest, AMissingPictureShowsTheMessageOnWhiteAndNoTimer) {
  InstallPictures(64, 48);
  std::filesystem::remove(root_.DriveC() / "Tavrin" / "Quillmor" / "buffcros.jpg");
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  EXPECT_EQ(ActivePictureCount, 0);
  EXPECT_FALSE(form.Timer1->Enabled());
  EXPECT_TRUE(form.lblinfo->isVisibleTo(&form));
  EXPECT_EQ(form.lblinfo->geometry(), QRect(60, 223, 469, 106));
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_NE(form.lblinfo->text().indexOf("buffcros.jpg"), -1);
}

TEST_F(DisplayTest, ARefusedTimerAtStartUpIsReportedAndTheWindowStaysBlack) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TTimer::SetRefuseTimers(true);
  TForm1& form = CreateDisplay();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Not enough timers available.");
  EXPECT_FALSE(form.Timer1->Running());
  EXPECT_TRUE(Application().OnMessage != nullptr);
}

TEST_F(DisplayTest, ARefusedIntervalAtTheFirstTickStopsTheSlideshow) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  TTimer::SetRefuseTimers(true);
  EXPECT_THROW(form.Timer1->Tick(), EOutOfResources);
  EXPECT_FALSE(form.Timer1->Running());
  EXPECT_FALSE(form.Image1->isVisibleTo(&form));
}

TEST_F(DisplayTest, AnUnwritableSettingsFileStopsStartUpBeforeThePointerIsHidden) {
  InstallPictures(64, 48);
  std::filesystem::create_directories(root_.SettingsFile()); // a folder where the file goes
  TForm1& form = CreateDisplay();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Unable to write to C:\\WINDOWS\\quilmr20.ini.");
  EXPECT_FALSE(platform_test::CursorHidden());
  EXPECT_FALSE(Application().OnMessage != nullptr);
  EXPECT_FALSE(form.Timer1->Enabled());
}

TEST_F(DisplayTest, OnlyTheFirstButtonPressEndsTheDisplay) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  form.show();
  bool handled = false;
  for (unsigned message : {WM_MOUSEMOVE, WM_MOUSEWHEEL, WM_LBUTTONUP, WM_RBUTTONUP, WM_KEYUP}) {
    TMsg msg = Message(message);
    form.deactivate(msg, handled);
    EXPECT_TRUE(form.isVisible()) << message;
    EXPECT_FALSE(ExitLatch);
  }
  TMsg press = Message(WM_MBUTTONDOWN);
  form.deactivate(press, handled);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(ExitLatch);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Timer1->Enabled());
  form.show();
  TMsg again = Message(WM_LBUTTONDOWN);
  form.deactivate(again, handled);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(DisplayTest, AnyKeyEndsTheDisplay) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  form.show();
  form.FormKeyDown();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Timer1->Enabled());
}

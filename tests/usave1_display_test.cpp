#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/image.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "support/display_fixture.h"

namespace {

TMsg Message(unsigned number) {
  return TMsg{nullptr, number, 0, 0};
}

bool Dark(TColor colour) {
  return RedOf(colour) < 16 && GreenOf(colour) < 16 && BlueOf(colour) < 16;
}

} // namespace

TEST_F(DisplayTest, StartUpHidesThePointerAndStartsTheTimerAtOneSecond) {
  InstallPictures(64, 48);
  WriteSettings("Sound=0\r\nPicdis=1\r\nTime=2\r\n");
  TForm1& form = CreateDisplay();
  // What a second start searches for.
  EXPECT_EQ(form.WindowClass(), "TForm1");
  EXPECT_EQ(form.Caption(), "quilldorn");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(platform_test::CursorHidden());
  EXPECT_EQ(form.Color(), clBlack);
  EXPECT_TRUE(Application().OnMessage != nullptr);
  EXPECT_EQ(ActivePictureCount, 38);
  EXPECT_EQ(DisplayMode, dmTiled);
  EXPECT_EQ(SlideInterval, 30000);
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Timer1->Interval(), 1000);
  EXPECT_FALSE(form.lblinfo->Visible());
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
  const TRect bounds[] = {
      {0, 0, 400, 300}, {0, 301, 400, 300}, {401, 0, 400, 300}, {401, 301, 400, 300}};
  for (int tick = 0; tick < 4; ++tick) {
    if (tick > 0)
      form.Timer1->Tick();
    EXPECT_TRUE(expected[tick]->Visible()) << tick;
    EXPECT_EQ(expected[tick]->BoundsRect(), bounds[tick]) << tick;
    EXPECT_TRUE(expected[tick]->Stretch());
    for (int later = tick + 1; later < 4; ++later)
      EXPECT_FALSE(expected[later]->Visible()) << tick << later;
  }
  EXPECT_EQ(QuadrantState, 1);
  form.Timer1->Tick();
  EXPECT_EQ(QuadrantState, 2);
  EXPECT_EQ(form.Image1->BoundsRect(), bounds[0]);
  EXPECT_EQ(form.Image1->Picture().Width(), 64);
}

TEST_F(DisplayTest, FourTilesCoverTheScreenButForABlackCrossThroughTheMiddle) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  form.SetBounds(0, 0, 800, 600);
  for (int tick = 0; tick < 4; ++tick)
    form.Timer1->Tick();
  const TPixels screen = platform_test::Grab(form);
  ASSERT_EQ(screen.Width(), 800);
  ASSERT_EQ(screen.Height(), 600);
  for (int y = 0; y < 600; y += 37)
    EXPECT_TRUE(Dark(screen.Pixel(400, y))) << y;
  for (int x = 0; x < 800; x += 41)
    EXPECT_TRUE(Dark(screen.Pixel(x, 300))) << x;
  // Each tile's picture reaches its corner of the screen and the cross on the other side.
  for (const TPoint at : {TPoint{0, 0}, TPoint{399, 299}, TPoint{0, 599}, TPoint{399, 301},
                          TPoint{799, 0}, TPoint{401, 299}, TPoint{799, 599}, TPoint{401, 301}})
    EXPECT_FALSE(Dark(screen.Pixel(at.X, at.Y))) << at.X << "," << at.Y;
}

TEST_F(DisplayTest, FullScreenCoversTheWholeScreenWhateverThePicture) {
  InstallPictures(333, 250);
  WriteSettings("Picdis=3\r\n");
  TForm1& form = CreateDisplay();
  form.Timer1->Tick();
  EXPECT_EQ(form.Timer1->Interval(), 60000);
  EXPECT_TRUE(form.Image1->Visible());
  EXPECT_EQ(form.Image1->BoundsRect(), (TRect{0, 0, 800, 600}));
  EXPECT_TRUE(form.Image1->Stretch());
}

TEST_F(DisplayTest, DefaultSizeCentresThePictureAtItsOwnSize) {
  InstallPictures(640, 480);
  WriteSettings("Picdis=2\r\n");
  TForm1& form = CreateDisplay();
  form.Timer1->Tick();
  EXPECT_EQ(form.Image1->BoundsRect(), (TRect{80, 60, 640, 480}));
  EXPECT_TRUE(form.Image1->Visible());
}

TEST_F(DisplayTest, AResizedWindowLaysOutTheShownPictureAtOnce) {
  InstallPictures(640, 480);
  WriteSettings("Picdis=3\r\n");
  TForm1& form = CreateDisplay();
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  form.Timer1->Tick();
  platform_test::SetScreenSize(std::pair{1024, 768});
  form.SetBounds(0, 0, 1024, 768);
  EXPECT_TRUE(platform_test::WaitUntil([&] {
    return form.Image1->BoundsRect() == TRect{0, 0, 1024, 768};
  }));

  DisplayMode = dmDefaultSize;
  form.Timer1->Tick();
  platform_test::SetScreenSize(std::pair{800, 600});
  form.SetBounds(0, 0, 800, 600);
  EXPECT_TRUE(platform_test::WaitUntil([&] {
    return form.Image1->BoundsRect() == TRect{80, 60, 640, 480};
  }));
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
  EXPECT_EQ(form.Image1->BoundsRect(), (TRect{364, 268, 72, 65}));
  EXPECT_TRUE(Boxes().empty());

  std::filesystem::remove_all(root_.DriveC() / "Tavrin");
  DisplayMode = dmFullScreen;
  form.Timer1->Tick();
  EXPECT_EQ(form.Image1->BoundsRect(), (TRect{0, 0, 800, 600}));
  EXPECT_EQ(form.Image1->Picture().Width(), 72);
}

TEST_F(DisplayTest, AMissingPictureShowsTheMessageInBoldBlackOnWhiteAndNoTimer) {
  InstallPictures(64, 48);
  std::filesystem::remove(root_.DriveC() / "Tavrin" / "Quillmor" / "buffcros.jpg");
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  EXPECT_EQ(ActivePictureCount, 0);
  EXPECT_FALSE(form.Timer1->Enabled());
  ASSERT_TRUE(form.lblinfo->Visible());
  EXPECT_NE(form.lblinfo->Caption().find("buffcros.jpg"), std::string::npos);
  EXPECT_EQ(form.lblinfo->Font(), (TFont{.Height = 16, .Bold = true}));

  form.SetBounds(0, 0, 800, 600);
  const TPixels screen = platform_test::Grab(form);
  EXPECT_EQ(screen.Pixel(10, 10), clWhite);
  // The text starts at the label's top-left corner and wraps within its width.
  int inkLeft = 800, inkTop = 600, inkRight = -1, inkBottom = -1;
  for (int y = 0; y < screen.Height(); ++y) {
    for (int x = 0; x < screen.Width(); ++x) {
      if (!Dark(screen.Pixel(x, y)))
        continue;
      inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
      inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
    }
  }
  const TRect label = form.lblinfo->BoundsRect();
  EXPECT_GE(inkLeft, label.Left);
  EXPECT_LE(inkLeft, label.Left + 3);
  EXPECT_GE(inkTop, label.Top);
  EXPECT_LE(inkTop, label.Top + 6);
  EXPECT_LT(inkRight, label.Right());
  EXPECT_GT(inkBottom - inkTop, 2 * form.lblinfo->LineHeight()); // three lines or more
  EXPECT_LT(inkBottom, label.Bottom());
}

TEST_F(DisplayTest, ARefusedTimerAtStartUpIsReportedAndTheWindowStaysBlack) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  platform_test::SetRefuseTimers(true);
  TForm1& form = CreateDisplay();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Not enough timers available.");
  EXPECT_FALSE(form.Timer1->Running());
  EXPECT_EQ(form.Color(), clBlack);
  EXPECT_TRUE(Application().OnMessage != nullptr);
}

TEST_F(DisplayTest, ARefusedIntervalAtTheFirstTickStopsTheSlideshow) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  platform_test::SetRefuseTimers(true);
  EXPECT_THROW(form.Timer1->Tick(), EOutOfResources);
  EXPECT_FALSE(form.Timer1->Running());
  EXPECT_FALSE(form.Image1->Visible());
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
  form.Show();
  bool handled = false;
  for (unsigned message : {WM_MOUSEMOVE, WM_MOUSEWHEEL, WM_LBUTTONUP, WM_RBUTTONUP, WM_KEYUP}) {
    TMsg msg = Message(message);
    form.deactivate(msg, handled);
    EXPECT_TRUE(form.Visible()) << message;
    EXPECT_FALSE(ExitLatch);
  }
  TMsg press = Message(WM_MBUTTONDOWN);
  form.deactivate(press, handled);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(ExitLatch);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Timer1->Enabled());
  form.Show();
  TMsg again = Message(WM_LBUTTONDOWN);
  form.deactivate(again, handled);
  EXPECT_TRUE(form.Visible());
}

TEST_F(DisplayTest, AClickOnTheDisplayReachesTheHookAndEndsIt) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  TForm1& form = CreateDisplay();
  Application().AddHookedWindow(&form);
  form.SetBounds(0, 0, 800, 600);
  form.Show();
  form.Timer1->Tick();
  platform_test::ClickAt(*form.Image1);
  EXPECT_TRUE(ExitLatch);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Timer1->Enabled());
}

TEST_F(DisplayTest, AnyKeyEndsTheDisplay) {
  InstallPictures(64, 48);
  WriteSettings("Picdis=1\r\n");
  for (const int key : {int('A'), VK_SPACE, VK_ESCAPE, VK_RETURN, VK_LEFT}) {
    TForm1& form = CreateDisplay();
    form.Show();
    platform_test::PressKey(form, key);
    EXPECT_FALSE(form.Visible()) << key;
    EXPECT_FALSE(form.Timer1->Enabled()) << key;
  }
}

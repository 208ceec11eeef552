// A long display run in-process: ten thousand ticks through every layout, with real pictures of
// many sizes and unreadable ones that bring up the placeholder. Memory must settle: the resident
// size at the end stays within a tenth of what it was after the first hundred ticks (and the
// sanitizer build's leak check covers the rest).
#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "support/display_fixture.h"
#include "support/jpeg_writer.h"
#include "support/pictures.h"
#include "usave1.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLMOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLMOR_ASAN 1
#endif
#endif

namespace {

#ifdef QUILLMOR_ASAN
// The sanitizer's quarantine holds freed memory on purpose, so resident size says nothing here;
// the leak check at exit does.
constexpr bool kMeasureMemory = false;
#else
constexpr bool kMeasureMemory = true;
#endif
constexpr int kTicks = 10000;

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

using Soak = DisplayTest;

} // namespace

TEST_F(Soak, TenThousandTicksThroughEveryLayoutKeepMemorySteady) {
  platform_test::SetScreenSize(std::pair{320, 240});
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    const auto file = root_.DriveC() / "Tavrin" / "Quillmor" / name;
    if (k % 9 == 0)
      WriteWholeFile(file, "not a picture"); // the placeholder stands in
    else
      WriteSolidJpeg(file, 8 + k * 7, 6 + k * 5, QColor::fromHsv(k * 9, 200, 220));
  }
  WriteSettings("Picdis=1\r\nTime=1\r\n");
  TForm1& form = CreateDisplay();
  ASSERT_TRUE(form.Timer1->Enabled());

  const int layouts[] = {dmTiled, dmDefaultSize, dmFullScreen};
  long afterHundred = 0;
  int placeholders = 0, decoded = 0;
  for (int tick = 1; tick <= kTicks; ++tick) {
    DisplayMode = layouts[(tick / 50) % 3];
    platform_test::SetSystemTime(ClockAt(tick));
    form.Timer1->Tick();
    if (tick % 4 == 0) {
      // Paints, so every shown picture is decoded and stretched; a photograph's middle shows.
      const TPixels screen = platform_test::Grab(form);
      const auto* shown = dynamic_cast<const TJPEGImage*>(form.Image1->Picture().Graphic());
      const TRect bounds = form.Image1->BoundsRect();
      decoded += shown && form.Image1->Visible() &&
                         screen.Pixel(bounds.Left + bounds.Width / 2,
                                      bounds.Top + bounds.Height / 2) != clBlack
                     ? 1
                     : 0;
    }
    placeholders += form.Image5->Picture().Width() == 72 ? 1 : 0;
    if (tick == 100)
      afterHundred = ResidentKiB();
  }
  const long afterAll = ResidentKiB();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_GT(placeholders, kTicks / 20);
  EXPECT_GT(decoded, kTicks / 8);
  EXPECT_LT(placeholders, kTicks / 2);
  RecordProperty("resident_kib_after_100", int(afterHundred));
  RecordProperty("resident_kib_after_10000", int(afterAll));
  if (kMeasureMemory) {
    EXPECT_LE(afterAll, afterHundred + afterHundred / 10)
        << "after 100 ticks " << afterHundred << " KiB, after " << kTicks << " " << afterAll;
  }
}

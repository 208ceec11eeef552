// A whole night's run under the desktop's own windows: twenty thousand pictures through the tiled
// and the full-screen layout, each tick run at once through the timer's seam and painted. Nothing
// the desktop hands out may pile up: the GDI and USER objects at the end are those of the run's
// start, and the resident memory stays within 5 % of what it was once the run had settled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui_counts.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "program.h"
#include "support/jpeg_writer.h"
#include "support/pictures.h"
#include "support/temp_root.h"
#include "usave1.h"

namespace {

constexpr int kTicks = 20000;
constexpr int kSettled = 1000; // ticks before the reference counts are taken

TEST(Soak, TwentyThousandPicturesLeaveNoObjectsBehindAndKeepMemoryFlat) {
  TempRoot root;
  SettingsPath = "C:\\WINDOWS\\quilmr20.ini";
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteSolidJpeg(root.DriveC() / "Tavrin" / "Quillmor" / name, 8 + k * 3, 6 + k * 2,
                   {k * 6, 255 - k * 6, 128});
  }
  WriteWholeFile(root.SettingsFile(), "[Options]\r\nSound=0\r\nPicdis=1\r\nTime=1\r\n");
  std::vector<std::string> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& box) {
    boxes.push_back(box.text);
    return IDOK;
  });
  platform_test::SetScreenSize(std::pair{320, 240});
  GuiCounts settled, last;
  {
    TForm1 form;
    form.FormCreate();
    form.ShowAfterCreation();
    ASSERT_TRUE(form.Timer1->Enabled());
    for (int tick = 1; tick <= kTicks; ++tick) {
      DisplayMode = (tick / 50) % 2 == 0 ? dmTiled : dmFullScreen;
      platform_test::SetSystemTime(ClockAt(tick));
      form.Timer1->Tick();
      // The paints the tick asked for: every shown picture is decoded and drawn.
      Application().ProcessMessages();
      if (tick == kSettled)
        settled = CountGuiResources();
    }
    last = CountGuiResources();
  }
  platform_test::SetScreenSize(std::nullopt);
  platform_test::SetSystemTime(std::nullopt);
  platform_test::SetMessageBoxResponder({});
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  RecordProperty("counted_by", last.how);
  RecordProperty("gdi_objects",
                 std::to_string(settled.gdiObjects) + " -> " + std::to_string(last.gdiObjects));
  RecordProperty("user_objects",
                 std::to_string(settled.userObjects) + " -> " + std::to_string(last.userObjects));
  RecordProperty("resident_kib",
                 std::to_string(settled.residentKiB) + " -> " + std::to_string(last.residentKiB));
  std::printf("soak (%s): GDI %ld -> %ld, USER %ld -> %ld, resident %ld -> %ld KiB\n",
              last.how.c_str(), settled.gdiObjects, last.gdiObjects, settled.userObjects,
              last.userObjects, settled.residentKiB, last.residentKiB);
  EXPECT_GT(settled.gdiObjects, 0) << "no count of GDI objects";
  EXPECT_LE(last.gdiObjects, settled.gdiObjects);
  EXPECT_LE(last.userObjects, settled.userObjects);
  EXPECT_LE(last.residentKiB, settled.residentKiB + settled.residentKiB / 20);
}

} // namespace

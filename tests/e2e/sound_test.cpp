// The real display with sound: the first listed file plays at once, and a mouse button ends the
// display while it sounds. SDL's disk device stands in for a sound card.
#include <gtest/gtest.h>

#include "support/jpeg_writer.h"
#include "support/process.h"
#include "support/sound_files.h"
#include "support/temp_root.h"
#include "usave1.h"

using namespace std::chrono_literals;

namespace {

constexpr int kDeviceRate = 44100; // the player opens the device at 44.1 kHz stereo
constexpr int kDeviceChannels = 2;

} // namespace

TEST(SoundE2E, EntryOnePlaysAtOnceAndAButtonEndsTheDisplayWhileItSounds) {
  TempRoot root;
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteSolidJpeg(root.DriveC() / "Tavrin" / "Quillmor" / name, 64, 48, Qt::darkCyan);
  }
  std::string settings = "[Options]\r\nSound=1\r\nPicdis=1\r\nTime=1\r\n[WavConfig]\r\n";
  const double tones[] = {440, 880, 1320};
  for (int n = 1; n <= 3; ++n) {
    const auto file = root.Path() / ("tone" + std::to_string(n) + ".wav");
    WriteWholeFile(file, WavBytes(4000, tones[n - 1]));
    settings += "Name" + std::to_string(n) + "=" + file.string() + "\r\n";
  }
  for (int n = 4; n <= 100; ++n)
    settings += "Name" + std::to_string(n) + "=Null\r\n";
  WriteWholeFile(root.SettingsFile(), settings);

  const auto device = root.Path() / "device.raw";
  XvfbServer x(800, 600);
  ChildProcess display({QuillmorBinary().string(), "/s"}, {{"DISPLAY", x.Display()},
                                                           {"QT_QPA_PLATFORM", "xcb"},
                                                           {"SDL_AUDIODRIVER", "disk"},
                                                           {"SDL_DISKAUDIOFILE", device.string()}});
  ASSERT_TRUE(WaitUntil([&] { return LoudSamples(ReadWholeFile(device), 4000) > 20000; }, 10s));
  EXPECT_NEAR(ToneFrequency(ReadWholeFile(device), kDeviceRate, kDeviceChannels), 440, 25);

  ASSERT_TRUE(WaitUntil([&] { return x.HasVisibleWindow("quilldorn"); }, 10s));
  ASSERT_TRUE(x.XdoTool({"mousedown", "1"}));
  EXPECT_EQ(display.WaitExit(1500ms), 0);
  x.XdoTool({"mouseup", "1"});
}

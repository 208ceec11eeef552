// The settings dialog adding and removing sound files while display processes start one after
// another and read the file: every display sees each slot either before or after a change, never
// a slot without its key, and the last display sees exactly what the dialog wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "program.h"
#include "psave.h"
#include "settings/settings.h"
#include "support/display_fixture.h"
#include "support/jpeg_writer.h"
#include "support/process.h"
#include "support/temp_root.h"
#include "usave1.h"
#include "usave2.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kReportVariable = "QUILLMOR_DISPLAY_PROBE_REPORT";
constexpr int kDisplays = 3;

struct Reading {
  bool sound = false;
  std::vector<std::string> sounds;
};

Reading ReadReport(const fs::path& file) {
  std::istringstream lines(ReadWholeFile(file));
  Reading reading;
  std::string line;
  std::getline(lines, line);
  reading.sound = line == "sound 1";
  while (std::getline(lines, line))
    reading.sounds.push_back(line);
  return reading;
}

// A display process, started through the test binary itself.
class DisplayProcess {
public:
  explicit DisplayProcess(const fs::path& report) : report_(report) {
    fs::remove(report_);
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{fs::read_symlink("/proc/self/exe").string(),
                                 "--gtest_filter=DisplayProbe.ReportsWhatItsStartUpRead"},
        std::map<std::string, std::string>{{kReportVariable, report_.string()}}, true);
  }
  // The reading once the process has ended; nullopt while it runs.
  std::optional<Reading> Finished(std::chrono::milliseconds wait) {
    const std::optional<int> code = process_->WaitExit(wait);
    if (!code)
      return std::nullopt;
    EXPECT_EQ(*code, 0);
    EXPECT_TRUE(fs::exists(report_));
    return ReadReport(report_);
  }

private:
  fs::path report_;
  std::unique_ptr<ChildProcess> process_;
};

class DialogWithDisplays : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(root.SettingsFile().parent_path());
    WriteSolidJpeg(root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg", 40, 30, Qt::red);
    fs::create_directories(root.Path() / "sounds");
    for (int i = 1; i <= kSoundSlotCount; ++i) {
      WriteWholeFile(SoundFile(i), "RIFF");
      paths.insert(SoundFile(i));
    }
    platform_test::SetMessageBoxResponder([](const MessageBoxRequest&) { return IDOK; });
    platform_test::SetOpenFileResponder([this](const OpenFileRequest&) { return next; });
  }
  void TearDown() override {
    platform_test::SetMessageBoxResponder({});
    platform_test::SetOpenFileResponder({});
  }

  std::string SoundFile(int i) const {
    return (root.Path() / "sounds" / ("s" + std::to_string(i) + ".wav")).string();
  }
  // The dialog's occupied slots in slot order: what a display builds its sound list from.
  static std::vector<std::string> DialogSounds() {
    std::vector<std::string> sounds;
    for (int n = 1; n <= kSoundSlotCount; ++n)
      if (usave2::SoundSlots[n] != kEmptySlot)
        sounds.push_back(usave2::SoundSlots[n]);
    return sounds;
  }
  // A reading is whole when sound stayed on (a slot without its key, or a file read half, would
  // have turned it off) and it lists only the dialog's files, each once.
  void ExpectWhole(const Reading& reading) {
    EXPECT_TRUE(reading.sound);
    std::set<std::string> seen;
    for (const std::string& sound : reading.sounds) {
      EXPECT_TRUE(paths.count(sound)) << sound;
      EXPECT_TRUE(seen.insert(sound).second) << sound << " listed twice";
    }
  }

  TempRoot root;
  std::set<std::string> paths;
  std::optional<std::string> next;
};

} // namespace

// Run only as the display process of the test below.
TEST(DisplayProbe, ReportsWhatItsStartUpRead) {
  const char* report = std::getenv(kReportVariable);
  if (!report)
    GTEST_SKIP() << "a helper process of DialogWithDisplays";
  platform_test::SetScreenSize(std::pair{320, 240});
  SettingsPath = "C:\\WINDOWS\\quilmr20.ini";
  auto log = std::make_shared<FakePlayer::Log>();
  platform_test::SetPlayerFactory([log] { return std::make_unique<FakePlayer>(log); });
  {
    TForm1 display;
    display.FormCreate();
    std::string text = std::string("sound ") + (SoundEnabled ? "1" : "0") + "\n";
    for (const std::string& sound : SoundList)
      text += sound + "\n";
    WriteWholeFile(report, text);
  }
  platform_test::SetPlayerFactory(nullptr);
  platform_test::SetScreenSize(std::nullopt);
  ShowCursor(true);
}

TEST_F(DialogWithDisplays, NoSlotWriteIsLostAndNoDisplayReadsATornFile) {
  WriteDisplayDefaults(usave2::SettingsPath = "C:\\WINDOWS\\quilmr20.ini");
  WriteOptions(usave2::SettingsPath, SettingsOptions{});
  TForm2 dialog;
  dialog.FormCreate();

  // The dialog's steps: add all 100, remove every other one (the list closes up), add ten of the
  // removed ones again.
  std::vector<std::function<void()>> steps;
  for (int i = 1; i <= kSoundSlotCount; ++i)
    steps.push_back([this, i, &dialog] {
      next = SoundFile(i);
      dialog.cmdwavClick();
    });
  for (int i = 0; i < kSoundSlotCount / 2; ++i)
    steps.push_back([i, &dialog] {
      dialog.ListBox2->SetItemIndex(i);
      dialog.cmdwavdClick();
    });
  for (int i = 1; i <= 19; i += 2)
    steps.push_back([this, i, &dialog] {
      next = SoundFile(i);
      dialog.cmdwavClick();
    });

  std::vector<std::unique_ptr<DisplayProcess>> displays;
  int started = 0, readings = 0;
  const auto start = [&] {
    return std::make_unique<DisplayProcess>(root.Path() / ("report" + std::to_string(started++)));
  };
  for (int d = 0; d < kDisplays; ++d)
    displays.push_back(start());
  // Keeps the displays starting; true once one more has finished within the bound.
  const auto collect = [&](std::chrono::milliseconds wait) {
    bool any = false;
    for (auto& display : displays) {
      if (const std::optional<Reading> reading = display->Finished(wait)) {
        ExpectWhole(*reading);
        ++readings;
        any = true;
        display = start();
      }
    }
    return any;
  };
  // Steps go in batches, each batch waiting for a display to finish, so that starts and writes
  // overlap all the way through.
  constexpr std::size_t kBatch = 16;
  for (std::size_t s = 0; s < steps.size(); ++s) {
    steps[s]();
    if (s % kBatch == kBatch - 1) {
      ASSERT_TRUE(WaitUntil([&] { return collect(std::chrono::milliseconds(0)); },
                            std::chrono::seconds(60)));
    }
  }
  for (auto& display : displays) {
    const std::optional<Reading> reading = display->Finished(std::chrono::seconds(60));
    ASSERT_TRUE(reading);
    ExpectWhole(*reading);
    ++readings;
  }
  displays.clear();
  EXPECT_GE(readings, int(steps.size() / kBatch));

  EXPECT_EQ(DialogSounds().size(), 60u);
  DisplayProcess last(root.Path() / "last");
  const std::optional<Reading> final = last.Finished(std::chrono::seconds(60));
  ASSERT_TRUE(final);
  EXPECT_TRUE(final->sound);
  EXPECT_EQ(final->sounds, DialogSounds());
}

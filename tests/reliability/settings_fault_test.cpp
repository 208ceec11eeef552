// The settings operations on a disk that fails: whichever file operation of a write fails, the
// operation raises "Unable to write to <path>", the file keeps every byte it had before that write,
// and no temporary file stays behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/profile_io.h"
#include "settings/inifile.h"
#include "settings/settings.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

const std::string kSettings = "C:\\WINDOWS\\quilmr20.ini";

class SettingsOnAFailingDisk : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(root.SettingsFile().parent_path());
    WriteDisplayDefaults(kSettings);
    original = ReadWholeFile(root.SettingsFile());
  }
  void TearDown() override { profile_io::FailNthOperation(0, 0); }

  std::string Content() const { return ReadWholeFile(root.SettingsFile()); }
  bool TempLeft() const {
    for (const auto& entry : fs::directory_iterator(root.SettingsFile().parent_path()))
      if (entry.path().extension() == ".tmp")
        return true;
    return false;
  }

  // The file after the operation ran undisturbed, and how many file operations it took.
  std::pair<std::string, unsigned> Record(const std::function<void()>& operation) {
    WriteWholeFile(root.SettingsFile(), original);
    profile_io::FailNthOperation(0, 0);
    operation();
    return {Content(), profile_io::OperationCount()};
  }

  // Runs the operation with the n-th file operation failing; the error text, or "" if none.
  std::string FailAt(unsigned n, int error, const std::function<void()>& operation) {
    WriteWholeFile(root.SettingsFile(), original);
    profile_io::FailNthOperation(n, error);
    std::string raised;
    try {
      operation();
    } catch (const EIniFileException& failure) {
      raised = failure.what();
    }
    profile_io::FailNthOperation(0, 0);
    return raised;
  }

  TempRoot root;
  std::string original;
};

} // namespace

TEST_F(SettingsOnAFailingDisk, ASlotWriteFailingAnywhereRaisesAndKeepsTheFile) {
  const auto write = [] { WriteSoundSlot(kSettings, 42, "/home/user/sounds/bell.wav"); };
  const auto [written, operations] = Record(write);
  ASSERT_NE(written, original);
  ASSERT_GE(operations, 8u); // lock, read, temp file, write, close, rename at the least
  for (const int error : {ENOSPC, EIO}) {
    for (unsigned n = 1; n <= operations; ++n) {
      SCOPED_TRACE("errno " + std::to_string(error) + ", operation " + std::to_string(n));
      EXPECT_EQ(FailAt(n, error, write), "Unable to write to " + kSettings);
      EXPECT_EQ(Content(), original);
      EXPECT_FALSE(TempLeft());
    }
  }
  // A failure past the last operation is none: the write goes through.
  EXPECT_EQ(FailAt(operations + 1, EIO, write), "");
  EXPECT_EQ(Content(), written);
  EXPECT_EQ(ReadSoundSlot(kSettings, 42), "/home/user/sounds/bell.wav");
}

TEST_F(SettingsOnAFailingDisk, AnOptionsWriteStopsAtTheFailingKeyAndKeepsTheOnesBefore) {
  SettingsOptions changed;
  changed.Sound = true;
  changed.Color = 1;
  changed.Picdis = 1;
  changed.Time = 4;
  const auto write = [&] { WriteOptions(kSettings, changed); };
  const auto [complete, operations] = Record(write);
  // Each key is one profile write of equal cost; a failure in write k leaves writes 1..k-1.
  ASSERT_EQ(operations % 4, 0u);
  const unsigned perWrite = operations / 4;
  std::vector<std::string> afterKeys{original};
  {
    WriteWholeFile(root.SettingsFile(), original);
    const TIniFile file(kSettings);
    file.WriteBool("Options", "Sound", changed.Sound);
    afterKeys.push_back(Content());
    file.WriteInteger("Options", "Color", changed.Color);
    afterKeys.push_back(Content());
    file.WriteInteger("Options", "Picdis", changed.Picdis);
    afterKeys.push_back(Content());
  }
  for (const int error : {ENOSPC, EIO}) {
    for (unsigned n = 1; n <= operations; ++n) {
      SCOPED_TRACE("errno " + std::to_string(error) + ", operation " + std::to_string(n));
      EXPECT_EQ(FailAt(n, error, write), "Unable to write to " + kSettings);
      EXPECT_EQ(Content(), afterKeys.at((n - 1) / perWrite));
      EXPECT_FALSE(TempLeft());
    }
  }
  EXPECT_EQ(FailAt(0, 0, write), "");
  EXPECT_EQ(Content(), complete);
  const SettingsOptions read = ReadOptions(kSettings);
  EXPECT_EQ(read.Color, 1);
  EXPECT_EQ(read.Picdis, 1);
  EXPECT_EQ(read.Time, 4);
}

TEST_F(SettingsOnAFailingDisk, ATempFileLeftByACrashIsClearedByTheNextWrite) {
  const fs::path stale = root.SettingsFile().string() + ".tmp";
  WriteWholeFile(stale, "[Options]\r\nSound=half a wri");
  // A failing write does not clear it for good, but never leaves its own either.
  EXPECT_EQ(FailAt(1, EIO, [] { WriteSoundSlot(kSettings, 1, "a.wav"); }),
            "Unable to write to " + kSettings);
  WriteWholeFile(stale, "[Options]\r\nSound=half a wri");
  WriteWholeFile(root.SettingsFile(), original);
  WriteSoundSlot(kSettings, 1, "a.wav");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(ReadSoundSlot(kSettings, 1), "a.wav");
  EXPECT_EQ(ReadOptions(kSettings).Picdis, 3); // the stale content never became the file
}

#include <gtest/gtest.h>

#include "platform/system.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "support/display_fixture.h"

namespace {

using Calls = std::vector<std::string>;

class SoundTest : public DisplayTest {
protected:
  // Sound files a.wav, b.wav, c.wav on drive C:, named in slotValues 1 to 3 unless told otherwise.
  std::string SoundFile(const std::string& name) {
    WriteWholeFile(root_.DriveC() / "sounds" / name, "RIFF");
    return "C:\\sounds\\" + name;
  }
  void SoundOnWithThreeFiles() {
    InstallPictures(16, 16);
    WriteSettings("Sound=1\r\nPicdis=1\r\n",
                  {SoundFile("a.wav"), SoundFile("b.wav"), SoundFile("c.wav")});
  }
  const Calls& PlayerCalls() const { return player_->calls; }
  void ClearCalls() { player_->calls.clear(); }
};

SYSTEMTIME Midnight() {
  return SYSTEMTIME{};
}

} // namespace

TEST_F(SoundTest, EntryOnePlaysAtOnceAndARandomOneFollowsWhenStopped) {
  SoundOnWithThreeFiles();
  TForm1& form = CreateDisplay();
  EXPECT_EQ(SoundList.size(), 3u);
  EXPECT_EQ(PlayerCalls(), (Calls{"open C:\\sounds\\a.wav", "play"}));
  ClearCalls();
  form.Timer1->Tick(); // still playing: left alone
  EXPECT_TRUE(PlayerCalls().empty());
  player_->mode = TMPModes::mpStopped;
  platform_test::SetSystemTime(Midnight()); // the draw at midnight gives entry 1
  form.Timer1->Tick();
  EXPECT_EQ(PlayerCalls(), (Calls{"open C:\\sounds\\a.wav", "play"}));
  EXPECT_EQ(CurrentSound, "C:\\sounds\\a.wav");
}

TEST_F(SoundTest, OtherModesThanStoppedLeaveThePlayerAlone) {
  SoundOnWithThreeFiles();
  TForm1& form = CreateDisplay();
  ClearCalls();
  for (TMPModes mode : {TMPModes::mpPaused, TMPModes::mpNotReady, TMPModes::mpSeeking,
                        TMPModes::mpOpen, TMPModes::mpRecording}) {
    player_->mode = mode;
    form.Timer1->Tick();
  }
  EXPECT_TRUE(PlayerCalls().empty());
}

TEST_F(SoundTest, TheNotificationStopsThePlayer) {
  SoundOnWithThreeFiles();
  TForm1& form = CreateDisplay();
  ClearCalls();
  form.MediaPlayer1Notify();
  EXPECT_EQ(PlayerCalls(), (Calls{"stop"}));
}

TEST_F(SoundTest, EveryEmptySlotMeansNothingPlaysAndNothingIsTouched) {
  InstallPictures(16, 16);
  WriteSettings("Sound=1\r\nPicdis=1\r\n");
  TForm1& form = CreateDisplay();
  EXPECT_TRUE(SoundEnabled);
  EXPECT_TRUE(SoundList.empty());
  form.Timer1->Tick();
  TMsg press{nullptr, WM_LBUTTONDOWN, 0, 0};
  bool handled = false;
  form.deactivate(press, handled);
  EXPECT_TRUE(PlayerCalls().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SoundTest, TheScanEndsAtTheFirstSlotThatNamesNoFile) {
  InstallPictures(16, 16);
  const std::vector<std::vector<std::string>> patterns = {
      {"Null", SoundFile("b.wav"), "C:\\sounds\\missing.wav"},
      {SoundFile("a.wav"), "null"},
      {SoundFile("a.wav"), "NULL", SoundFile("c.wav")},
      {SoundFile("a.wav"), "C:\\sounds"}, // a folder is no sound file
  };
  for (const auto& slotValues : patterns) {
    WriteSettings("Sound=1\r\n", slotValues);
    CreateDisplay();
    EXPECT_TRUE(SoundList.empty()) << slotValues[1];
    EXPECT_FALSE(SoundEnabled) << slotValues[1];
    EXPECT_TRUE(PlayerCalls().empty()) << slotValues[1];
  }
}

TEST_F(SoundTest, AMissingSlotKeyEndsTheScanWithSoundOff) {
  InstallPictures(16, 16);
  WriteWholeFile(root_.SettingsFile(), "[Options]\r\nSound=1\r\n[WavConfig]\r\nName1=" +
                                           SoundFile("a.wav") + "\r\nName3=Null\r\n");
  CreateDisplay();
  EXPECT_TRUE(SoundList.empty());
  EXPECT_FALSE(SoundEnabled);
}

TEST_F(SoundTest, SoundOffStillScansButNeverPlays) {
  InstallPictures(16, 16);
  WriteSettings("Sound=0\r\nPicdis=1\r\n", {SoundFile("a.wav")});
  TForm1& form = CreateDisplay();
  EXPECT_EQ(SoundList.size(), 1u);
  player_->mode = TMPModes::mpStopped;
  form.Timer1->Tick();
  EXPECT_TRUE(PlayerCalls().empty());
}

TEST_F(SoundTest, AFileThatCannotBeOpenedTurnsSoundOffForTheRun) {
  SoundOnWithThreeFiles();
  TForm1& form = CreateDisplay();
  player_->mode = TMPModes::mpStopped;
  player_->failOpen = true;
  form.Timer1->Tick();
  EXPECT_FALSE(SoundEnabled);
  EXPECT_TRUE(Boxes().empty());
  ClearCalls();
  form.Timer1->Tick();
  EXPECT_TRUE(PlayerCalls().empty());
}

TEST_F(SoundTest, ARefusedPlayLeavesSoundOnAndTheNextTickDrawsAgain) {
  SoundOnWithThreeFiles();
  player_->refusePlay = true;
  TForm1& form = CreateDisplay();
  EXPECT_TRUE(SoundEnabled);
  ClearCalls();
  form.Timer1->Tick();
  ASSERT_EQ(PlayerCalls().size(), 2u);
  EXPECT_EQ(PlayerCalls()[1], "play");
  EXPECT_TRUE(SoundEnabled);
}

TEST_F(SoundTest, WithAMissingPictureEntryOnePlaysOnceAndNothingFollows) {
  SoundOnWithThreeFiles();
  std::filesystem::remove(root_.DriveC() / "Tavrin" / "Quillmor" / "fox2.jpg");
  TForm1& form = CreateDisplay();
  EXPECT_EQ(PlayerCalls(), (Calls{"open C:\\sounds\\a.wav", "play"}));
  EXPECT_FALSE(form.Timer1->Enabled());
}

TEST_F(SoundTest, AButtonStopsAPlayingSoundBeforeTheWindowClosesAndAKeyDoesNot) {
  SoundOnWithThreeFiles();
  TForm1& form = CreateDisplay();
  form.Show();
  ClearCalls();
  platform_test::PressKey(form, 'K');
  EXPECT_TRUE(PlayerCalls().empty());
  EXPECT_FALSE(form.Visible());

  form.Show();
  TMsg press{nullptr, WM_RBUTTONDOWN, 0, 0};
  bool handled = false;
  form.deactivate(press, handled);
  EXPECT_EQ(PlayerCalls(), (Calls{"stop"}));
  EXPECT_FALSE(form.Visible());
}

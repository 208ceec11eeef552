#include "platform/media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/application.h"
#include "platform/testing.h"
#include "support/process.h"
#include "support/sound_files.h"
#include "support/temp_root.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kChildRole = "QUILLMOR_MEDIA_CHILD";

// A one-track standard midi file holding one note of about a quarter second.
std::string MidiBytes() {
  const std::string track = std::string("\x00\x90\x3C\x64", 4) +
                            std::string("\x30\x80\x3C\x40", 4) + std::string("\x00\xFF\x2F\x00", 4);
  std::string out = "MThd";
  out += std::string("\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 10);
  out += "MTrk";
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((track.size() >> shift) & 0xFF));
  return out + track;
}

// Handles events until the condition holds or the bound passes; returns the condition.
bool EventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = 5s) {
  return platform_test::WaitUntil(condition, int(bound.count()));
}

// Runs every event queued so far: a report that an earlier call queued has been handled after it.
void FlushEventQueue() {
  bool reached = false;
  PostToMainThread([&reached] { reached = true; });
  ASSERT_TRUE(EventsUntil([&] { return reached; }));
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EMCIDeviceError& error) {
    return error.what();
  }
  return "(nothing raised)";
}

class MediaPlayerTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("SDL_AUDIODRIVER"))
      root_.Env().Set("SDL_AUDIODRIVER", "dummy");
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    const auto file = root_.Path() / name;
    WriteWholeFile(file, bytes);
    return file.string();
  }

  // A player whose notifications are counted and checked to arrive on the UI thread.
  std::unique_ptr<TMediaPlayer> CountingPlayer(int& notifications) {
    auto player = std::make_unique<TMediaPlayer>();
    player->OnNotify = [&notifications, ui = std::this_thread::get_id()] {
      EXPECT_EQ(std::this_thread::get_id(), ui);
      ++notifications;
    };
    return player;
  }

  TempRoot root_;
};

TEST_F(MediaPlayerTest, PlayEndsStoppedThenNotifiesOnTheUiThread) {
  int notifications = 0;
  auto player = CountingPlayer(notifications);
  player->FileName = Write("tone.wav", WavBytes(150, 440));
  player->Open();
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  player->Play();
  EXPECT_EQ(player->Error(), 0);
  EXPECT_EQ(player->Mode(), TMPModes::mpPlaying);

  // The mode answers from the back end, so it reads stopped at the end before any event runs.
  // Polled without handling events.
  WaitUntil([&] { return player->Mode() != TMPModes::mpPlaying; }, 5s, 5ms);
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(notifications, 0) << "the notification must come through the event queue";

  ASSERT_TRUE(EventsUntil([&] { return notifications > 0; }));
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(player->NotifyValue(), TMPNotifyValues::nvSuccessful);
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  EXPECT_TRUE(player->IsOpen());
}

TEST_F(MediaPlayerTest, ModeIsStoppedWhenTheNotificationHandlerRuns) {
  // The display's handler stops the player and its next tick tests for stopped.
  auto player = std::make_unique<TMediaPlayer>();
  std::vector<TMPModes> seen;
  player->OnNotify = [&] {
    seen.push_back(player->Mode());
    player->Stop();
  };
  player->FileName = Write("tone.wav", WavBytes(100, 440));
  player->Open();
  player->Play();
  ASSERT_TRUE(EventsUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(seen, std::vector<TMPModes>{TMPModes::mpStopped});
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
}

TEST_F(MediaPlayerTest, StopSilencesKeepsTheSoundOpenAndNeverNotifies) {
  int notifications = 0;
  auto player = CountingPlayer(notifications);
  player->FileName = Write("long.wav", WavBytes(2000, 440));
  player->Open();
  player->Play();
  ASSERT_EQ(player->Mode(), TMPModes::mpPlaying);
  player->Stop();
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(player->Error(), 0);
  player->Stop(); // a stop on a silent sound is harmless
  FlushEventQueue();
  EXPECT_EQ(notifications, 0);

  // Still open: it plays again, and only that play's end is notified.
  player->Close();
  player->FileName = Write("short.wav", WavBytes(100, 440));
  player->Open();
  player->Play();
  ASSERT_TRUE(EventsUntil([&] { return notifications > 0; }));
  EXPECT_EQ(notifications, 1);
}

TEST_F(MediaPlayerTest, OperationsWithoutAnOpenSound) {
  TMediaPlayer player;
  EXPECT_EQ(player.Mode(), TMPModes::mpNotReady);
  EXPECT_EQ(ErrorOf([&] { player.Play(); }), "No MCI device open");
  EXPECT_EQ(ErrorOf([&] { player.Stop(); }), "No MCI device open");
  player.Close();

  player.FileName = Write("tone.wav", WavBytes(100, 440));
  player.Open();
  player.Close();
  EXPECT_EQ(player.Mode(), TMPModes::mpNotReady);
  EXPECT_EQ(ErrorOf([&] { player.Play(); }), "No MCI device open");
}

TEST_F(MediaPlayerTest, FilesThatCannotBeOpenedLeaveNothingOpen) {
  TMediaPlayer player;
  player.FileName = Write("tone.wav", WavBytes(100, 440));
  player.Open();

  player.FileName = Write("notes.txt", "This is not a sound at all.\n");
  const std::string textError = ErrorOf([&] { player.Open(); });
  EXPECT_NE(textError, "(nothing raised)");
  EXPECT_FALSE(textError.empty());
  EXPECT_NE(textError, "No MCI device open");
  EXPECT_EQ(player.Mode(), TMPModes::mpNotReady) << "the earlier sound is closed as well";
  EXPECT_EQ(ErrorOf([&] { player.Play(); }), "No MCI device open");

  player.FileName = Write("fake.wav", "RIFF\x04\x00\x00\x00WAVE");
  EXPECT_NE(ErrorOf([&] { player.Open(); }), "(nothing raised)");
  player.FileName = (root_.Path() / "missing.wav").string();
  EXPECT_NE(ErrorOf([&] { player.Open(); }), "(nothing raised)");
  player.FileName.clear();
  EXPECT_NE(ErrorOf([&] { player.Open(); }), "(nothing raised)");
  EXPECT_FALSE(player.IsOpen());
}

TEST_F(MediaPlayerTest, MidiFileOpensPlaysAndNotifies) {
  int notifications = 0;
  auto player = CountingPlayer(notifications);
  player->FileName = Write("note.mid", MidiBytes());
  ASSERT_NO_THROW(player->Open());
  player->Play();
  EXPECT_EQ(player->Error(), 0) << player->ErrorText();
  EXPECT_EQ(player->Mode(), TMPModes::mpPlaying);
  ASSERT_TRUE(EventsUntil([&] { return notifications > 0; }));
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
}

TEST_F(MediaPlayerTest, ReplacingOrDestroyingAPlayingSoundNeverNotifies) {
  int first = 0;
  int second = 0;
  auto doomed = CountingPlayer(first);
  doomed->FileName = Write("long.wav", WavBytes(2000, 440));
  doomed->Open();
  doomed->Play();
  doomed.reset(); // its halt report is queued now, with the player gone
  FlushEventQueue();

  auto player = CountingPlayer(second);
  player->FileName = Write("long2.wav", WavBytes(2000, 330));
  player->Open();
  player->Play();
  player->FileName = Write("short.wav", WavBytes(100, 440));
  player->Open();
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  FlushEventQueue();
  EXPECT_EQ(second, 0);
  player->Play();
  ASSERT_TRUE(EventsUntil([&] { return second > 0; }));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

// Some cases need an audio device of their own, and the device is opened once per process: the
// test runs itself again in a fresh process in the role given, and judges its outcome.
struct ChildResult {
  int exitCode = -1;
  std::string output;
};

ChildResult RunChild(const std::string& test, const std::string& role,
                     std::map<std::string, std::string> env) {
  TempRoot scratch;
  env[kChildRole] = role;
  const CapturedOutput child =
      RunCaptured(scratch.Path(),
                  {std::filesystem::read_symlink("/proc/self/exe").string(),
                   "--gtest_filter=MediaPlayerProcess." + test},
                  env, 60s);
  return {child.code, child.text};
}

bool InRole(const std::string& role) {
  const char* value = std::getenv(kChildRole);
  return value && role == value;
}

TEST(MediaPlayerProcess, NoAudioDeviceFailsOpenWithTheBackEndText) {
  if (InRole("no-device")) {
    TempRoot root;
    TMediaPlayer player;
    player.FileName = (root.Path() / "tone.wav").string();
    WriteWholeFile(player.FileName, WavBytes(100, 440));
    const std::string error = ErrorOf([&] { player.Open(); });
    EXPECT_NE(error, "(nothing raised)");
    EXPECT_NE(error.find("no-such-driver"), std::string::npos) << error;
    EXPECT_EQ(player.Mode(), TMPModes::mpNotReady);
    EXPECT_EQ(ErrorOf([&] { player.Play(); }), "No MCI device open");
    return;
  }
  const ChildResult child = RunChild("NoAudioDeviceFailsOpenWithTheBackEndText", "no-device",
                                     {{"SDL_AUDIODRIVER", "no-such-driver"}});
  EXPECT_EQ(child.exitCode, 0) << child.output;
}

// The libraries are loaded at the first open, so only a fresh process can be given wrong ones.
TEST(MediaPlayerProcess, MissingSoundLibraryFailsOpenNamingItAndALaterOpenRetries) {
  if (!InRole("no-library")) {
    const ChildResult child =
        RunChild("MissingSoundLibraryFailsOpenNamingItAndALaterOpenRetries", "no-library", {});
    EXPECT_EQ(child.exitCode, 0) << child.output;
    return;
  }
  TempRoot root;
  TMediaPlayer player;
  player.FileName = (root.Path() / "tone.wav").string();
  WriteWholeFile(player.FileName, WavBytes(100, 440));

  platform_test::SetSoundLibraryNames(
      std::pair<std::string, std::string>{"libSDL2-2.0.so.0", "libquillmor-no-such-mixer.so.0"});
  EXPECT_EQ(ErrorOf([&] { player.Open(); }),
            "Cannot load the sound library libquillmor-no-such-mixer.so.0");
  EXPECT_EQ(player.Mode(), TMPModes::mpNotReady);
  EXPECT_EQ(ErrorOf([&] { player.Play(); }), "No MCI device open");

  // A library without the mixer's functions.
  platform_test::SetSoundLibraryNames(
      std::pair<std::string, std::string>{"libSDL2-2.0.so.0", "libSDL2-2.0.so.0"});
  EXPECT_EQ(ErrorOf([&] { player.Open(); }),
            "Cannot load the sound library libSDL2-2.0.so.0: it has no Mix_FreeMusic");
  EXPECT_FALSE(player.IsOpen());

  platform_test::SetSoundLibraryNames(std::nullopt);
  ASSERT_NO_THROW(player.Open());
  EXPECT_EQ(player.Mode(), TMPModes::mpStopped);
}

void PlayToTheEndInChild(const std::string& name, const std::string& bytes) {
  TempRoot root;
  int notifications = 0;
  TMediaPlayer player;
  player.OnNotify = [&] { ++notifications; };
  player.FileName = (root.Path() / name).string();
  WriteWholeFile(player.FileName, bytes);
  player.Open();
  player.Play();
  EXPECT_TRUE(EventsUntil([&] { return notifications > 0; }, 20s));
}

std::string DeviceOutputOfChild(const std::string& test, const std::string& role) {
  TempRoot root;
  const auto output = root.Path() / "device.raw";
  const ChildResult child =
      RunChild(test, role, {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", output.string()}});
  EXPECT_EQ(child.exitCode, 0) << child.output;
  return ReadWholeFile(output);
}

TEST(MediaPlayerProcess, PlayingAWavOrAMidiFileIsHeardOnTheDevice) {
  if (InRole("disk-wav"))
    return PlayToTheEndInChild("tone.wav", WavBytes(300, 440));
  if (InRole("disk-midi"))
    return PlayToTheEndInChild("note.mid", MidiBytes());

  // The tone peaks near 16000; the synthesised note is quieter; silence is 0.
  const std::string test = "PlayingAWavOrAMidiFileIsHeardOnTheDevice";
  const std::string wav = DeviceOutputOfChild(test, "disk-wav");
  EXPECT_GT(LoudSamples(wav, 8000), 1000) << wav.size() << " bytes written";
  const std::string midi = DeviceOutputOfChild(test, "disk-midi");
  EXPECT_GT(LoudSamples(midi, 1000), 1000) << midi.size() << " bytes written";
}

} // namespace

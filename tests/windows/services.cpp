// The desktop's services behind the platform API: paths, the window probe, the timer, the media
// player and picture files, each against the real Win32 calls.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/dialogs.h"
#include "platform/graphics.h"
#include "platform/identity.h"
#include "platform/media.h"
#include "platform/paths.h"
#include "platform/testing.h"
#include "platform/timer.h"
#include "temp_folder.h"

#include "platform/win32/windows_api.h"
// The platform's functions bear the desktop's names.
#undef FindWindow
#undef GetWindowsDirectory

namespace {

// Dispatches messages as a message loop would until condition holds or timeoutMs passes.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left.count()), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

// A mono 8-bit PCM wav of a square wave: never silent.
std::string SquareWave(int sampleRate, int milliseconds) {
  const std::uint32_t samples = std::uint32_t(sampleRate) * std::uint32_t(milliseconds) / 1000;
  std::string data;
  for (std::uint32_t i = 0; i < samples; ++i)
    data += char((i / 20) % 2 ? 0x20 : 0xE0);
  const auto u32 = [](std::uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  };
  const auto u16 = [](unsigned v) { return std::string{char(v), char(v >> 8)}; };
  return "RIFF" + u32(36 + samples) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(sampleRate) +
         u32(sampleRate) + u16(1) + u16(8) + "data" + u32(samples) + data;
}

TEST(Paths, WindowsDirectoryFollowsTheWin32Contract) {
  wchar_t wide[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(wide, MAX_PATH);
  ASSERT_GT(length, 0u);
  char buffer[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectory(buffer, MAX_PATH), length);
  EXPECT_EQ(std::string(buffer).size(), length);
  EXPECT_EQ(GetWindowsDirectory(buffer, length), length + 1); // no room for the terminator
  EXPECT_EQ(platform::ExtractFileDrive(buffer), std::string(buffer, 2));
}

TEST(Paths, OnlyFilesExistAsFilesAndPathsAreNotMapped) {
  TempFolder folder;
  WriteWholeFile(folder.Path() / "a.jpg", "x");
  EXPECT_TRUE(FileExists(folder.Name("a.jpg")));
  EXPECT_TRUE(FileExists(folder.Name("A.JPG")));
  EXPECT_FALSE(FileExists(folder.Name("b.jpg")));
  EXPECT_FALSE(FileExists(folder.Name("")));
  EXPECT_FALSE(FileExists(folder.Name("missing\\a.jpg")));
  EXPECT_EQ(platform::HostPath(folder.Name("a.jpg")), folder.Path() / "a.jpg");
}

TEST(PictureFile, ReadsAPlainFileAndRefusesFoldersMissingAndSharedFiles) {
  TempFolder folder;
  WriteWholeFile(folder.Path() / "p.bmp", std::string("BM\0\1", 4));
  EXPECT_EQ(ReadPictureFile(folder.Name("p.bmp")), (std::vector<std::uint8_t>{'B', 'M', 0, 1}));
  EXPECT_THROW(ReadPictureFile(folder.Name("none.bmp")), EFOpenError);
  EXPECT_THROW(ReadPictureFile(folder.Name("")), EFOpenError);
  const HANDLE held = CreateFileW((folder.Path() / "p.bmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(ReadPictureFile(folder.Name("p.bmp")), EFOpenError);
  CloseHandle(held);
}

TEST(Identity, TheProbeFindsATopLevelWindowByClassAndCaptionOnly) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TForm1";
  RegisterClassW(&windowClass);
  EXPECT_FALSE(FindWindow("TForm1", "quilldorn"));
  const WindowIdentity identity("TForm1", "quilldorn");
  EXPECT_FALSE(FindWindow("TForm1", "quilldorn")); // the window itself is what counts
  const HWND window = CreateWindowExW(0, L"TForm1", L"quilldorn", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(FindWindow("TForm1", "quilldorn"));
  EXPECT_FALSE(FindWindow("TForm1", "quilldorn2"));
  EXPECT_FALSE(FindWindow("TForm2", "quilldorn"));
  DestroyWindow(window);
  EXPECT_FALSE(FindWindow("TForm1", "quilldorn"));
}

TEST(Timer, TicksComeThroughTheMessageQueueUntilDisabled) {
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(20);
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  EXPECT_EQ(ticks, 0); // never inside the call that started it
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  const int stopped = ticks;
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, stopped);
}

TEST(Timer, ASlowTickIsFollowedByOneTickNotABurst) {
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] {
    if (++ticks == 1)
      Sleep(600); // six periods fall due meanwhile
  };
  timer.SetInterval(100);
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, 2);
}

TEST(Timer, AnErrorInATickGoesToTheErrorBoxAndTheTimerGoesOn) {
  std::vector<std::string> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request.text);
    return 1;
  });
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] {
    if (++ticks == 1)
      throw std::runtime_error("tick failed");
  };
  timer.SetInterval(10);
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  platform_test::SetMessageBoxResponder(nullptr);
  EXPECT_EQ(boxes, std::vector<std::string>{"tick failed."});
}

class Player : public ::testing::Test {
protected:
  void SetUp() override { WriteWholeFile(folder.Path() / "tone.wav", SquareWave(8000, 300)); }
  TempFolder folder;
};

TEST_F(Player, PlaysAWavToItsEndAndNotifiesThroughTheQueue) {
  TMediaPlayer player;
  player.FileName = folder.Name("tone.wav");
  player.Open();
  EXPECT_TRUE(player.IsOpen());
  EXPECT_EQ(player.Mode(), TMPModes::mpStopped);
  int notified = 0;
  player.OnNotify = [&] { ++notified; };
  player.Play();
  EXPECT_EQ(player.Error(), 0) << player.ErrorText();
  EXPECT_EQ(notified, 0);
  EXPECT_EQ(player.Mode(), TMPModes::mpPlaying);
  ASSERT_TRUE(PumpUntil([&] { return notified > 0; }));
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(player.NotifyValue(), TMPNotifyValues::nvSuccessful);
  EXPECT_EQ(player.Mode(), TMPModes::mpStopped);
  player.Close();
  EXPECT_FALSE(player.IsOpen());
}

TEST_F(Player, StopSilencesAtOnceAndThePlaysNotificationSaysAborted) {
  TMediaPlayer player;
  player.FileName = folder.Name("tone.wav");
  player.Open();
  int notified = 0;
  player.OnNotify = [&] { ++notified; };
  player.Play();
  player.Stop();
  EXPECT_EQ(player.Mode(), TMPModes::mpStopped);
  EXPECT_EQ(notified, 0);
  PumpUntil([&] { return notified > 0; }, 1000);
  ASSERT_EQ(notified, 1);
  EXPECT_EQ(player.NotifyValue(), TMPNotifyValues::nvAborted);
}

TEST_F(Player, CommandsWithoutASoundAndUnplayableFilesRaiseTheDesktopsText) {
  TMediaPlayer player;
  EXPECT_EQ(player.Mode(), TMPModes::mpNotReady);
  try {
    player.Play();
    FAIL() << "no sound is open";
  } catch (const EMCIDeviceError& error) {
    EXPECT_STREQ(error.what(), "No MCI device open");
  }
  EXPECT_THROW(player.Stop(), EMCIDeviceError);
  player.FileName = folder.Name("missing.wav");
  try {
    player.Open();
    FAIL() << "the file is missing";
  } catch (const EMCIDeviceError& error) {
    EXPECT_GT(std::string(error.what()).size(), 0u);
    EXPECT_STRNE(error.what(), "Unknown error code");
  }
  EXPECT_FALSE(player.IsOpen());
}

// The desktop reports the end of the closed sound's play; the display stops whatever plays then.
TEST_F(Player, ClosingASoundThatPlaysEndsItsPlayAsAborted) {
  TMediaPlayer player;
  player.FileName = folder.Name("tone.wav");
  player.Open();
  int notified = 0;
  player.OnNotify = [&] { ++notified; };
  player.Play();
  player.Open(); // closes the playing sound first
  EXPECT_EQ(player.Mode(), TMPModes::mpStopped);
  PumpUntil([&] { return notified > 0; }, 1000);
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(player.NotifyValue(), TMPNotifyValues::nvAborted);
}

} // namespace

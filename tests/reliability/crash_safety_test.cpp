// A process killed in the middle of writing the settings file: whenever it dies, the file reads
// completely and every key holds its old or its new value.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/profile.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kIni = "C:\\WINDOWS\\quilmr20.ini";
constexpr int kKeys = 12;
constexpr int kKills = 200;

std::string Key(int k) {
  return "Key" + std::to_string(k);
}

// Sets every key to value, one write each, and reports each finished write with a byte on
// progress; then waits to be killed.
[[noreturn]] void WriteRound(int value, int progress) {
  for (int k = 1; k <= kKeys; ++k) {
    if (!WritePrivateProfileString("Crash", Key(k).c_str(), std::to_string(value).c_str(), kIni))
      ::_exit(2);
    const char done = 'w';
    if (::write(progress, &done, 1) != 1)
      ::_exit(3);
  }
  for (;;)
    ::pause();
}

// Reads up to count progress bytes, each within a bound; how many arrived.
int AwaitWrites(int progress, int count) {
  int seen = 0;
  pollfd readable{progress, POLLIN, 0};
  char byte = 0;
  while (seen<count&& ::poll(&readable, 1, 10000)> 0 && ::read(progress, &byte, 1) == 1)
    ++seen;
  return seen;
}

std::string ExpectedText(const std::vector<int>& values) {
  std::string text = "[Crash]\r\n";
  for (int k = 1; k <= kKeys; ++k)
    text += Key(k) + "=" + std::to_string(values[std::size_t(k)]) + "\r\n";
  return text;
}

} // namespace

TEST(CrashSafety, AWriterKilledAtRandomMomentsNeverLeavesATornFile) {
  TempRoot root;
  fs::create_directories(root.SettingsFile().parent_path());
  std::vector<int> values(kKeys + 1, 0);
  for (int k = 1; k <= kKeys; ++k)
    ASSERT_TRUE(WritePrivateProfileString("Crash", Key(k).c_str(), "0", kIni));
  ASSERT_EQ(ReadWholeFile(root.SettingsFile()), ExpectedText(values));

  std::mt19937 random(20240611);
  int killedInsideAWrite = 0;
  for (int round = 1; round <= kKills; ++round) {
    int progress[2];
    ASSERT_EQ(::pipe(progress), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(progress[0]);
      WriteRound(round, progress[1]);
    }
    ::close(progress[1]);
    // A random moment: after some of the writes, then a little into the next one.
    const int finished = AwaitWrites(progress[0], int(random() % kKeys));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed with " << WEXITSTATUS(status);
    ::close(progress[0]);

    SCOPED_TRACE("round " + std::to_string(round) + " after " + std::to_string(finished));
    // The keys written so far hold the new value, the rest their old one: a run of new values
    // then a run of old ones, in key order.
    bool stillNew = true;
    for (int k = 1; k <= kKeys; ++k) {
      char buffer[32];
      GetPrivateProfileString("Crash", Key(k).c_str(), "missing", buffer, sizeof buffer, kIni);
      const std::string value = buffer;
      const bool isNew = value == std::to_string(round);
      ASSERT_TRUE(isNew || value == std::to_string(values[std::size_t(k)]))
          << Key(k) << "=" << value;
      ASSERT_TRUE(stillNew || !isNew) << Key(k) << " written before the key ahead of it";
      ASSERT_TRUE(k > finished || isNew) << Key(k) << " reported written but lost";
      stillNew = isNew;
      values[std::size_t(k)] = std::stoi(value);
    }
    ASSERT_EQ(ReadWholeFile(root.SettingsFile()), ExpectedText(values));
    killedInsideAWrite += fs::exists(root.SettingsFile().string() + ".tmp") ? 1 : 0;
  }
  RecordProperty("killed_inside_a_write", killedInsideAWrite);
  // The next write clears what the killed one left.
  ASSERT_TRUE(WritePrivateProfileString("Crash", Key(1).c_str(), "last", kIni));
  EXPECT_FALSE(fs::exists(root.SettingsFile().string() + ".tmp"));
}

// The user's own copy of a profile whose file or folder refuses the user's writes, where the
// desktop keeps such writes of a program it virtualizes. scripts/test-windows runs these as a user
// without elevation, to whom the Windows folder is read-only; for a user whose writes are never
// refused (root under Wine) they are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>
// The platform's functions bear the desktop's names; its header maps those to its own A/W pair.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include "platform/profile.h"
#include "platform/win32/utf16_win32.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

fs::path WindowsFolder() {
  wchar_t folder[MAX_PATH];
  GetWindowsDirectoryW(folder, MAX_PATH);
  return fs::path(folder);
}

fs::path VirtualStore() {
  const char* local = std::getenv("LOCALAPPDATA");
  return local ? fs::path(local) / "VirtualStore" : fs::path();
}

// %LOCALAPPDATA%\VirtualStore\ followed by the path without its drive.
fs::path UserCopyOf(const std::string& windowsPath) {
  return VirtualStore() / fs::path(windowsPath).relative_path();
}

bool MayWrite(const fs::path& folder) {
  const fs::path probe = folder / "quillmor-probe.tmp";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(file);
  return true;
}

void MakeReadOnly(const fs::path& file) {
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
}

class UserCopy : public ::testing::Test {
protected:
  void SetUp() override {
    if (MayWrite(WindowsFolder()))
      GTEST_SKIP() << "this user may write the Windows folder: nothing is refused";
    storeExisted = fs::exists(VirtualStore());
  }
  void TearDown() override {
    std::error_code ec;
    for (const std::string& name : {machine, inWindows}) {
      SetFileAttributesW(UserCopyOf(name).c_str(), FILE_ATTRIBUTE_NORMAL);
      fs::remove(UserCopyOf(name), ec);
    }
    SetFileAttributesW(fs::path(machine).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!storeExisted)
      fs::remove_all(VirtualStore(), ec);
  }

  std::string Get(const std::string& file, const char* key) {
    std::vector<char> buffer(64);
    const unsigned n =
        GetPrivateProfileString("Options", key, "none", buffer.data(), 64, file.c_str());
    return std::string(buffer.data(), n);
  }
  bool Put(const std::string& file, const char* key, const char* value) {
    return WritePrivateProfileString("Options", key, value, file.c_str());
  }

  TempFolder folder;
  // A machine-wide file the user may read but not change.
  const std::string machine = folder.Name("quilmr20.ini");
  const std::string inWindows = platform::win32::Utf8FromWide(
      (WindowsFolder() / ("quillmor-test-" + std::to_string(GetCurrentProcessId()) + ".ini"))
          .wstring());
  bool storeExisted = true;
};

TEST_F(UserCopy, AMachineWideFileIsReadUntilTheFirstChangeWhichStartsTheUsersCopyFromIt) {
  const std::string content = "[Options]\r\nPicdis=1\r\n";
  WriteWholeFile(fs::path(machine), content);
  MakeReadOnly(machine);
  EXPECT_EQ(Get(machine, "Picdis"), "1");
  EXPECT_FALSE(fs::exists(UserCopyOf(machine)));

  ASSERT_TRUE(Put(machine, "Time", "2"));
  ASSERT_TRUE(Put(machine, "Picdis", "3"));
  EXPECT_EQ(ReadWholeFile(machine), content) << "the machine-wide file changed";
  EXPECT_EQ(ReadWholeFile(UserCopyOf(machine)), "[Options]\r\nPicdis=3\r\nTime=2\r\n");
  EXPECT_EQ(Get(machine, "Picdis"), "3");
  EXPECT_EQ(Get(machine, "Time"), "2");
  EXPECT_TRUE(ProfileFileExists(machine.c_str()));
}

TEST_F(UserCopy, ANewFileInTheWindowsFolderIsTheUsersCopyAlone) {
  EXPECT_FALSE(ProfileFileExists(inWindows.c_str()));
  ASSERT_TRUE(Put(inWindows, "Sound", "0"));
  EXPECT_FALSE(fs::exists(fs::path(inWindows)));
  EXPECT_EQ(ReadWholeFile(UserCopyOf(inWindows)), "[Options]\r\nSound=0\r\n");
  EXPECT_TRUE(ProfileFileExists(inWindows.c_str()));
  EXPECT_EQ(Get(inWindows, "Sound"), "0");
}

TEST_F(UserCopy, WhenTheUsersCopyRefusesTooTheWriteFailsAndNothingChanges) {
  ASSERT_TRUE(Put(inWindows, "Sound", "0"));
  MakeReadOnly(UserCopyOf(inWindows));
  EXPECT_FALSE(Put(inWindows, "Sound", "1"));
  EXPECT_EQ(ReadWholeFile(UserCopyOf(inWindows)), "[Options]\r\nSound=0\r\n");
  EXPECT_FALSE(fs::exists(fs::path(inWindows)));
}

TEST_F(UserCopy, AFolderThatTakesTheWriteGetsItAndNoCopyIsMade) {
  const std::string writable = folder.Name("own.ini");
  ASSERT_TRUE(Put(writable, "Sound", "1"));
  EXPECT_EQ(ReadWholeFile(fs::path(writable)), "[Options]\r\nSound=1\r\n");
  EXPECT_FALSE(fs::exists(UserCopyOf(writable)));
}

} // namespace

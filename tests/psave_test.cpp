#include <gtest/gtest.h>

#include "program.h"
#include "psave.h"
#include "support/temp_root.h"

TEST(ModeSelection, SlashSExactlyStartsTheDisplay) {
  EXPECT_EQ(ModeForArgument("/s"), StartMode::Display);
  EXPECT_EQ(ModeForArgument("/S"), StartMode::Display);
  EXPECT_EQ(ModeForArgument("/S "), StartMode::None);
  EXPECT_EQ(ModeForArgument("/s:1"), StartMode::None);
  EXPECT_EQ(ModeForArgument("/S1234"), StartMode::None);
}

TEST(ModeSelection, SlashCAsAPrefixOpensTheSettings) {
  for (const char* argument : {"/c", "/C", "/c:1234", "/C:5678", "/Cfoo", "/c "})
    EXPECT_EQ(ModeForArgument(argument), StartMode::Settings) << argument;
}

TEST(ModeSelection, EverythingElseEndsAtOnce) {
  for (const char* argument :
       {"", "/", "/p", "/P", "/a", "/A", "s", "c", "-s", "-c", " /c", "\"/S\"", "/\xE7", "\xFF/C"})
    EXPECT_EQ(ModeForArgument(argument), StartMode::None) << argument;
}

TEST(ModeSelection, OnlyTheLettersAToZAreUpperCased) {
  // A non-ASCII byte that some code pages upper-case to 'C' or 'S' must not select a mode.
  EXPECT_EQ(ModeForArgument("/\xE7"), StartMode::None);
  EXPECT_EQ(ModeForArgument("/\xF3"), StartMode::None);
}

TEST(WindowsDirLookup, FallsBackWhenThePlatformReportsNothingAndCreatesTheFolder) {
  namespace fs = std::filesystem;
  TempRoot root;
  root.Env().Set("QUILLMOR_WINDOWS_DIR", "");
  EXPECT_EQ(LookUpWindowsDir(), "c:\\windows");
  EXPECT_TRUE(fs::is_directory(root.DriveC() / "windows"));
  root.Env().Set("QUILLMOR_WINDOWS_DIR", "D:\\WINNT");
  EXPECT_EQ(LookUpWindowsDir(), "D:\\WINNT");
  EXPECT_TRUE(fs::is_directory(root.Path() / "drive_d" / "WINNT"));
  root.Env().Unset("QUILLMOR_WINDOWS_DIR");
  EXPECT_EQ(LookUpWindowsDir(), "C:\\WINDOWS");
}

TEST(WindowsDirLookup, ADirectoryLongerThanTheStatedCapacityIsReadWhole) {
  TempRoot root;
  for (size_t length : {199u, 200u, 255u, 256u, 5000u}) {
    const std::string directory = "C:\\" + std::string(length - 3, 'w');
    root.Env().Set("QUILLMOR_WINDOWS_DIR", directory);
    EXPECT_EQ(LookUpWindowsDir(), directory) << length;
  }
}

TEST(DriveOf, LetterAndColonOrServerAndShare) {
  EXPECT_EQ(DriveOf("C:\\WINDOWS"), "C:");
  EXPECT_EQ(DriveOf("D:\\WINNT"), "D:");
  EXPECT_EQ(DriveOf("\\\\server\\share\\WINDOWS"), "\\\\server\\share");
}

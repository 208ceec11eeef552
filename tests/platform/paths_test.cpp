#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;

TEST(Paths, DriveLetterMapsToItsFolderAndMatchesComponentsWithoutCase) {
  TempRoot root;
  fs::create_directories(root.DriveC() / "Tavrin" / "Quillmor");
  WriteWholeFile(root.DriveC() / "Tavrin" / "Quillmor" / "Fox1.JPG", "x");
  EXPECT_EQ(platform::HostPath("c:\\TAVRIN\\quillmor\\fox1.jpg"),
            root.DriveC() / "Tavrin" / "Quillmor" / "Fox1.JPG");
  EXPECT_EQ(platform::HostPath("D:\\New\\File.txt"), root.Path() / "drive_d" / "New" / "File.txt");
  EXPECT_TRUE(fs::is_directory(root.Path() / "drive_d"));
}

TEST(Paths, UncAndNativePaths) {
  TempRoot root;
  EXPECT_EQ(platform::HostPath("\\\\Server\\Share\\dir\\a.ini"),
            root.Path() / "unc" / "Server" / "Share" / "dir" / "a.ini");
  EXPECT_TRUE(fs::is_directory(root.Path() / "unc" / "Server" / "Share"));
  EXPECT_EQ(platform::HostPath("/home/someone/a.wav"), fs::path("/home/someone/a.wav"));
}

TEST(Paths, NewDriveCIsSeededFromTheSkeletonAndAnExistingOneIsLeftAlone) {
  TempRoot root;
  const fs::path skeleton = root.Path() / "skeleton";
  WriteWholeFile(skeleton / "Tavrin" / "Quillmor" / "fox1.jpg", "picture");
  root.Env().Set("QUILLMOR_SKELETON", skeleton.string());
  EXPECT_TRUE(FileExists("C:\\Tavrin\\Quillmor\\fox1.jpg"));
  fs::remove(root.DriveC() / "Tavrin" / "Quillmor" / "fox1.jpg");
  EXPECT_FALSE(FileExists("C:\\Tavrin\\Quillmor\\fox1.jpg"));
}

TEST(Paths, FileExistsMeansARegularFile) {
  TempRoot root;
  fs::create_directories(root.DriveC() / "folder.jpg");
  WriteWholeFile(root.DriveC() / "file.jpg", "");
  fs::create_symlink("/dev/zero", root.DriveC() / "zero.jpg");
  EXPECT_TRUE(FileExists("C:\\FILE.JPG"));
  EXPECT_FALSE(FileExists("C:\\folder.jpg"));
  EXPECT_FALSE(FileExists("C:\\zero.jpg"));
  EXPECT_FALSE(FileExists("C:\\missing.jpg"));
}

TEST(Paths, ExtractFileDrive) {
  EXPECT_EQ(platform::ExtractFileDrive("C:\\WINDOWS"), "C:");
  EXPECT_EQ(platform::ExtractFileDrive("d:"), "d:");
  EXPECT_EQ(platform::ExtractFileDrive("\\\\server\\share\\windows"), "\\\\server\\share");
  EXPECT_EQ(platform::ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(platform::ExtractFileDrive("\\WINDOWS"), "");
  EXPECT_EQ(platform::ExtractFileDrive(""), "");
}

TEST(WindowsDirectory, ReportsTheConfiguredDirectoryAndCreatesNothing) {
  TempRoot root;
  char buffer[256];
  EXPECT_EQ(GetWindowsDirectory(buffer, 200), 10u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");

  root.Env().Set("QUILLMOR_WINDOWS_DIR", "D:\\WINNT");
  EXPECT_EQ(GetWindowsDirectory(buffer, 200), 8u);
  EXPECT_STREQ(buffer, "D:\\WINNT");

  root.Env().Set("QUILLMOR_WINDOWS_DIR", "");
  EXPECT_EQ(GetWindowsDirectory(buffer, 200), 0u);
  EXPECT_TRUE(fs::is_empty(root.Path()));
}

TEST(WindowsDirectory, TooSmallABufferIsNeverWrittenBeyondItsCapacity) {
  TempRoot root;
  root.Env().Set("QUILLMOR_WINDOWS_DIR", "C:\\" + std::string(300, 'w'));
  char buffer[8] = "keep";
  EXPECT_EQ(GetWindowsDirectory(buffer, sizeof buffer), 304u);
  EXPECT_STREQ(buffer, "keep");
}

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/controls.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "support/temp_root.h"
#include "usave1.h"

namespace {

// Creates every catalogue file below drive C:, except the entries listed.
void InstallCatalogue(const TempRoot& root, std::initializer_list<int> missing = {}) {
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    if (std::find(missing.begin(), missing.end(), k) != missing.end())
      continue;
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteWholeFile(root.DriveC() / "Tavrin" / "Quillmor" / name, "x");
  }
}

SYSTEMTIME At(int hour, int minute, int second, int ms) {
  SYSTEMTIME time;
  time.wHour = hour;
  time.wMinute = minute;
  time.wSecond = second;
  time.wMilliseconds = ms;
  return time;
}

struct ClockOverride {
  explicit ClockOverride(SYSTEMTIME time) { platform_test::SetSystemTime(time); }
  ~ClockOverride() { platform_test::SetSystemTime(std::nullopt); }
};

} // namespace

TEST(Catalogue, EntriesLieOnTheDriveOfTheWindowsDirectory) {
  BuildPictureCatalogue("D:\\WINNT");
  EXPECT_EQ(PictureFolder, "D:\\Tavrin\\Quillmor\\");
  EXPECT_EQ(PictureCatalogue[1], "D:\\Tavrin\\Quillmor\\griztand.jpg");
  EXPECT_EQ(PictureCatalogue[23], "D:\\Tavrin\\Quillmor\\juvinile.jpg");
  EXPECT_EQ(PictureCatalogue[38], "D:\\Tavrin\\Quillmor\\elkrak1.jpg");
}

TEST(Catalogue, ALongNetworkShareCutsEntriesToAHundredCharacters) {
  const std::string share = "\\\\server\\" + std::string(70, 's'); // 79 characters
  BuildPictureCatalogue(share + "\\WINDOWS");
  EXPECT_EQ(PictureFolder, share + "\\Tavrin\\Quillmor\\");
  for (int k = 1; k <= kCatalogueSize; ++k)
    EXPECT_LE(PictureCatalogue[k].size(), 100u);
  EXPECT_EQ(PictureCatalogue[6], (share + "\\Tavrin\\Quillmor\\buffcros.jpg").substr(0, 100));
  EXPECT_EQ(PictureCatalogue[6].size(), 100u);
}

TEST(Catalogue, ALongShareIsCheckedAndReportedByItsCutPaths) {
  TempRoot root;
  const std::string share = "\\\\server\\" + std::string(70, 's');
  root.Env().Set("QUILLMOR_WINDOWS_DIR", share + "\\WINDOWS");
  BuildPictureCatalogue(share + "\\WINDOWS");
  // Only the cut name of entry 6 exists: the check finds it and reports nothing for it.
  const auto folder = root.Path() / "unc" / "server" / std::string(70, 's') / "Tavrin" / "Quillmor";
  for (int k = 1; k <= kCatalogueSize; ++k)
    WriteWholeFile(folder / PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1), "x");
  TForm1 form;
  form.CheckActivePictures();
  EXPECT_EQ(ActivePictureCount, 38);
  std::filesystem::remove(folder /
                          PictureCatalogue[38].substr(PictureCatalogue[38].rfind('\\') + 1));
  form.CheckActivePictures();
  EXPECT_EQ(ActivePictureCount, 0);
  EXPECT_EQ(form.lblinfo->Caption(), MissingPictureMessage(PictureCatalogue[38]));
}

TEST(StartUpCheck, AllPresentGivesTheWholeCatalogueAndNoMessage) {
  TempRoot root;
  InstallCatalogue(root);
  TForm1 form;
  form.CheckActivePictures();
  EXPECT_EQ(ActivePictureCount, 38);
  EXPECT_TRUE(form.lblinfo->Caption().empty());
}

TEST(StartUpCheck, TheHighestMissingEntryIsNamed) {
  TempRoot root;
  InstallCatalogue(root, {3, 6});
  TForm1 form;
  form.CheckActivePictures();
  EXPECT_EQ(ActivePictureCount, 0);
  EXPECT_EQ(form.lblinfo->Caption(),
            "File C:\\Tavrin\\Quillmor\\buffcros.jpg no longer exists on your system!  It appears "
            "you have removed it. Please replace this picture to continue.");
}

TEST(StartUpCheck, AFolderNamedLikeAPictureCountsAsMissing) {
  TempRoot root;
  InstallCatalogue(root, {12});
  std::filesystem::create_directories(root.DriveC() / "Tavrin" / "Quillmor" / "grizwalk.jpg");
  TForm1 form;
  form.CheckActivePictures();
  EXPECT_EQ(ActivePictureCount, 0);
  EXPECT_NE(form.lblinfo->Caption().find("grizwalk.jpg"), std::string::npos);
}

TEST(Random, MidnightGivesEntryOne) {
  ClockOverride midnight(At(0, 0, 0, 0));
  ReseedFromClock();
  EXPECT_EQ(RandomSeed, 0u);
  EXPECT_EQ(RandomBelow(38), 0);
  EXPECT_EQ(RandomSeed, 1u);
}

TEST(Random, SeedIsTheMillisecondOfTheDayAndTwoDrawsInOneMillisecondAgree) {
  ClockOverride late(At(23, 59, 59, 999));
  ReseedFromClock();
  EXPECT_EQ(RandomSeed, 86399999u);
  const int first = RandomBelow(38);
  ReseedFromClock();
  EXPECT_EQ(RandomBelow(38), first);
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 38);
}

TEST(Random, DrawsSpreadOverTheWholeRange) {
  std::vector<int> seen(38, 0);
  for (int ms = 0; ms < 20000; ms += 7) {
    ClockOverride at(At(ms / 3600000, 0, (ms / 1000) % 60, ms % 1000));
    ReseedFromClock();
    ++seen[std::size_t(RandomBelow(38))];
  }
  for (int count : seen)
    EXPECT_GT(count, 0);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/profile_io.h"
#include "platform/posix/profile_lock.h"
#include "platform/profile.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr const char* kIni = "C:\\WINDOWS\\quilmr20.ini";

std::string Get(const char* section, const char* key, const char* defaultValue = "",
                unsigned size = 1024) {
  std::vector<char> buffer(size + 1, '#');
  const unsigned n = GetPrivateProfileString(section, key, defaultValue, buffer.data(), size, kIni);
  EXPECT_EQ(std::string(buffer.data()).size(), n);
  return std::string(buffer.data(), n);
}

bool Put(const char* section, const char* key, const char* value) {
  return WritePrivateProfileString(section, key, value, kIni);
}

// A settings file with the given content, its folder created.
class ProfileFile : public ::testing::Test {
protected:
  void SetUp() override { fs::create_directories(root.DriveC() / "WINDOWS"); }
  void Store(const std::string& content) { WriteWholeFile(root.SettingsFile(), content); }
  std::string Content() const { return ReadWholeFile(root.SettingsFile()); }
  bool TempLeft() const {
    for (const auto& entry : fs::directory_iterator(root.SettingsFile().parent_path()))
      if (entry.path().filename().string().find(".tmp") != std::string::npos)
        return true;
    return false;
  }

  fs::path Folder() const { return root.SettingsFile().parent_path(); }
  // The names in the settings file's folder.
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  void TearDown() override {
    profile_io::FailNthOperation(0, 0);
    profile_io::RefuseNewFilesIn("");
  }

  TempRoot root;
};

const std::vector<std::string> kOnlyTheFile = {"quilmr20.ini"};

// True when after is before with one run of bytes inserted somewhere.
bool OnlyInserted(const std::string& before, const std::string& after) {
  if (after.size() < before.size())
    return false;
  std::size_t same = 0;
  while (same < before.size() && before[same] == after[same])
    ++same;
  return after.compare(after.size() - (before.size() - same), std::string::npos, before, same) == 0;
}

using ProfileRead = ProfileFile;
using ProfileWrite = ProfileFile;
using ProfileWriteFailure = ProfileFile;
using ProfileBadInput = ProfileFile;

} // namespace

TEST_F(ProfileRead, NamesMatchWithoutCaseAndBlanksAroundNamesAndValuesAreTrimmed) {
  Store("[ oPtIoNs\v]\r\n \t\vsOuNd \t=\t\v 1 x \t\v\r\n");
  EXPECT_EQ(Get("Options", "Sound"), "1 x");
  EXPECT_EQ(Get("OPTIONS", "SOUND"), "1 x");
  EXPECT_EQ(Get("  options ", " sound  "), "1 x");
  EXPECT_EQ(Get("Options", "Soun", "d"), "d");
}

TEST_F(ProfileRead, ACallersNamesAndDefaultLoseOnlyTheirSpaces) {
  Store("[Options]\r\nSound=1\r\n[\tTabbed]\r\nk=2\r\n");
  EXPECT_EQ(Get("Options\t", "Sound", "d"), "d");
  EXPECT_EQ(Get("Options", "\tSound", "d"), "d");
  EXPECT_EQ(Get("Options", "Sound\v", "d"), "d");
  // The file's own tab is trimmed, so only the plain name finds that section.
  EXPECT_EQ(Get("Tabbed", "k"), "2");
  EXPECT_EQ(Get("\tTabbed", "k", "d"), "d");
  EXPECT_EQ(Get("Options", "missing", "x\t "), "x\t");
  EXPECT_EQ(Get("Options", "missing", "\t"), "\t");
}

TEST_F(ProfileRead, AHeaderWithoutItsBracketOpensTheSectionNamedByTheRestOfTheLine) {
  Store("[Options   \r\nSound=1\r\n[ WavConfig \t\r\nName1=a.wav\r\n[Other]\r\nk=3\r\n");
  EXPECT_EQ(Get("Options", "Sound"), "1");
  EXPECT_EQ(Get("WavConfig", "Name1"), "a.wav");
  EXPECT_EQ(Get("Other", "k"), "3");
}

TEST_F(ProfileRead, KeysAmongThousandsOfLinesLikeThemAreFoundWhateverTheLineEnds) {
  for (const std::string eol : {"\r", "\n", "\r\n"}) {
    std::string text = "[Other]" + eol + "Name1=wrong" + eol + "[WavConfig]" + eol;
    for (int i = 0; i < 3000; ++i)
      text += (i % 3 ? "Na=" : "nAme = ") + std::to_string(i) + eol;
    text += " \t\vNAME1 \v= found" + eol + ";Name2=comment" + eol + "N=n" + eol + "Name2=x" + eol +
            "[Next" + eol + "Name3=y";
    Store(text);
    EXPECT_EQ(Get("WavConfig", "Name1"), "found");
    EXPECT_EQ(Get("WavConfig", "Name2"), "x");
    EXPECT_EQ(Get("WavConfig", "Na"), "1");
    EXPECT_EQ(Get("WavConfig", "nAmE"), "0");
    EXPECT_EQ(Get("WavConfig", "N"), "n");
    EXPECT_EQ(Get("WavConfig", "Name3", "d"), "d");
    EXPECT_EQ(Get("Next", "name3"), "y");
  }
}

TEST_F(ProfileRead, OneMatchingPairOfQuotesIsRemoved) {
  Store("[S]\na=\"x y\"\nb= 'q' \nc=\"z'\nd=\"\"w\"\"\ne=\"\nf=''\n");
  EXPECT_EQ(Get("S", "a"), "x y");
  EXPECT_EQ(Get("S", "b"), "q");
  EXPECT_EQ(Get("S", "c"), "\"z'");
  EXPECT_EQ(Get("S", "d"), "\"w\"");
  EXPECT_EQ(Get("S", "e"), "\"");
  EXPECT_EQ(Get("S", "f"), "");
}

TEST_F(ProfileRead, DefaultLosesTrailingBlanks) {
  Store("[S]\na=1\n");
  EXPECT_EQ(Get("S", "missing", " "), "");
  EXPECT_EQ(Get("S", "missing", " x \t "), " x \t");
  EXPECT_EQ(Get("Missing", "a", "dflt"), "dflt");
  EXPECT_EQ(GetPrivateProfileString("S", "missing", nullptr, std::vector<char>(4).data(), 4, kIni),
            0u);
}

TEST_F(ProfileRead, LongValueIsCutToTheBufferAndSizeZeroWritesNothing) {
  Store("[S]\na=abcdef\n");
  EXPECT_EQ(Get("S", "a", "", 4), "abc");
  EXPECT_EQ(Get("S", "a", "", 7), "abcdef");
  EXPECT_EQ(Get("S", "missing", "12345", 3), "12");
  char untouched = '#';
  EXPECT_EQ(GetPrivateProfileString("S", "a", "", &untouched, 0, kIni), 0u);
  EXPECT_EQ(untouched, '#');
}

TEST_F(ProfileRead, FirstDuplicateKeyAndFirstDuplicateSectionWin) {
  Store("[S]\na=1\nA=2\n[T]\nb=3\n[s]\na=4\nc=5\n");
  EXPECT_EQ(Get("S", "a"), "1");
  EXPECT_EQ(Get("S", "c", "none"), "none");
  EXPECT_EQ(Get("T", "b"), "3");
}

TEST_F(ProfileRead, CrLfAndCrLfLineEndsReadAlike) {
  for (const std::string eol : {"\r", "\n", "\r\n"}) {
    Store("[S]" + eol + "a=1" + eol + eol + "b=2" + eol + "[T]" + eol + "c=3");
    EXPECT_EQ(Get("S", "a"), "1");
    EXPECT_EQ(Get("S", "b"), "2");
    EXPECT_EQ(Get("T", "c"), "3");
  }
}

TEST_F(ProfileRead, MissingOrUnreadableFileReadsAsEmpty) {
  EXPECT_EQ(Get("S", "a", "d"), "d");
  fs::create_directories(root.SettingsFile()); // a folder where the file should be
  EXPECT_EQ(Get("S", "a", "d"), "d");
}

TEST_F(ProfileRead, CommentsLinesWithoutEqualsAndKeysOutsideSectionsAreNotKeys) {
  Store("a=0\n[S]\n ;a=1\n;b=2\nb\nc=3\n");
  EXPECT_EQ(Get("S", "a", "d"), "d");
  EXPECT_EQ(Get("S", "b", "d"), "d");
  EXPECT_EQ(Get("S", "c"), "3");
  EXPECT_EQ(Get("", "a", "d"), "d");
}

TEST_F(ProfileWrite, ExistingKeyKeepsItsPlaceAndCaseAndOnlyItsValueChanges) {
  Store("; head\r\n[Options]\r\n  SOUND =  1  \r\nColor=2\r\n");
  ASSERT_TRUE(Put("options", "sound", "0"));
  EXPECT_EQ(Content(), "; head\r\n[Options]\r\n  SOUND =0\r\nColor=2\r\n");
  EXPECT_EQ(Get("Options", "Sound"), "0");
}

TEST_F(ProfileWrite, NewKeyFollowsTheLastKeyLineOfItsSection) {
  Store("[A]\nx=1\nnotakey\n\n; note\n[B]\ny=2\n");
  ASSERT_TRUE(Put("A", "z", "3"));
  EXPECT_EQ(Content(), "[A]\nx=1\nz=3\r\nnotakey\n\n; note\n[B]\ny=2\n");
  Store("[A]\n\n[B]\n");
  ASSERT_TRUE(Put("a", "k", "v"));
  EXPECT_EQ(Content(), "[A]\nk=v\r\n\n[B]\n");
  Store("[A]\r\nx=1"); // no line end at the end of the file
  ASSERT_TRUE(Put("A", "y", "2"));
  EXPECT_EQ(Content(), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(ProfileWrite, NewSectionGoesAtTheEndWithoutABlankLine) {
  Store("[A]\r\nx=1\r\n");
  ASSERT_TRUE(Put("B", "y", "2"));
  EXPECT_EQ(Content(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  Store("[A]\r\nx=1");
  ASSERT_TRUE(Put("B", "y", "2"));
  EXPECT_EQ(Content(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(Put(" C ", " z ", "3"));
  ASSERT_TRUE(Put("c", "z", "4"));
  EXPECT_EQ(Content(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\nz=4\r\n");
}

TEST_F(ProfileWrite, UnrelatedBytesAreKeptExactly) {
  const std::string head = "\xEF\xBB\xBF;\x01\xFF odd\n\0zz\r\r\n"s + "[A]\r\n";
  const std::string tail = "junk line\n[B]\t\n  q = \"quoted\" \r;\0\n"s;
  Store(head + "k=old\r\n" + tail);
  ASSERT_TRUE(Put("A", "k", "new"));
  EXPECT_EQ(Content(), head + "k=new\r\n" + tail);
}

TEST_F(ProfileWrite, DefaultsInAMissingFileGiveTheExpectedShape) {
  const std::pair<const char*, const char*> options[] = {
      {"Sound", "0"}, {"Color", "2"}, {"Picdis", "3"}, {"Time", "1"}};
  std::string expected = "[Options]\r\n";
  for (const auto& [key, value] : options) {
    ASSERT_TRUE(Put("Options", key, value));
    expected += std::string(key) + "=" + value + "\r\n";
  }
  expected += "[WavConfig]\r\n";
  for (int n = 1; n <= 100; ++n) {
    const std::string key = "Name" + std::to_string(n);
    ASSERT_TRUE(Put("WavConfig", key.c_str(), "Null"));
    expected += key + "=Null\r\n";
  }
  EXPECT_EQ(Content(), expected);
  EXPECT_FALSE(TempLeft());
}

TEST_F(ProfileWrite, WrittenValuesReadBackAndAStaleTempFileIsReplaced) {
  WriteWholeFile(root.SettingsFile().string() + ".tmp", "left by a crash");
  ASSERT_TRUE(Put("WavConfig", "Name1", "C:\\Sounds\\a b.wav"));
  EXPECT_EQ(Get("WavConfig", "Name1"), "C:\\Sounds\\a b.wav");
  EXPECT_FALSE(TempLeft());
}

TEST_F(ProfileWrite, KeepsPermissionsAndAnEmptyValueAndANullValueRemovesTheKey) {
  Store("[S]\na=1\nb=2\n");
  fs::permissions(root.SettingsFile(), fs::perms(0640));
  ASSERT_TRUE(Put("S", "a", ""));
  EXPECT_EQ(fs::status(root.SettingsFile()).permissions(), fs::perms(0640));
  EXPECT_EQ(Get("S", "a", "d"), "");
  ASSERT_TRUE(Put("S", "a", nullptr));
  EXPECT_EQ(Content(), "[S]\nb=2\n");
}

TEST_F(ProfileWrite, AHeaderWithoutItsBracketTakesNewKeysAndGetsNoTwin) {
  Store("[Options   \r\nSound=1\r\n");
  ASSERT_TRUE(Put("Options", "Time", "2"));
  ASSERT_TRUE(Put("options", "Sound", "0"));
  EXPECT_EQ(Content(), "[Options   \r\nSound=0\r\nTime=2\r\n");
}

TEST_F(ProfileWrite, ACallersTabStaysPartOfTheNamesItWrites) {
  ASSERT_TRUE(Put(" \tS ", " k\t ", "v"));
  EXPECT_EQ(Content(), "[\tS]\r\nk\t=v\r\n");
  // Read back from the file, the tabs are blanks: the plain names find the key, the tabbed ones
  // do not, and writing with them again adds a section of their own.
  EXPECT_EQ(Get("S", "k"), "v");
  EXPECT_EQ(Get("\tS", "k\t", "d"), "d");
  ASSERT_TRUE(Put("\tS", "k\t", "w"));
  EXPECT_EQ(Content(), "[\tS]\r\nk\t=v\r\n[\tS]\r\nk\t=w\r\n");
  ASSERT_TRUE(Put("S", "k", "x"));
  EXPECT_EQ(Content(), "[\tS]\r\nk\t=x\r\n[\tS]\r\nk\t=w\r\n");
}

TEST_F(ProfileWrite, NothingButTheFileStaysBesideItAndNoLockLasts) {
  ASSERT_TRUE(Put("S", "a", "1"));
  ASSERT_TRUE(Put("S", "a", nullptr));
  EXPECT_EQ(FolderNames(), kOnlyTheFile);
  const std::optional<std::string> lock = ProfileLockPath(root.SettingsFile().string());
  ASSERT_TRUE(lock);
  EXPECT_FALSE(fs::exists(*lock));
  const fs::path lockFolder = fs::path(*lock).parent_path();
  EXPECT_EQ(fs::status(lockFolder).permissions(), fs::perms::owner_all);
}

TEST_F(ProfileWrite, EveryWriterOfAFileMeetsTheSameLockWhateverItsEnvironment) {
  const std::optional<std::string> fromTheSession = ProfileLockPath(root.SettingsFile().string());
  root.Env().Set("XDG_RUNTIME_DIR", (root.Path() / "elsewhere").string());
  root.Env().Set("TMPDIR", (root.Path() / "elsewhere").string());
  EXPECT_EQ(ProfileLockPath(root.SettingsFile().string()), fromTheSession);
}

TEST_F(ProfileWrite, AFolderThatRefusesNewFilesGetsTheFileRewrittenInPlace) {
  Store("[S]\na=1\n");
  struct stat before {};
  ASSERT_EQ(::stat(root.SettingsFile().c_str(), &before), 0);
  profile_io::RefuseNewFilesIn(Folder().string());
  ASSERT_TRUE(Put("S", "a", "22"));
  ASSERT_TRUE(Put("S", "b", "2"));
  EXPECT_EQ(Content(), "[S]\na=22\r\nb=2\r\n");
  ASSERT_TRUE(Put("S", "a", nullptr));
  EXPECT_EQ(Content(), "[S]\nb=2\r\n");
  struct stat after {};
  ASSERT_EQ(::stat(root.SettingsFile().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  // A file that is not there cannot be made there.
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", "C:\\WINDOWS\\other.ini"));
  EXPECT_EQ(FolderNames(), kOnlyTheFile);
}

TEST_F(ProfileWrite, AReadOnlyFolderWithAWritableFileIsWrittenInPlace) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "permission bits do not stop the superuser; the refusing folder stands in";
  Store("[S]\na=1\n");
  fs::permissions(Folder(), fs::perms(0555));
  EXPECT_TRUE(Put("S", "a", "2"));
  fs::permissions(Folder(), fs::perms(0755));
  EXPECT_EQ(Content(), "[S]\na=2\r\n");
  EXPECT_EQ(FolderNames(), kOnlyTheFile);
}

TEST_F(ProfileWriteFailure, AnInPlaceWriteFailingAnywhereLeavesTheOldFile) {
  const std::string before = "[S]\r\na=1\r\n" + std::string(100, 'x') + "\r\n";
  profile_io::RefuseNewFilesIn(Folder().string());
  // A longer text and a shorter one: the file grows or is cut short.
  for (const char* value : {"a much longer value than before", static_cast<const char*>(nullptr)}) {
    Store(before);
    profile_io::FailNthOperation(0, 0);
    ASSERT_TRUE(Put("S", "a", value));
    const unsigned operations = profile_io::OperationCount();
    for (unsigned n = 1; n <= operations; ++n) {
      SCOPED_TRACE("operation " + std::to_string(n));
      Store(before);
      profile_io::FailNthOperation(n, EIO);
      EXPECT_FALSE(Put("S", "a", value));
      profile_io::FailNthOperation(0, 0);
      EXPECT_EQ(Content(), before);
      EXPECT_EQ(FolderNames(), kOnlyTheFile);
    }
  }
}

TEST_F(ProfileWriteFailure, MissingFolderFails) {
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", "C:\\NoSuchFolder\\x.ini"));
  EXPECT_FALSE(fs::exists(root.DriveC() / "NoSuchFolder"));
}

TEST_F(ProfileWriteFailure, ReadOnlyFileFailsAndStaysAsItWas) {
  Store("[S]\na=1\n");
  fs::permissions(root.SettingsFile(), fs::perms(0444));
  EXPECT_FALSE(Put("S", "a", "2"));
  EXPECT_FALSE(Put("S", "b", "2"));
  EXPECT_EQ(Content(), "[S]\na=1\n");
  EXPECT_FALSE(TempLeft());
}

TEST_F(ProfileWriteFailure, EveryFailingOperationLeavesTheOldFileAndNoTempFile) {
  for (const bool exists : {true, false}) {
    const std::string before = "[Options]\r\nSound=1\r\n;x\n[WavConfig]\nName1=Null";
    for (const int error : {ENOSPC, EIO, EACCES}) {
      if (exists)
        Store(before);
      profile_io::FailNthOperation(0, 0);
      ASSERT_TRUE(Put("WavConfig", "Name2", "b.wav"));
      const unsigned operations = profile_io::OperationCount();
      const std::string after = Content();
      ASSERT_GE(operations, 5u);
      int inPlace = 0;
      for (unsigned n = 1; n <= operations; ++n) {
        SCOPED_TRACE("exists " + std::to_string(exists) + " error " + std::to_string(error) +
                     " operation " + std::to_string(n));
        if (exists)
          Store(before);
        else
          fs::remove(root.SettingsFile());
        profile_io::FailNthOperation(n, error);
        const bool written = Put("WavConfig", "Name2", "b.wav");
        profile_io::FailNthOperation(0, 0);
        EXPECT_EQ(fs::exists(root.SettingsFile()), exists);
        if (written) {
          // Only a refused temporary file beside an existing file: written in place instead.
          ++inPlace;
          EXPECT_EQ(Content(), after);
        } else if (exists) {
          EXPECT_EQ(Content(), before);
        }
        EXPECT_FALSE(TempLeft());
      }
      EXPECT_EQ(inPlace, exists && error == EACCES ? 1 : 0);
      ASSERT_TRUE(Put("WavConfig", "Name2", "b.wav"));
      EXPECT_EQ(Content(), after);
      fs::remove(root.SettingsFile());
    }
  }
}

TEST_F(ProfileWrite, TwoProcessesWritingAtOnceLoseNoKey) {
  constexpr int kKeys = 200;
  // One of them through a linked folder: the lock belongs to the file, not to the path.
  fs::create_directory_symlink(Folder(), root.DriveC() / "ALIAS");
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = ::fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      bool ok = true;
      for (int n = 0; n < kKeys; ++n) {
        const std::string key = "P" + std::to_string(child) + "K" + std::to_string(n);
        ok = WritePrivateProfileString("Race", key.c_str(), std::to_string(n).c_str(),
                                       child == 0 ? kIni : "C:\\ALIAS\\quilmr20.ini") &&
             ok;
      }
      ::_exit(ok ? 0 : 1);
    }
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int child = 0; child < 2; ++child)
    for (int n = 0; n < kKeys; ++n) {
      const std::string key = "P" + std::to_string(child) + "K" + std::to_string(n);
      EXPECT_EQ(Get("Race", key.c_str(), "lost"), std::to_string(n)) << key;
    }
}

TEST_F(ProfileBadInput, OddFilesReadWithoutHarmAndWritesKeepTheRest) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage += char((i * 7919) % 256);
  const std::string longLine(100000, 'x');
  const std::string files[] = {
      garbage,
      "[S]\0\na=1\0\nb=\0tail\n"s,
      "[S]\n" + longLine + "=" + longLine + "\nk=" + longLine + "\n",
      longLine,
      "[S",
      "[S\na=1\n[T]\nb=2",
      std::string(5000, '\0'),
  };
  for (const std::string& file : files) {
    Store(file);
    char buffer[16];
    GetPrivateProfileString("S", "a", "", buffer, sizeof buffer, kIni);
    ASSERT_TRUE(Put("S", "new", "v"));
    EXPECT_TRUE(OnlyInserted(file, Content()));
    EXPECT_EQ(Get("S", "new"), "v");
  }
  Store("[S]\n" + longLine + "=" + longLine + "\nk=" + longLine + "\n");
  EXPECT_EQ(Get("S", "k", "", 2000), longLine.substr(0, 1999));
  Store("[S]\0\na=1\0\nb=\0tail\n"s);
  EXPECT_EQ(Get("S", "a"), "1");
  EXPECT_EQ(Get("S", "b"), "");
  Store("[S\na=1\n[T]\nb=2");
  EXPECT_EQ(Get("S", "a", "d"), "1");
  EXPECT_EQ(Get("T", "b"), "2");
}

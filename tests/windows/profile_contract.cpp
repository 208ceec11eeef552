// The private-profile contract our Linux functions keep (tests/platform/profile_test.cpp), asked
// of the desktop's own functions. Where the desktop answers otherwise, the case says so and
// expects the desktop's answer: the settings code must cope with both.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile.h"
#include "temp_folder.h"

using namespace std::string_literals;

namespace {

class Profile : public ::testing::Test {
protected:
  std::string Get(const char* section, const char* key, const char* defaultValue = "",
                  unsigned size = 1024) {
    std::vector<char> buffer(size + 1, '#');
    const unsigned n =
        GetPrivateProfileString(section, key, defaultValue, buffer.data(), size, ini.c_str());
    EXPECT_EQ(std::string(buffer.data()).size(), n);
    return std::string(buffer.data(), n);
  }
  bool Put(const char* section, const char* key, const char* value) {
    return WritePrivateProfileString(section, key, value, ini.c_str());
  }
  void Store(const std::string& content) {
    WriteWholeFile(folder.Path() / "quilmr20.ini", content);
  }
  std::string Content() const { return ReadWholeFile(folder.Path() / "quilmr20.ini"); }

  TempFolder folder;
  const std::string ini = folder.Name("quilmr20.ini");
};

TEST_F(Profile, NamesMatchWithoutCaseAndBlanksAroundNamesAndValuesAreTrimmed) {
  Store("[ oPtIoNs\t]\r\n \tsOuNd \t=\t 1 x \t\r\n");
  EXPECT_EQ(Get("Options", "Sound"), "1 x");
  EXPECT_EQ(Get("OPTIONS", "SOUND"), "1 x");
  EXPECT_EQ(Get("  options ", " sound  "), "1 x");
  EXPECT_EQ(Get("Options", "Soun", "d"), "d");
}

// Ours opens the section named by the rest of the line; the desktop's functions (Wine's here)
// take no section from such a line, so its keys are nobody's.
TEST_F(Profile, AHeaderWithoutItsBracketOpensNoSectionOnTheDesktop) {
  Store("[Options   \r\nSound=1\r\n[Other]\r\nk=3\r\n");
  EXPECT_EQ(Get("Options", "Sound", "d"), "d");
  EXPECT_EQ(Get("Other", "k"), "3");
}

TEST_F(Profile, OneMatchingPairOfQuotesIsRemoved) {
  Store("[S]\na=\"x y\"\nb= 'q' \nc=\"z'\ne=\"\nf=''\n");
  EXPECT_EQ(Get("S", "a"), "x y");
  EXPECT_EQ(Get("S", "b"), "q");
  EXPECT_EQ(Get("S", "c"), "\"z'");
  EXPECT_EQ(Get("S", "e"), "\"");
  EXPECT_EQ(Get("S", "f"), "");
}

// Wine's own functions give a default of one blank back as that blank; the documented contract,
// and ours, strip it to nothing, and so does the platform's wrapper.
TEST_F(Profile, DefaultLosesTrailingBlanks) {
  Store("[S]\na=1\n");
  EXPECT_EQ(Get("S", "missing", " "), "");
  EXPECT_EQ(Get("S", "missing", "   "), "");
  EXPECT_EQ(Get("S", "missing", " x  "), " x");
  EXPECT_EQ(Get("Missing", "a", "dflt"), "dflt");
}

TEST_F(Profile, LongValueIsCutToTheBufferAndSizeZeroWritesNothing) {
  Store("[S]\na=abcdef\n");
  EXPECT_EQ(Get("S", "a", "", 4), "abc");
  EXPECT_EQ(Get("S", "a", "", 7), "abcdef");
  EXPECT_EQ(Get("S", "missing", "12345", 3), "12");
  char untouched = '#';
  EXPECT_EQ(GetPrivateProfileString("S", "a", "", &untouched, 0, ini.c_str()), 0u);
  EXPECT_EQ(untouched, '#');
}

TEST_F(Profile, FirstDuplicateKeyAndFirstDuplicateSectionWin) {
  Store("[S]\na=1\nA=2\n[T]\nb=3\n[s]\na=4\nc=5\n");
  EXPECT_EQ(Get("S", "a"), "1");
  EXPECT_EQ(Get("T", "b"), "3");
}

TEST_F(Profile, CrLfAndCrLfLineEndsReadAlike) {
  for (const std::string eol : {"\n", "\r\n"}) {
    Store("[S]" + eol + "a=1" + eol + eol + "b=2" + eol + "[T]" + eol + "c=3");
    EXPECT_EQ(Get("S", "a"), "1");
    EXPECT_EQ(Get("S", "b"), "2");
    EXPECT_EQ(Get("T", "c"), "3");
  }
}

TEST_F(Profile, MissingFileReadsAsEmpty) {
  EXPECT_EQ(Get("S", "a", "d"), "d");
}

TEST_F(Profile, CommentsAndLinesWithoutEqualsAreNotKeys) {
  Store("[S]\n;a=1\nb\nc=3\n");
  EXPECT_EQ(Get("S", "a", "d"), "d");
  EXPECT_EQ(Get("S", "b", "d"), "d");
  EXPECT_EQ(Get("S", "c"), "3");
}

TEST_F(Profile, ExistingKeyKeepsItsPlaceAndOnlyItsValueChanges) {
  Store("; head\r\n[Options]\r\nSOUND=1\r\nColor=2\r\n");
  ASSERT_TRUE(Put("options", "sound", "0"));
  EXPECT_EQ(Get("Options", "Sound"), "0");
  const std::string content = Content();
  EXPECT_LT(content.find("Color=2"), content.size());
  EXPECT_LT(content.find("; head"), content.find("0"));
}

TEST_F(Profile, NewKeyFollowsTheKeysOfItsSection) {
  Store("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(Put("A", "z", "3"));
  EXPECT_EQ(Content(), "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n");
}

TEST_F(Profile, WrittenValuesReadBackAndANullValueRemovesTheKey) {
  ASSERT_TRUE(Put("WavConfig", "Name1", "C:\\Sounds\\a b.wav"));
  ASSERT_TRUE(Put("WavConfig", "Name2", ""));
  EXPECT_EQ(Get("WavConfig", "Name1"), "C:\\Sounds\\a b.wav");
  EXPECT_EQ(Get("WavConfig", "Name2", "d"), "");
  ASSERT_TRUE(Put("WavConfig", "Name1", nullptr));
  EXPECT_EQ(Get("WavConfig", "Name1", "d"), "d");
}

TEST_F(Profile, WritingIntoAMissingFolderFails) {
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", folder.Name("none\\x.ini").c_str()));
}

TEST_F(Profile, DefaultsInAMissingFileGiveTheSettingsFileShape) {
  std::string expected = "[Options]\r\n";
  for (const auto& [key, value] : {std::pair{"Sound", "0"}, {"Color", "2"}, {"Time", "1"}}) {
    ASSERT_TRUE(Put("Options", key, value));
    expected += std::string(key) + "=" + value + "\r\n";
  }
  expected += "[WavConfig]\r\n";
  for (int n = 1; n <= 100; ++n) {
    const std::string key = "Name" + std::to_string(n);
    ASSERT_TRUE(Put("WavConfig", key.c_str(), "Null"));
    expected += key + "=Null\r\n";
  }
  { const DeferredProfileSync written(ini.c_str()); }
  EXPECT_EQ(Content(), expected);
}

TEST_F(Profile, NonAsciiValuesAndFileNamesRoundTrip) {
  const std::string name = folder.Name("Ma\xC3\xAFs.ini");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "caf\xC3\xA9", name.c_str()));
  std::vector<char> buffer(64);
  ASSERT_EQ(GetPrivateProfileString("S", "k", "", buffer.data(), 64, name.c_str()), 5u);
  EXPECT_EQ(std::string(buffer.data()), "caf\xC3\xA9");
}

} // namespace

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/testing.h"
#include "program.h"
#include "settings/inifile.h"
#include "settings/settings.h"
#include "support/jpeg_writer.h"
#include "support/temp_root.h"
#include "usave2.h"

using namespace std::string_literals;

namespace {

const std::string kSettings = "C:\\WINDOWS\\quilmr20.ini";

std::string Slots() {
  std::string text = "[WavConfig]\r\n";
  for (int n = 1; n <= 100; ++n)
    text += "Name" + std::to_string(n) + "=Null\r\n";
  return text;
}

// Writes the settings file with the given Options lines (CRLF added) and no slots.
void WriteOptionsFile(const TempRoot& root, const std::string& options) {
  WriteWholeFile(root.SettingsFile(), "[Options]\r\n" + options);
}

} // namespace

TEST(DefaultSettings, DisplayAndDialogWriteTheirOwnKeyOrder) {
  TempRoot root;
  std::filesystem::create_directories(root.SettingsFile().parent_path());
  EXPECT_FALSE(SettingsFileExists(kSettings));
  WriteDisplayDefaults(kSettings);
  EXPECT_TRUE(SettingsFileExists(kSettings));
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            "[Options]\r\nSound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n" + Slots());

  std::filesystem::remove(root.SettingsFile());
  std::vector<int> slotsSeen;
  WriteDialogDefaults(kSettings, [&](int n) { slotsSeen.push_back(n); });
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            "[Options]\r\nSound=0\r\nTime=1\r\nColor=2\r\nPicdis=3\r\n" + Slots());
  ASSERT_EQ(slotsSeen.size(), 100u);
  EXPECT_EQ(slotsSeen.front(), 1);
  EXPECT_EQ(slotsSeen.back(), 100);
}

TEST(ReadOptions, AnEmptyFileReadsAsAllDefaultsWithOccupiedEmptySlots) {
  TempRoot root;
  WriteWholeFile(root.SettingsFile(), "");
  EXPECT_TRUE(SettingsFileExists(kSettings));
  const SettingsOptions options = ReadOptions(kSettings);
  EXPECT_TRUE(options.Sound);
  EXPECT_EQ(options.Color, 3);
  EXPECT_EQ(options.Picdis, 3);
  EXPECT_EQ(options.Time, 4);
  EXPECT_EQ(ReadSoundSlot(kSettings, 1), "");
  EXPECT_EQ(ReadSoundSlot(kSettings, 100), "");
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), "");
}

TEST(ReadOptions, TimeValuesFollowTheNumberRule) {
  TempRoot root;
  const std::pair<const char*, int> cases[] = {{"0x3", 3}, {"3x", 4}, {"$2", 2}, {"-1", 4},
                                               {"0", 4},   {"7", 4},  {"1", 1},  {"", 4}};
  for (const auto& [stored, expected] : cases) {
    WriteOptionsFile(root, std::string("Time=") + stored + "\r\n");
    EXPECT_EQ(ReadOptions(kSettings).Time, expected) << stored;
  }
}

TEST(ReadOptions, SoundPicdisAndColorNormalise) {
  TempRoot root;
  const std::pair<const char*, bool> sounds[] = {{"yes", true}, {"true", true}, {"2", true},
                                                 {"-1", true},  {"0", false},   {"1", true}};
  for (const auto& [stored, expected] : sounds) {
    WriteOptionsFile(root, std::string("Sound=") + stored + "\r\n");
    EXPECT_EQ(ReadOptions(kSettings).Sound, expected) << stored;
  }
  WriteOptionsFile(root, "Picdis=0\r\nColor=7\r\n");
  EXPECT_EQ(ReadOptions(kSettings).Picdis, 3);
  EXPECT_EQ(ReadOptions(kSettings).Color, 3);
  WriteOptionsFile(root, "Picdis=4\r\nColor=1\r\n");
  EXPECT_EQ(ReadOptions(kSettings).Picdis, 3);
  EXPECT_EQ(ReadOptions(kSettings).Color, 1);
  WriteOptionsFile(root, "Picdis=2\r\nColor=2\r\n");
  EXPECT_EQ(ReadOptions(kSettings).Picdis, 2);
  EXPECT_EQ(ReadOptions(kSettings).Color, 2);
}

TEST(NumberRule, AcceptsDecimalAndHexInTheSigned32BitRange) {
  EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("$ffffffff"), -1);
  EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseInteger(" 7"), 7);
  EXPECT_EQ(ParseInteger("+5"), 5);
  EXPECT_EQ(ParseInteger("0x1F"), 31);
  EXPECT_EQ(ParseInteger("0X10"), 16);
}

TEST(NumberRule, RejectsEverythingElse) {
  for (const char* text : {"$100000000", "2147483648", "-2147483649", "7 ", "-$5", "0x", "", "$",
                           "-", "+", "3x", "yes", "1.5", "\t7", " 0x3"})
    EXPECT_EQ(ParseInteger(text), std::nullopt) << '"' << text << '"';
}

TEST(SoundSlots, NullMarksAnEmptySlotOnlyWithItsCase) {
  TempRoot root;
  WriteWholeFile(root.SettingsFile(),
                 "[WavConfig]\r\nName1=Null\r\nName2=null\r\nName4=C:\\a b.wav\r\n");
  EXPECT_EQ(ReadSoundSlot(kSettings, 1), kEmptySlot);
  EXPECT_EQ(ReadSoundSlot(kSettings, 2), "null");
  EXPECT_EQ(ReadSoundSlot(kSettings, 3), "");
  EXPECT_EQ(ReadSoundSlot(kSettings, 4), "C:\\a b.wav");
  WriteSoundSlot(kSettings, 3, "D:\\x.mid");
  EXPECT_EQ(ReadSoundSlot(kSettings, 3), "D:\\x.mid");
}

TEST(SoundSlots, EveryPathReadsBackExactlyAndOnlyOddOnesAreQuoted) {
  TempRoot root;
  std::filesystem::create_directories(root.SettingsFile().parent_path());
  WriteDisplayDefaults(kSettings);
  const std::string paths[] = {
      " lead.wav",     "trail.wav ", "\ttab.wav", "tab.wav\t",     "\vvt.wav",
      "in\tside .wav", "\"q.wav\"",  "'q.wav'",   "\"one end.wav", "one end.wav'",
      "\"q.wav'",      "\"",         "'",         "\"\"",          "''",
      " \"both\" ",    "\"\"x\"\"",  "",          "C:\\a b.wav",   "null",
      "\"Null\""};
  int slot = 1;
  for (const std::string& path : paths) {
    WriteSoundSlot(kSettings, slot, path);
    EXPECT_EQ(ReadSoundSlot(kSettings, slot), path) << '[' << path << ']';
    ++slot;
  }
  // Each slot stays one line; a path the reader would keep as it is goes in as it is.
  const std::string content = ReadWholeFile(root.SettingsFile());
  EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 5 + 1 + kSoundSlotCount);
  EXPECT_NE(content.find("\r\nName1=\" lead.wav\"\r\n"), std::string::npos);
  EXPECT_NE(content.find("\r\nName9=\"one end.wav\r\n"), std::string::npos);
  EXPECT_NE(content.find("\r\nName19=C:\\a b.wav\r\n"), std::string::npos);
}

TEST(SoundSlots, APathWithALineBreakIsRefusedAndNothingIsWritten) {
  TempRoot root;
  std::filesystem::create_directories(root.SettingsFile().parent_path());
  WriteDisplayDefaults(kSettings);
  const std::string before = ReadWholeFile(root.SettingsFile());
  for (const std::string& path : {"a\r\nb.wav"s, "a\nb.wav"s, "a.wav\r"s, "\n"s, "a\0b.wav"s}) {
    try {
      WriteSoundSlot(kSettings, 1, path);
      ADD_FAILURE() << "no error raised";
    } catch (const EIniFileException& error) {
      EXPECT_EQ(ErrorBoxText(error.what()),
                "Cannot write a value containing a line break to C:\\WINDOWS\\quilmr20.ini.");
    }
  }
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);
}

TEST(SoundSlots, TheDialogShowsALineBreakRefusalInTheErrorBoxAndStaysAsItWas) {
  TempRoot root;
  std::filesystem::create_directories(root.SettingsFile().parent_path());
  WriteSolidJpeg(root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg", 40, 30, {255, 0, 0});
  std::vector<MessageBoxRequest> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& box) {
    boxes.push_back(box);
    return IDOK;
  });
  platform_test::SetOpenFileResponder(
      [](const OpenFileRequest&) { return std::optional<std::string>("a\nb.wav"); });
  Application().Title = kApplicationTitle;
  {
    TForm2 form;
    form.FormCreate();
    const std::string before = ReadWholeFile(root.SettingsFile());
    form.Cmdwav->Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Cannot write a value containing a line break to C:\\WINDOWS\\quilmr20.ini.");
    EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtError);
    EXPECT_EQ(form.ListBox2->Count(), 0);
    EXPECT_EQ(usave2::SoundSlots[1], kEmptySlot);
    EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);
  }
  platform_test::SetMessageBoxResponder({});
  platform_test::SetOpenFileResponder({});
}

TEST(WriteOptions, ExistingKeysKeepTheirPlace) {
  TempRoot root;
  std::filesystem::create_directories(root.SettingsFile().parent_path());
  WriteDialogDefaults(kSettings);
  WriteOptions(kSettings, SettingsOptions{true, 1, 2, 3});
  const std::string content = ReadWholeFile(root.SettingsFile());
  EXPECT_EQ(content.substr(0, content.find("[WavConfig]")),
            "[Options]\r\nSound=1\r\nTime=3\r\nColor=1\r\nPicdis=2\r\n");
  const SettingsOptions options = ReadOptions(kSettings);
  EXPECT_TRUE(options.Sound);
  EXPECT_EQ(options.Color, 1);
  EXPECT_EQ(options.Picdis, 2);
  EXPECT_EQ(options.Time, 3);
}

TEST(FailedWrite, RaisesWithThePathAndKeepsWhatWasWritten) {
  TempRoot root;
  WriteWholeFile(root.SettingsFile(), "[Options]\r\nSound=1\r\n");
  // A folder in place of the file makes every write fail, whoever runs the test.
  const std::string blocked = "C:\\blocked\\quilmr20.ini";
  std::filesystem::create_directories(root.DriveC() / "blocked" / "quilmr20.ini");
  try {
    WriteOptions(blocked, SettingsOptions{});
    FAIL() << "no error raised";
  } catch (const EIniFileException& error) {
    EXPECT_STREQ(error.what(), "Unable to write to C:\\blocked\\quilmr20.ini");
    EXPECT_EQ(ErrorBoxText(error.what()), "Unable to write to C:\\blocked\\quilmr20.ini.");
  }
}

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorBoxText("Not enough timers available"), "Not enough timers available.");
  EXPECT_EQ(ErrorBoxText("JPEG error #42"), "JPEG error #42.");
  EXPECT_EQ(ErrorBoxText("Done!"), "Done!");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("path/"), "path/.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

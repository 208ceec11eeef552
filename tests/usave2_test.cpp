// The settings dialog driven as a user drives it, with scripted answers for its boxes and its
// file-open dialog, against a settings file in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Usave5.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/image.h"
#include "platform/posix/profile_io.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "program.h"
#include "settings/inifile.h"
#include "support/modal_box.h"
#include "support/solid_jpeg.h"
#include "support/temp_root.h"
#include "udownld.h"
#include "usave2.h"

namespace fs = std::filesystem;
using namespace usave2;

namespace {

const std::string kSettings = "C:\\WINDOWS\\quilmr20.ini";
const std::string kBackground = "C:\\Tavrin\\Quillmor\\juvinile.jpg";

std::string SoundPath(int i) {
  return "C:\\sounds\\s" + std::to_string(i) + ".wav";
}

// A settings file: the option lines as given, then the slotValues, "Null" where none is given; a
// slot mapped to nullopt has no key at all.
std::string SettingsText(const std::string& options,
                         const std::map<int, std::optional<std::string>>& slotValues = {}) {
  std::string text = "[Options]\r\n" + options + "[WavConfig]\r\n";
  for (int n = 1; n <= kSoundSlotCount; ++n) {
    const auto given = slotValues.find(n);
    if (given == slotValues.end())
      text += "Name" + std::to_string(n) + "=Null\r\n";
    else if (given->second)
      text += "Name" + std::to_string(n) + "=" + *given->second + "\r\n";
  }
  return text;
}

const std::string kSoundOnOptions = "Sound=1\r\nColor=1\r\nPicdis=1\r\nTime=2\r\n";

bool Near(TColor pixel, TColor colour, int tolerance = 24) {
  return std::abs(RedOf(pixel) - RedOf(colour)) <= tolerance &&
         std::abs(GreenOf(pixel) - GreenOf(colour)) <= tolerance &&
         std::abs(BlueOf(pixel) - BlueOf(colour)) <= tolerance;
}

int Lightness(TColor pixel) {
  return (RedOf(pixel) + GreenOf(pixel) + BlueOf(pixel)) / 3;
}

// Every control below parent, depth first.
void CollectControls(const TControl& parent, std::vector<TControl*>& all) {
  for (const auto& child : parent.Controls()) {
    all.push_back(child.get());
    CollectControls(*child, all);
  }
}

// Shows the window and waits until it has the keyboard, on the given control.
bool ShowActive(TForm& form, TControl& focus) {
  form.Show();
  form.Activate();
  focus.SetFocus();
  return platform_test::WaitUntil([&] { return platform_test::FocusedControl(form) == &focus; });
}

class SettingsDialog : public ::testing::Test {
protected:
  void SetUp() override {
    WritePhoto(40, 30, clRed);
    platform_test::SetMessageBoxResponder([this](const MessageBoxRequest& box) {
      boxes.push_back(box);
      if (boxAnswers.empty())
        return IDOK;
      const int answer = boxAnswers.front();
      boxAnswers.pop_front();
      return answer;
    });
    platform_test::SetOpenFileResponder(
        [this](const OpenFileRequest& request) -> std::optional<std::string> {
          fileRequests.push_back(request);
          if (chosenFiles.empty())
            return std::nullopt;
          auto chosen = chosenFiles.front();
          chosenFiles.pop_front();
          return chosen;
        });
  }

  void TearDown() override {
    profile_io::FailNthOperation(0, 0);
    platform_test::SetMessageBoxResponder({});
    platform_test::SetOpenFileResponder({});
    platform_test::SetScreenSize(std::nullopt);
  }

  // The background photograph: one colour.
  void WritePhoto(int width, int height, TColor colour) {
    WriteSolidJpeg(root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg", width, height, colour);
  }

  std::unique_ptr<TForm2> Open() {
    auto form = std::make_unique<TForm2>();
    form->FormCreate();
    return form;
  }

  std::unique_ptr<TForm2> OpenWith(const std::string& settings) {
    WriteWholeFile(root.SettingsFile(), settings);
    return Open();
  }

  void Add(TForm2& form, const std::string& path) {
    chosenFiles.push_back(path);
    form.cmdwavClick();
  }

  // Highlights an entry and confirms its removal.
  void Remove(TForm2& form, int row) {
    form.ListBox2->SetItemIndex(row);
    boxAnswers.push_back(IDOK);
    form.cmdwavdClick();
  }

  static std::vector<std::string> Entries(const TForm2& form) {
    std::vector<std::string> entries;
    for (int i = 0; i < form.ListBox2->Count(); ++i)
      entries.push_back(form.ListBox2->Item(i));
    return entries;
  }

  static std::string FileSlot(int n) { return ReadSoundSlot(kSettings, n); }

  // Every copy agrees: the dialog's slotValues with the file, the list with the occupied
  // slotValues.
  void ExpectConsistent(const TForm2& form) {
    std::vector<std::string> occupied;
    for (int n = 1; n <= kSoundSlotCount; ++n) {
      EXPECT_EQ(SoundSlots[n], FileSlot(n)) << "slot " << n;
      if (SoundSlots[n] != kEmptySlot)
        occupied.push_back(SoundSlots[n]);
    }
    EXPECT_EQ(SoundEntryCount, form.ListBox2->Count());
    if (form.ListBox2->Count() > 0) {
      EXPECT_EQ(form.ListBox2->ItemIndex(), 0);
    }
    std::sort(occupied.begin(), occupied.end());
    std::vector<std::string> listed = Entries(form);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, occupied);
  }

  // Every write fails, reads still work.
  void BlockWrites() { profile_io::FailEveryOperation(EACCES); }
  void UnblockWrites() { profile_io::FailNthOperation(0, 0); }

  TempRoot root;
  std::vector<MessageBoxRequest> boxes;
  std::deque<int> boxAnswers;
  std::vector<OpenFileRequest> fileRequests;
  std::deque<std::optional<std::string>> chosenFiles;
};

struct Selection {
  TRadioButton* sound;
  TRadioButton* time;
  TRadioButton* layout;
  TRadioButton* colour;
};

// Exactly one button of each group is selected, the given one.
void ExpectSelected(const TForm2& form, const Selection& expected) {
  const std::vector<std::pair<TRadioButton*, std::vector<TRadioButton*>>> groups = {
      {expected.sound, {form.Radsndon, form.Radsndof}},
      {expected.time, {form.Radtime1, form.Radtime2, form.Radtime3, form.Radtime4}},
      {expected.layout, {form.Radpicti, form.Radpicd, form.Radpicst}},
      {expected.colour, {form.radcol1, form.radcol2, form.radcol3}}};
  for (const auto& [selected, buttons] : groups) {
    for (TRadioButton* button : buttons)
      EXPECT_EQ(button->Checked(), button == selected) << button->Name();
  }
}
TEST_F(SettingsDialog, FirstOpeningWritesTheDefaultsInItsOrderAndShowsThem) {
  auto form = Open();
  const std::string content = ReadWholeFile(root.SettingsFile());
  EXPECT_EQ(content, SettingsText("Sound=0\r\nTime=1\r\nColor=2\r\nPicdis=3\r\n"));
  ExpectSelected(*form, {form->Radsndof, form->Radtime1, form->Radpicst, form->radcol2});
  EXPECT_EQ(form->ListBox2->Count(), 0);
  EXPECT_EQ(SoundEntryCount, 0);
  EXPECT_FALSE(form->Radsndon->Enabled());
  EXPECT_FALSE(form->Radsndof->Enabled());
  ExpectConsistent(*form);
  EXPECT_EQ(form->Image1->Picture().Width(), 40);
  EXPECT_EQ(usave2::SettingsPath, kSettings);
  EXPECT_EQ(WindowsDrive, "C:");

  // OK at once stores the values already stored: nothing in the file changes.
  form->Show();
  form->cmdcloseClick();
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), content);
  EXPECT_FALSE(form->Visible());
}

TEST_F(SettingsDialog, StoredOptionsSelectTheirButtons) {
  struct Case {
    std::string options;
    bool soundOn;
    int time, layout, colour; // 1-based positions in the value tables
  };
  const std::vector<Case> cases = {
      {"Sound=1\r\nColor=1\r\nPicdis=1\r\nTime=1\r\n", true, 1, 1, 1},
      {"Sound=0\r\nColor=2\r\nPicdis=2\r\nTime=2\r\n", false, 2, 2, 2},
      {"Sound=-1\r\nColor=3\r\nPicdis=3\r\nTime=3\r\n", true, 3, 3, 3},
      {"Sound=yes\r\nColor=7\r\nPicdis=0\r\nTime=7\r\n", true, 4, 3, 3},
      {"Sound=0\r\nColor=0\r\nPicdis=4\r\nTime=0x3\r\n", false, 3, 3, 3},
      {"", true, 4, 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    auto form = OpenWith(SettingsText(c.options, {{1, "a.wav"}}));
    TRadioButton* times[] = {form->Radtime1, form->Radtime2, form->Radtime3, form->Radtime4};
    TRadioButton* layouts[] = {form->Radpicti, form->Radpicd, form->Radpicst};
    TRadioButton* colours[] = {form->radcol1, form->radcol2, form->radcol3};
    ExpectSelected(*form, {c.soundOn ? form->Radsndon : form->Radsndof, times[c.time - 1],
                           layouts[c.layout - 1], colours[c.colour - 1]});
    EXPECT_TRUE(form->Radsndon->Enabled());
  }
}

TEST_F(SettingsDialog, OkStoresWhatTheButtonsShowForEveryCombination) {
  auto form = Open();
  // Both sound buttons are disabled after this opening; their selection still counts.
  TRadioButton* sounds[] = {form->Radsndon, form->Radsndof};
  TRadioButton* times[] = {form->Radtime1, form->Radtime2, form->Radtime3, form->Radtime4};
  TRadioButton* layouts[] = {form->Radpicti, form->Radpicd, form->Radpicst};
  TRadioButton* colours[] = {form->radcol1, form->radcol2, form->radcol3};
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 4; ++t)
      for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 3; ++c) {
          sounds[s]->SetChecked(true);
          times[t]->SetChecked(true);
          layouts[l]->SetChecked(true);
          colours[c]->SetChecked(true);
          form->cmdcloseClick();
          const SettingsOptions stored = ReadOptions(kSettings);
          EXPECT_EQ(stored.Sound, s == 0);
          EXPECT_EQ(stored.Time, t + 1);
          EXPECT_EQ(stored.Picdis, l + 1);
          EXPECT_EQ(stored.Color, c + 1);
        }
  // The keys keep their places; only the values change.
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=0\r\nTime=4\r\nColor=3\r\nPicdis=3\r\n"));
}

TEST_F(SettingsDialog, SoundOnWithNoSoundFileStaysOnButDisabled) {
  auto form = OpenWith(SettingsText(kSoundOnOptions));
  EXPECT_TRUE(form->Radsndon->Checked());
  EXPECT_FALSE(form->Radsndon->Enabled());
  EXPECT_FALSE(form->Radsndof->Enabled());
  form->cmdcloseClick();
  EXPECT_TRUE(ReadOptions(kSettings).Sound);
}

TEST_F(SettingsDialog, ListShowsOccupiedSlotsInSlotOrderIncludingEmptyTexts) {
  // Slot 7 has no key: an occupied slot with an empty path. "null" is a file name.
  auto form = OpenWith(
      SettingsText(kSoundOnOptions, {{3, "c.wav"}, {5, "null"}, {7, std::nullopt}, {90, "z.mid"}}));
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"c.wav", "null", "", "z.mid"}));
  EXPECT_EQ(SoundEntryCount, 4);
  EXPECT_EQ(form->ListBox2->ItemIndex(), 0);
  EXPECT_TRUE(form->Radsndon->Enabled());
  ExpectConsistent(*form);

  // The empty entry is removed like any other, and its slot emptied.
  Remove(*form, 2);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"c.wav", "null", "z.mid"}));
  EXPECT_EQ(FileSlot(7), kEmptySlot);
  ExpectConsistent(*form);
}

TEST_F(SettingsDialog, AddTakesTheLowestEmptySlotAndListsItLast) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}, {3, "c.wav"}}));
  Remove(*form, 1);
  EXPECT_EQ(FileSlot(2), kEmptySlot);
  EXPECT_EQ(form->ListBox2->ItemIndex(), 0);
  Add(*form, "/home/user/new.wav");
  EXPECT_EQ(FileSlot(2), "/home/user/new.wav");
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "c.wav", "/home/user/new.wav"}));
  // The first entry stays highlighted, not the one just added.
  EXPECT_EQ(form->ListBox2->ItemIndex(), 0);
  ExpectConsistent(*form);
}

TEST_F(SettingsDialog, FileOpenDialogAsksWithTheFilterAndTheLastChoice) {
  auto form = Open();
  LastChosenSoundFile.clear();
  form->cmdwavClick(); // cancelled
  Add(*form, "C:\\music\\one.mid");
  Add(*form, "C:\\music\\two.wav");
  ASSERT_EQ(fileRequests.size(), 3u);
  for (const OpenFileRequest& request : fileRequests) {
    EXPECT_EQ(request.filter, "wav (*.wav);midi (*.mid)|*.wav;*.mid");
    EXPECT_TRUE(request.hideReadOnly);
    EXPECT_FALSE(request.mustExist);
  }
  EXPECT_EQ(fileRequests[0].initialPath, "");
  EXPECT_EQ(fileRequests[1].initialPath, "");
  EXPECT_EQ(fileRequests[2].initialPath, "C:\\music\\one.mid");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsDialog, CancelledFileDialogChangesNothing) {
  auto form = Open();
  const std::string before = ReadWholeFile(root.SettingsFile());
  form->cmdwavClick();
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);
  EXPECT_FALSE(form->Radsndon->Enabled());
  EXPECT_EQ(SoundEntryCount, 0);
}

TEST_F(SettingsDialog, RemovingTheLastEntryTurnsSoundOffUntilAFileIsChosen) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{4, "only.wav"}}));
  EXPECT_TRUE(form->Radsndon->Checked());
  Remove(*form, 0);
  EXPECT_EQ(FileSlot(4), kEmptySlot);
  EXPECT_EQ(SoundEntryCount, 0);
  EXPECT_TRUE(form->Radsndof->Checked());
  EXPECT_FALSE(form->Radsndon->Enabled());
  EXPECT_FALSE(form->Radsndof->Enabled());

  Add(*form, "again.wav");
  EXPECT_EQ(FileSlot(1), "again.wav");
  EXPECT_TRUE(form->Radsndon->Enabled());
  EXPECT_TRUE(form->Radsndof->Enabled());
  EXPECT_TRUE(form->Radsndof->Checked());
  ExpectConsistent(*form);
}

TEST_F(SettingsDialog, FullTableRefusesAnAddUntilOneIsRemoved) {
  std::map<int, std::optional<std::string>> slotValues;
  for (int n = 1; n <= kSoundSlotCount; ++n)
    slotValues[n] = SoundPath(n);
  auto form = OpenWith(SettingsText(kSoundOnOptions, slotValues));
  EXPECT_EQ(SoundEntryCount, 100);
  const std::string before = ReadWholeFile(root.SettingsFile());

  Add(*form, "extra.wav");
  // The file is chosen first; only then does the dialog find no room.
  ASSERT_EQ(fileRequests.size(), 1u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "You have reached the maximum number of entries stored.  Please "
                           "delete one if you wish to add another.");
  EXPECT_EQ(boxes[0].caption, "Confirm");
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(boxes[0].buttons, TMsgDlgButtons::mbOK);
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);
  EXPECT_EQ(SoundEntryCount, 100);

  Remove(*form, 41); // slot 42
  Add(*form, "extra.wav");
  EXPECT_EQ(FileSlot(42), "extra.wav");
  EXPECT_EQ(Entries(*form).back(), "extra.wav");
  ExpectConsistent(*form);
}

TEST_F(SettingsDialog, RemovingEitherCopyOfAPathEmptiesTheLowerSlot) {
  for (int removedRow : {0, 1}) {
    SCOPED_TRACE(removedRow);
    auto form = OpenWith(SettingsText(kSoundOnOptions, {{2, "x.wav"}}));
    Add(*form, "dup.wav");
    Add(*form, "dup.wav");
    EXPECT_EQ(FileSlot(1), "dup.wav");
    EXPECT_EQ(FileSlot(3), "dup.wav");
    Remove(*form, removedRow + 1);
    EXPECT_EQ(FileSlot(1), kEmptySlot);
    EXPECT_EQ(FileSlot(3), "dup.wav");
    EXPECT_EQ(Entries(*form), (std::vector<std::string>{"x.wav", "dup.wav"}));
    ExpectConsistent(*form);
  }
}

TEST_F(SettingsDialog, RemovalWarningDecidesAndCancelChangesNothing) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}}));
  const std::string before = ReadWholeFile(root.SettingsFile());
  form->ListBox2->SetItemIndex(1);
  // Cancel and Escape both answer IDCANCEL.
  boxAnswers = {IDCANCEL};
  form->cmdwavdClick();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "You are about to delete the highlighted item in the box above. Click OK to confirm. ");
  EXPECT_EQ(boxes[0].caption, "Warning");
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtWarning);
  EXPECT_EQ(boxes[0].buttons, TMsgDlgButtons::mbOKCancel);
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(SoundEntryCount, 2);

  Remove(*form, 1);
  EXPECT_EQ(FileSlot(2), kEmptySlot);
  EXPECT_EQ(form->ListBox2->ItemIndex(), 0);
  ExpectConsistent(*form);
}

TEST_F(SettingsDialog, RemovingFromAnEmptyListOnlyInforms) {
  auto form = Open();
  form->cmdwavdClick();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "There are no items in the list. Click ADD to add some sound files to the list.");
  EXPECT_EQ(boxes[0].caption, "Information");
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtInformation);
  EXPECT_EQ(boxes[0].buttons, TMsgDlgButtons::mbOK);
}

TEST_F(SettingsDialog, RemovalSearchesTheFileNotItsCopy) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}}));
  // Another process changes the file meanwhile: b.wav moves to slot 9, a.wav is gone.
  WriteSoundSlot(kSettings, 1, "Null");
  WriteSoundSlot(kSettings, 2, "Null");
  WriteSoundSlot(kSettings, 9, "b.wav");
  const std::string before = ReadWholeFile(root.SettingsFile());

  Remove(*form, 0);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, kSearchErrorText);
  EXPECT_EQ(boxes[1].text.substr(0, 60),
            "An error occurred while looking for the string to delete. Yo");
  EXPECT_EQ(boxes[1].caption, "Error");
  EXPECT_EQ(boxes[1].icon, TMsgDlgType::mtError);
  EXPECT_EQ(boxes[1].buttons, TMsgDlgButtons::mbOK);
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(SoundSlots[1], "a.wav");
  EXPECT_EQ(SoundEntryCount, 2);

  Remove(*form, 1);
  EXPECT_EQ(FileSlot(9), kEmptySlot);
  EXPECT_EQ(SoundSlots[9], kEmptySlot);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav"}));
}

TEST_F(SettingsDialog, MissingBackgroundIsReportedAfterEverythingElseIsShown) {
  fs::remove_all(root.DriveC() / "Tavrin");
  WriteWholeFile(root.SettingsFile(), SettingsText(kSoundOnOptions, {{2, "b.wav"}}));
  auto form = std::make_unique<TForm2>();
  EXPECT_THROW(
      {
        try {
          form->FormCreate();
        } catch (const std::exception& error) {
          EXPECT_STREQ(error.what(), ("Cannot open file " + kBackground).c_str());
          throw;
        }
      },
      std::exception);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"b.wav"}));
  EXPECT_TRUE(form->Radsndon->Checked());
  EXPECT_EQ(form->Image1->Picture().Graphic(), nullptr);

  // The way the program creates it: the general error box, and the window is created anyway.
  Application().Title = kApplicationTitle;
  TForm2* created = Application().CreateForm<TForm2>();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Cannot open file " + kBackground + ".");
  EXPECT_EQ(boxes[0].caption, "Quillmor Screensaver");
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtError);
  EXPECT_EQ(boxes[0].buttons, TMsgDlgButtons::mbOK);
  EXPECT_EQ(Entries(*created), (std::vector<std::string>{"b.wav"}));
  Application().DestroyForms();
}

// How many profile operations have run, from the start of the dialog's default writes, when each
// slot's write begins.
std::vector<unsigned> OperationsBeforeEachSlot(const fs::path& file) {
  std::vector<unsigned> afterSlot(kSoundSlotCount + 1, 0);
  LookUpWindowsDir(); // makes the folder, as the opening does
  profile_io::FailNthOperation(0, 0);
  WriteDialogDefaults(kSettings, [&](int n) { afterSlot[n] = profile_io::OperationCount(); });
  fs::remove(file);
  std::vector<unsigned> before(kSoundSlotCount + 1, 0);
  // Every slot write takes as many operations as the next one.
  before[1] = 2 * afterSlot[1] - afterSlot[2];
  for (int n = 2; n <= kSoundSlotCount; ++n)
    before[n] = afterSlot[n - 1];
  return before;
}

TEST_F(SettingsDialog, FailedWriteWhileOpeningStopsTheOpening) {
  const std::vector<unsigned> before = OperationsBeforeEachSlot(root.SettingsFile());
  // 0: the very first write, an option, fails.
  for (int failingSlot : {0, 1, 2, 60, 100}) {
    SCOPED_TRACE(failingSlot);
    if (failingSlot == 0)
      BlockWrites();
    else
      profile_io::FailNthOperation(before[failingSlot] + 1, EIO);
    auto form = std::make_unique<TForm2>();
    EXPECT_THROW(form->FormCreate(), EIniFileException);
    profile_io::FailNthOperation(0, 0);
    UnblockWrites();
    for (int n = 1; n <= kSoundSlotCount; ++n)
      ASSERT_EQ(SoundSlots[n], n < failingSlot ? kEmptySlot : " ") << n;
    if (failingSlot > 0) {
      EXPECT_EQ(FileSlot(failingSlot), "");
      EXPECT_EQ(ReadOptions(kSettings).Sound, false);
    }
    std::vector<TControl*> controls;
    CollectControls(*form, controls);
    for (TControl* control : controls) {
      if (auto* button = dynamic_cast<TRadioButton*>(control)) {
        EXPECT_FALSE(button->Checked()) << button->Name();
      }
    }
    EXPECT_EQ(SoundEntryCount, 0);
    EXPECT_EQ(form->ListBox2->Count(), 0);
    EXPECT_EQ(form->Image1->Picture().Graphic(), nullptr);

    // Only slotValues that were written with "Null" have room.
    Add(*form, "first.wav");
    if (failingSlot <= 1) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].caption, "Confirm");
    } else {
      EXPECT_TRUE(boxes.empty());
      EXPECT_EQ(FileSlot(1), "first.wav");
      EXPECT_EQ(Entries(*form), (std::vector<std::string>{"first.wav"}));
    }
    boxes.clear();
    fs::remove(root.SettingsFile());
  }
}

TEST_F(SettingsDialog, FailedWriteWhenAddingOrRemovingChangesNothing) {
  auto form = OpenWith(SettingsText("Sound=0\r\n", {{1, "a.wav"}}));
  Remove(*form, 0);
  ASSERT_FALSE(form->Radsndon->Enabled());
  BlockWrites();

  chosenFiles.push_back("b.wav");
  EXPECT_THROW(form->cmdwavClick(), EIniFileException);
  EXPECT_EQ(SoundSlots[1], kEmptySlot);
  EXPECT_EQ(SoundEntryCount, 0);
  EXPECT_FALSE(form->Radsndon->Enabled());
  EXPECT_FALSE(form->Radsndof->Enabled());

  UnblockWrites();
  Add(*form, "b.wav");
  Add(*form, "c.wav");
  BlockWrites();
  form->ListBox2->SetItemIndex(1);
  boxAnswers.push_back(IDOK);
  try {
    form->cmdwavdClick();
    ADD_FAILURE() << "the removal's write should fail";
  } catch (const EIniFileException& error) {
    EXPECT_STREQ(error.what(), ("Unable to write to " + kSettings).c_str());
  }
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"b.wav", "c.wav"}));
  EXPECT_EQ(SoundEntryCount, 2);
  EXPECT_EQ(form->ListBox2->ItemIndex(), 1);
  EXPECT_EQ(SoundSlots[1], "b.wav");
  EXPECT_EQ(SoundSlots[2], "c.wav");
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=0\r\n", {{1, "b.wav"}, {2, "c.wav"}}));
}

TEST_F(SettingsDialog, FailedWriteOnOkKeepsTheWindowOpenForAnotherTry) {
  auto form = OpenWith(SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n"));
  form->Show();
  form->Radsndon->SetChecked(true);
  form->Radtime4->SetChecked(true);
  // Measure one key's write, then fail the second key's (Color) first operation.
  const std::string content = ReadWholeFile(root.SettingsFile());
  profile_io::FailNthOperation(0, 0);
  TIniFile(kSettings).WriteBool("Options", "Sound", true);
  const unsigned perWrite = profile_io::OperationCount();
  WriteWholeFile(root.SettingsFile(), content);
  profile_io::FailNthOperation(perWrite + 1, EIO);
  form->radcol3->SetChecked(true);
  EXPECT_THROW(form->cmdcloseClick(), EIniFileException);
  profile_io::FailNthOperation(0, 0);
  EXPECT_TRUE(form->Visible());
  const SettingsOptions stored = ReadOptions(kSettings);
  EXPECT_TRUE(stored.Sound);
  EXPECT_EQ(stored.Color, 2);
  EXPECT_EQ(stored.Time, 1);

  // Through the button, as the user presses it: the general error box, the window stays.
  Application().Title = kApplicationTitle;
  BlockWrites();
  form->cmdclose->Click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Unable to write to " + kSettings + ".");
  EXPECT_EQ(boxes[0].caption, "Quillmor Screensaver");
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtError);
  EXPECT_TRUE(form->Visible());

  UnblockWrites();
  form->cmdclose->Click();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=1\r\nColor=3\r\nPicdis=3\r\nTime=4\r\n"));
}

TEST_F(SettingsDialog, AnEntryKeepsTheBytesOfANameThatIsNotUtf8) {
  const std::string latin1 = "C:\\caf\xe9.wav";
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, latin1}}));
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", latin1}));
  Remove(*form, 1);
  EXPECT_EQ(FileSlot(2), kEmptySlot);
  ExpectConsistent(*form);
}

TEST_F(SettingsDialog, AboutAndMoreAreShownModally) {
  auto form = Open();
  Tfrmdisc about;
  TFrmdownld more;
  for (auto [button, window] :
       {std::pair<TButton*, TForm*>{form->cmdhelp, &about}, {form->cmdmore, &more}}) {
    SCOPED_TRACE(button->Name());
    const ModalWatch watch(*window, [window] { window->SetModalResult(mrCancel); });
    button->Click();
    EXPECT_TRUE(watch.Answered());
    EXPECT_FALSE(window->Visible());
  }
}

const TColor kPhoto = RGB(0, 160, 0);

// The first and last position along a line of the picture where the photograph shows.
std::pair<int, int> PhotoSpan(const TPixels& shot, TPoint from, TPoint step, int length) {
  int first = -1, last = -1;
  for (int i = 0; i < length; ++i) {
    if (Near(shot.Pixel(from.X + i * step.X, from.Y + i * step.Y), kPhoto)) {
      if (first < 0)
        first = i;
      last = i;
    }
  }
  return {first, last};
}

TEST_F(SettingsDialog, ThePhotographIsCentredInTheWindowOnItsSilver) {
  WritePhoto(200, 100, kPhoto);
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}}));
  form->Show();
  const TPixels shot = platform_test::Grab(*form);
  ASSERT_EQ(shot.Width(), 552);
  ASSERT_EQ(shot.Height(), 383);
  // Centred in the whole window, frame included, whose corner is the client area's: nothing else
  // lies on this row and this column where the photograph shows.
  const TRect outer = form->OuterBounds();
  const int left = (outer.Width - 200) / 2, top = (outer.Height - 100) / 2;
  EXPECT_EQ(PhotoSpan(shot, {0, 150}, {1, 0}, 552), std::pair(left, left + 199));
  EXPECT_EQ(PhotoSpan(shot, {250, 0}, {0, 1}, 383), std::pair(top, top + 99));
  for (TPoint free : {TPoint{5, 150}, TPoint{545, 375}, TPoint{174, 150}})
    EXPECT_EQ(shot.Pixel(free.X, free.Y), clSilver) << free.X << "," << free.Y;
  form->Hide();
}

// Whether any pixel of the area has the navy of the group labels' text.
bool HasNavyText(const TPixels& shot, const TRect& area) {
  for (int y = area.Top; y < area.Bottom(); ++y)
    for (int x = area.Left; x < area.Right(); ++x) {
      const TColor p = shot.Pixel(x, y);
      if (BlueOf(p) > 90 && BlueOf(p) > RedOf(p) + 60 && BlueOf(p) > GreenOf(p) + 60)
        return true;
    }
  return false;
}

TEST_F(SettingsDialog, ThePhotographCoversOnlyTheHeadline) {
  // A photograph as large as the window lies under every control but Label1.
  WritePhoto(552, 383, kPhoto);
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}}));
  form->Show();
  const TPixels shot = platform_test::Grab(*form);
  const auto at = [&](int left, int top) { return shot.Pixel(left, top); };

  const auto photoPixels = [&](const TRect& area) {
    int shown = 0;
    for (int y = area.Top; y < area.Bottom(); ++y)
      for (int x = area.Left; x < area.Right(); ++x)
        shown += Near(at(x, y), kPhoto) ? 1 : 0;
    return shown;
  };
  const TRect headline = form->Label1->BoundsRect();
  EXPECT_EQ(photoPixels(headline), headline.Width * headline.Height);
  // The colour group is never shown.
  const TRect colours = form->GroupBox1->BoundsRect();
  EXPECT_EQ(photoPixels(colours), colours.Width * colours.Height);

  // The list: white below its entry.
  EXPECT_EQ(at(10 + 150, 32 + 80), clWhite);
  // OK: a button face, lighter than its border.
  EXPECT_FALSE(Near(at(464 + 37, 361 + 8), kPhoto));
  EXPECT_GT(Lightness(at(464 + 10, 361 + 8)), Lightness(at(464, 361 + 8)));

  for (const TPanel* panel : {form->Panel1, form->Panel2, form->Panel3}) {
    SCOPED_TRACE(panel->Name());
    const TRect p = panel->BoundsRect();
    // The face hides the photograph; the lowered bevel is dark at the top and left, light at the
    // bottom and right, two pixels wide.
    EXPECT_EQ(at(p.Left + 3, p.Top + p.Height / 2), clSilver);
    for (TPoint dark : {TPoint{p.Left, p.Top + 40}, TPoint{p.Left + 1, p.Top + 40},
                        TPoint{p.Left + 70, p.Top}, TPoint{p.Left + 70, p.Top + 1}})
      EXPECT_LT(Lightness(at(dark.X, dark.Y)), 192 - 20) << dark.X << "," << dark.Y;
    for (TPoint light : {TPoint{p.Right() - 1, p.Top + 40}, TPoint{p.Right() - 2, p.Top + 40},
                         TPoint{p.Left + 70, p.Bottom() - 1}, TPoint{p.Left + 70, p.Bottom() - 2}})
      EXPECT_GT(Lightness(at(light.X, light.Y)), 192 + 20) << light.X << "," << light.Y;
  }
  for (const TLabel* label : {form->Label2, form->Label3, form->Label4}) {
    TRect area = label->BoundsRect();
    area.Left += label->Parent()->Left();
    area.Top += label->Parent()->Top();
    EXPECT_TRUE(HasNavyText(shot, area)) << label->Name();
  }

  // The hand, from Image2's corner, cut off at its bottom; the panel's silver beside it.
  const TPixels hand = PointingHandPicture();
  ASSERT_EQ(hand.Width(), 32);
  ASSERT_EQ(hand.Height(), 32);
  const TPoint corner{314 + 7, 32 + 64};
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 34; ++x)
      ASSERT_EQ(at(corner.X + x, corner.Y + y), x < 32 ? hand.Pixel(x, y) : clSilver)
          << x << "," << y;
  form->Hide();
}

TEST_F(SettingsDialog, ShownInTheCentreOfTheScreen) {
  platform_test::SetScreenSize(std::pair{1024, 768});
  auto form = Open();
  form->Show();
  TRect outer;
  EXPECT_TRUE(platform_test::WaitUntil([&] {
    outer = form->OuterBounds();
    return outer.Left == (1024 - outer.Width) / 2 && outer.Top == (768 - outer.Height) / 2;
  })) << outer.Left
      << "," << outer.Top << " " << outer.Width << "x" << outer.Height;
  // The photograph is centred in the whole window, frame included.
  EXPECT_EQ(form->Image1->BoundsRect(), (TRect{0, 0, outer.Width, outer.Height}));
  form->Hide();
}

TEST_F(SettingsDialog, ListItemsAreThirteenPixelsHigh) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}, {3, "c.wav"}}));
  ASSERT_TRUE(ShowActive(*form, *form->ListBox2));
  TListBox& list = *form->ListBox2;
  const TRect rows = list.ClientRect();
  // The first and the last pixel row of each entry, top down: one pixel off either way lands on
  // a neighbour.
  for (int row = 0; row < 3; ++row) {
    for (int y : {0, 12}) {
      platform_test::ClickAt(list, TPoint{rows.Left + 20, rows.Top + 13 * row + y});
      EXPECT_EQ(list.ItemIndex(), row) << "pixel row " << y;
    }
  }
  form->Hide();
}

TEST_F(SettingsDialog, TheListKeepsOneEntryHighlightedAndRemoveActsOnIt) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}, {3, "c.wav"}}));
  ASSERT_TRUE(ShowActive(*form, *form->ListBox2));
  TListBox& list = *form->ListBox2;
  const TRect rows = list.ClientRect();
  const TPoint third{rows.Left + rows.Width / 2, rows.Top + 2 * 13 + 6};
  const TPoint blank{rows.Left + rows.Width / 2, rows.Bottom() - 5};

  // Neither a click below the entries nor Ctrl+Space, which toggles an entry elsewhere, clears
  // the highlight.
  platform_test::ClickAt(list, blank);
  EXPECT_EQ(list.ItemIndex(), 0);
  ASSERT_EQ(platform_test::FocusedControl(*form), &list);
  platform_test::PressKey(*form, VK_SPACE, false, true);
  EXPECT_NE(list.ItemIndex(), -1);
  platform_test::ClickAt(list, third);
  EXPECT_EQ(list.ItemIndex(), 2);
  platform_test::ClickAt(list, blank);
  EXPECT_EQ(list.ItemIndex(), 2);

  boxAnswers.push_back(IDOK);
  platform_test::ClickAt(*form->Cmdwavd);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(FileSlot(3), kEmptySlot);
  EXPECT_EQ(list.ItemIndex(), 0);
  ExpectConsistent(*form);
  form->Hide();
}

TEST_F(SettingsDialog, TabEntersEachRadioGroupOnItsCheckedButtonAndArrowsMoveWithin) {
  auto form =
      OpenWith(SettingsText("Sound=1\r\nColor=1\r\nPicdis=2\r\nTime=3\r\n", {{1, "a.wav"}}));
  ASSERT_TRUE(ShowActive(*form, *form->cmdclose));
  const auto focused = [&] { return platform_test::FocusedControl(*form); };
  std::vector<TControl*> visited;
  for (int step = 0; step < 10; ++step) {
    visited.push_back(focused());
    platform_test::PressKey(*form, VK_TAB);
  }
  EXPECT_EQ(visited,
            (std::vector<TControl*>{form->cmdclose, form->cmdhelp, form->ListBox2, form->Radtime3,
                                    form->Cmdwav, form->Cmdwavd, form->Radsndon, form->Radpicd,
                                    form->cmdmore, form->cmdclose}));

  // Space on the button Tab entered on changes nothing.
  form->cmdmore->SetFocus();
  platform_test::PressKey(*form, VK_TAB, true);
  ASSERT_EQ(focused(), form->Radpicd);
  platform_test::PressKey(*form, VK_SPACE);
  ExpectSelected(*form, {form->Radsndon, form->Radtime3, form->Radpicd, form->radcol1});

  // The arrows move along the group as it stands on the screen, selecting as they go.
  platform_test::PressKey(*form, VK_DOWN);
  EXPECT_EQ(focused(), form->Radpicst);
  platform_test::PressKey(*form, VK_UP);
  platform_test::PressKey(*form, VK_UP);
  EXPECT_EQ(focused(), form->Radpicti);
  ExpectSelected(*form, {form->Radsndon, form->Radtime3, form->Radpicti, form->radcol1});
  platform_test::PressKey(*form, VK_UP);
  EXPECT_EQ(focused(), form->Radpicti);

  // Tab now enters that group on the newly selected button, also backwards.
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(focused(), form->cmdmore);
  platform_test::PressKey(*form, VK_TAB, true);
  EXPECT_EQ(focused(), form->Radpicti);
  form->Hide();
}

TEST_F(SettingsDialog, EnterAndEscapePressNoButtonSpaceTheFocusedOne) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}}));
  const std::string before = ReadWholeFile(root.SettingsFile());
  ASSERT_TRUE(ShowActive(*form, *form->cmdclose));
  for (TControl* control : std::initializer_list<TControl*>{
           form->cmdclose, form->cmdhelp, form->Cmdwav, form->Cmdwavd, form->ListBox2}) {
    SCOPED_TRACE(control->Name());
    control->SetFocus();
    ASSERT_EQ(platform_test::FocusedControl(*form), control);
    platform_test::PressKey(*form, VK_RETURN);
    platform_test::PressKey(*form, VK_ESCAPE);
  }
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(fileRequests.empty());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);

  // The keys did reach the buttons: Space presses the focused one.
  form->Cmdwav->SetFocus();
  platform_test::PressKey(*form, VK_SPACE);
  EXPECT_EQ(fileRequests.size(), 1u);
  form->Hide();
}

TEST_F(SettingsDialog, ClosingTheWindowStoresTheOptionsAsOkDoesOrStaysOpenOnce) {
  Application().Title = kApplicationTitle;
  auto form = OpenWith(SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n"));
  form->Show();
  form->Radtime2->Click();
  form->Radpicti->Click();

  BlockWrites();
  form->Close();
  EXPECT_TRUE(form->Visible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Unable to write to " + kSettings + ".");

  UnblockWrites();
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=0\r\nColor=2\r\nPicdis=1\r\nTime=2\r\n"));
}

TEST_F(SettingsDialog, AFileThatStaysUnwritableDoesNotKeepTheWindowOpenForGood) {
  Application().Title = kApplicationTitle;
  const std::string stored = SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n");
  auto form = OpenWith(stored);
  form->Show();
  form->Radtime2->Click();

  BlockWrites();
  form->Close();
  EXPECT_TRUE(form->Visible());
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(boxes.size(), 2u);
  UnblockWrites();
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), stored);
}

// A display started while the dialog is open, in a process of its own: it reads every slot again
// and again, and on request reports one full reading.
class SlotReaderProcess {
public:
  SlotReaderProcess() {
    if (::pipe(commands_) != 0 || ::pipe(replies_) != 0)
      throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(commands_[1]);
      ::close(replies_[0]);
      Serve(commands_[0], replies_[1]);
    }
    ::close(commands_[0]);
    ::close(replies_[1]);
  }
  ~SlotReaderProcess() {
    ::close(commands_[1]);
    ::close(replies_[0]);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  SlotReaderProcess(const SlotReaderProcess&) = delete;
  SlotReaderProcess& operator=(const SlotReaderProcess&) = delete;

  // One reading of slots 1 to 100 taken after this call.
  std::vector<std::string> Reading() { return Split(Ask('r')); }
  // Readings made in the background so far, and how many of them saw a slot without its key.
  std::pair<int, int> Finish() {
    const std::vector<std::string> counts = Split(Ask('q'));
    return {std::stoi(counts.at(0)), std::stoi(counts.at(1))};
  }

private:
  [[noreturn]] static void Serve(int commands, int replies) {
    int readings = 0, torn = 0;
    for (;;) {
      pollfd command{commands, POLLIN, 0};
      char c = 0;
      if (::poll(&command, 1, 0) > 0 && ::read(commands, &c, 1) == 1) {
        std::string reply;
        if (c == 'q') {
          reply = std::to_string(readings) + "\n" + std::to_string(torn) + "\n";
        } else {
          for (const std::string& slot : ReadAll())
            reply += slot + "\n";
        }
        reply += '\0';
        const bool sent = ::write(replies, reply.data(), reply.size()) == ssize_t(reply.size());
        if (c == 'q' || !sent)
          ::_exit(0);
        continue;
      }
      if (command.revents & (POLLHUP | POLLERR))
        ::_exit(1);
      ++readings;
      for (const std::string& slot : ReadAll())
        torn += slot.empty() ? 1 : 0;
    }
  }

  static std::vector<std::string> ReadAll() {
    std::vector<std::string> all;
    for (int n = 1; n <= kSoundSlotCount; ++n)
      all.push_back(ReadSoundSlot(kSettings, n));
    return all;
  }

  std::string Ask(char command) {
    if (::write(commands_[1], &command, 1) != 1)
      return {};
    std::string reply;
    pollfd readable{replies_[0], POLLIN, 0};
    char buffer[4096];
    while (::poll(&readable, 1, 10000) > 0) {
      const ssize_t got = ::read(replies_[0], buffer, sizeof buffer);
      if (got <= 0)
        break;
      reply.append(buffer, std::size_t(got));
      if (reply.back() == '\0')
        return reply.substr(0, reply.size() - 1);
    }
    return {};
  }

  static std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      parts.push_back(text.substr(start, end - start));
    return parts;
  }

  int pid_ = -1;
  int commands_[2] = {-1, -1};
  int replies_[2] = {-1, -1};
};

std::vector<std::string> DialogSlots() {
  return std::vector<std::string>(SoundSlots.begin() + 1, SoundSlots.end());
}

TEST_F(SettingsDialog, ADisplayStartedMeanwhileSeesEverySlotChange) {
  auto form = Open();
  SlotReaderProcess display;
  for (int i = 1; i <= 60; ++i)
    Add(*form, SoundPath(i));
  EXPECT_EQ(display.Reading(), DialogSlots());

  for (int i = 0; i < 20; ++i)
    Remove(*form, i); // every other entry, as the list closes up
  for (int i = 61; i <= 65; ++i)
    Add(*form, SoundPath(i));
  ExpectConsistent(*form);
  const std::vector<std::string> seen = display.Reading();
  EXPECT_EQ(seen, DialogSlots());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), kEmptySlot), 100 - 45);

  const auto [readings, torn] = display.Finish();
  EXPECT_GT(readings, 0);
  EXPECT_EQ(torn, 0);
}

} // namespace

// The settings dialog driven as a user drives it, with scripted answers for its boxes and its
// file-open dialog, against a settings file in a temporary folder.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Usave5.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/image.h"
#include "platform/posix/profile_io.h"
#include "platform/system.h"
#include "psave.h"
#include "settings/inifile.h"
#include "support/temp_root.h"
#include "support/user_input.h"
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

class SettingsDialog : public ::testing::Test {
protected:
  void SetUp() override {
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(Qt::red);
    fs::create_directories(root.DriveC() / "Tavrin" / "Quillmor");
    ASSERT_TRUE(photo.save(
        QString::fromStdString((root.DriveC() / "Tavrin" / "Quillmor" / "juvinile.jpg").string()),
        "JPEG"));
    SetMessageBoxResponder([this](const MessageBoxRequest& box) {
      boxes.push_back(box);
      if (boxAnswers.empty())
        return IDOK;
      const int answer = boxAnswers.front();
      boxAnswers.pop_front();
      return answer;
    });
    SetOpenFileResponder([this](const OpenFileRequest& request) -> std::optional<std::string> {
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
    SetMessageBoxResponder({});
    SetOpenFileResponder({});
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
    form.ListBox2->setCurrentRow(row);
    boxAnswers.push_back(IDOK);
    form.cmdwavdClick();
  }

  static std::vector<std::string> Entries(const TForm2& form) {
    std::vector<std::string> entries;
    for (int i = 0; i < form.ListBox2->count(); ++i)
      entries.push_back(form.ListBox2->item(i)->text().toStdString());
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
    EXPECT_EQ(SoundEntryCount, form.ListBox2->count());
    if (form.ListBox2->count() > 0) {
      EXPECT_EQ(form.ListBox2->currentRow(), 0);
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
  QRadioButton* sound;
  QRadioButton* time;
  QRadioButton* layout;
  QRadioButton* colour;
};

// Exactly one button of each group is selected, the given one.
void ExpectSelected(const TForm2& form, const Selection& expected) {
  const std::vector<std::pair<QRadioButton*, std::vector<QRadioButton*>>> groups = {
      {expected.sound, {form.Radsndon, form.Radsndof}},
      {expected.time, {form.Radtime1, form.Radtime2, form.Radtime3, form.Radtime4}},
      {expected.layout, {form.Radpicti, form.Radpicd, form.Radpicst}},
      {expected.colour, {form.radcol1, form.radcol2, form.radcol3}}};
  for (const auto& [selected, buttons] : groups) {
    for (QRadioButton* button : buttons)
      EXPECT_EQ(button->isChecked(), button == selected) << button->text().toStdString();
  }
}

TEST_F(SettingsDialog, FirstOpeningWritesTheDefaultsInItsOrderAndShowsThem) {
  auto form = Open();
  const std::string content = ReadWholeFile(root.SettingsFile());
  EXPECT_EQ(content, SettingsText("Sound=0\r\nTime=1\r\nColor=2\r\nPicdis=3\r\n"));
  ExpectSelected(*form, {form->Radsndof, form->Radtime1, form->Radpicst, form->radcol2});
  EXPECT_EQ(form->ListBox2->count(), 0);
  EXPECT_EQ(SoundEntryCount, 0);
  EXPECT_FALSE(form->Radsndon->isEnabled());
  EXPECT_FALSE(form->Radsndof->isEnabled());
  ExpectConsistent(*form);
  EXPECT_EQ(form->Image1->Picture().Width(), 40);
  EXPECT_EQ(usave2::SettingsPath, kSettings);
  EXPECT_EQ(WindowsDrive, "C:");

  // OK at once stores the values already stored: nothing in the file changes.
  form->show();
  form->cmdcloseClick();
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), content);
  EXPECT_FALSE(form->isVisible());
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
    QRadioButton* times[] = {form->Radtime1, form->Radtime2, form->Radtime3, form->Radtime4};
    QRadioButton* layouts[] = {form->Radpicti, form->Radpicd, form->Radpicst};
    QRadioButton* colours[] = {form->radcol1, form->radcol2, form->radcol3};
    ExpectSelected(*form, {c.soundOn ? form->Radsndon : form->Radsndof, times[c.time - 1],
                           layouts[c.layout - 1], colours[c.colour - 1]});
    EXPECT_TRUE(form->Radsndon->isEnabled());
  }
}

TEST_F(SettingsDialog, OkStoresWhatTheButtonsShowForEveryCombination) {
  auto form = Open();
  // Both sound buttons are disabled after this opening; their selection still counts.
  QRadioButton* sounds[] = {form->Radsndon, form->Radsndof};
  QRadioButton* times[] = {form->Radtime1, form->Radtime2, form->Radtime3, form->Radtime4};
  QRadioButton* layouts[] = {form->Radpicti, form->Radpicd, form->Radpicst};
  QRadioButton* colours[] = {form->radcol1, form->radcol2, form->radcol3};
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 4; ++t)
      for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 3; ++c) {
          sounds[s]->setChecked(true);
          times[t]->setChecked(true);
          layouts[l]->setChecked(true);
          colours[c]->setChecked(true);
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
  EXPECT_TRUE(form->Radsndon->isChecked());
  EXPECT_FALSE(form->Radsndon->isEnabled());
  EXPECT_FALSE(form->Radsndof->isEnabled());
  form->cmdcloseClick();
  EXPECT_TRUE(ReadOptions(kSettings).Sound);
}

TEST_F(SettingsDialog, ListShowsOccupiedSlotsInSlotOrderIncludingEmptyTexts) {
  // Slot 7 has no key: an occupied slot with an empty path. "null" is a file name.
  auto form = OpenWith(
      SettingsText(kSoundOnOptions, {{3, "c.wav"}, {5, "null"}, {7, std::nullopt}, {90, "z.mid"}}));
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"c.wav", "null", "", "z.mid"}));
  EXPECT_EQ(SoundEntryCount, 4);
  EXPECT_EQ(form->ListBox2->currentRow(), 0);
  EXPECT_TRUE(form->Radsndon->isEnabled());
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
  EXPECT_EQ(form->ListBox2->currentRow(), 0);
  Add(*form, "/home/user/new.wav");
  EXPECT_EQ(FileSlot(2), "/home/user/new.wav");
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "c.wav", "/home/user/new.wav"}));
  // The first entry stays highlighted, not the one just added.
  EXPECT_EQ(form->ListBox2->currentRow(), 0);
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
  EXPECT_FALSE(form->Radsndon->isEnabled());
  EXPECT_EQ(SoundEntryCount, 0);
}

TEST_F(SettingsDialog, RemovingTheLastEntryTurnsSoundOffUntilAFileIsChosen) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{4, "only.wav"}}));
  EXPECT_TRUE(form->Radsndon->isChecked());
  Remove(*form, 0);
  EXPECT_EQ(FileSlot(4), kEmptySlot);
  EXPECT_EQ(SoundEntryCount, 0);
  EXPECT_TRUE(form->Radsndof->isChecked());
  EXPECT_FALSE(form->Radsndon->isEnabled());
  EXPECT_FALSE(form->Radsndof->isEnabled());

  Add(*form, "again.wav");
  EXPECT_EQ(FileSlot(1), "again.wav");
  EXPECT_TRUE(form->Radsndon->isEnabled());
  EXPECT_TRUE(form->Radsndof->isEnabled());
  EXPECT_TRUE(form->Radsndof->isChecked());
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
  form->ListBox2->setCurrentRow(1);
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
  EXPECT_EQ(form->ListBox2->currentRow(), 0);
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
  EXPECT_TRUE(form->Radsndon->isChecked());
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
    for (QRadioButton* button : form->findChildren<QRadioButton*>())
      EXPECT_FALSE(button->isChecked()) << button->text().toStdString();
    EXPECT_EQ(SoundEntryCount, 0);
    EXPECT_EQ(form->ListBox2->count(), 0);
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
  ASSERT_FALSE(form->Radsndon->isEnabled());
  BlockWrites();

  chosenFiles.push_back("b.wav");
  EXPECT_THROW(form->cmdwavClick(), EIniFileException);
  EXPECT_EQ(SoundSlots[1], kEmptySlot);
  EXPECT_EQ(SoundEntryCount, 0);
  EXPECT_FALSE(form->Radsndon->isEnabled());
  EXPECT_FALSE(form->Radsndof->isEnabled());

  UnblockWrites();
  Add(*form, "b.wav");
  Add(*form, "c.wav");
  BlockWrites();
  form->ListBox2->setCurrentRow(1);
  boxAnswers.push_back(IDOK);
  try {
    form->cmdwavdClick();
    ADD_FAILURE() << "the removal's write should fail";
  } catch (const EIniFileException& error) {
    EXPECT_STREQ(error.what(), ("Unable to write to " + kSettings).c_str());
  }
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"b.wav", "c.wav"}));
  EXPECT_EQ(SoundEntryCount, 2);
  EXPECT_EQ(form->ListBox2->currentRow(), 1);
  EXPECT_EQ(SoundSlots[1], "b.wav");
  EXPECT_EQ(SoundSlots[2], "c.wav");
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=0\r\n", {{1, "b.wav"}, {2, "c.wav"}}));
}

TEST_F(SettingsDialog, FailedWriteOnOkKeepsTheWindowOpenForAnotherTry) {
  auto form = OpenWith(SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n"));
  form->show();
  form->Radsndon->setChecked(true);
  form->Radtime4->setChecked(true);
  // Measure one key's write, then fail the second key's (Color) first operation.
  const std::string content = ReadWholeFile(root.SettingsFile());
  profile_io::FailNthOperation(0, 0);
  TIniFile(kSettings).WriteBool("Options", "Sound", true);
  const unsigned perWrite = profile_io::OperationCount();
  WriteWholeFile(root.SettingsFile(), content);
  profile_io::FailNthOperation(perWrite + 1, EIO);
  form->radcol3->setChecked(true);
  EXPECT_THROW(form->cmdcloseClick(), EIniFileException);
  profile_io::FailNthOperation(0, 0);
  EXPECT_TRUE(form->isVisible());
  const SettingsOptions stored = ReadOptions(kSettings);
  EXPECT_TRUE(stored.Sound);
  EXPECT_EQ(stored.Color, 2);
  EXPECT_EQ(stored.Time, 1);

  // Through the button, as the user presses it: the general error box, the window stays.
  Application().Title = kApplicationTitle;
  BlockWrites();
  form->cmdclose->click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Unable to write to " + kSettings + ".");
  EXPECT_EQ(boxes[0].caption, "Quillmor Screensaver");
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtError);
  EXPECT_TRUE(form->isVisible());

  UnblockWrites();
  form->cmdclose->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=1\r\nColor=3\r\nPicdis=3\r\nTime=4\r\n"));
}

TEST_F(SettingsDialog, AboutAndMoreAreShownModally) {
  auto form = Open();
  Tfrmdisc about;
  TFrmdownld more;
  for (auto [button, window] :
       {std::pair<QPushButton*, TForm*>{form->cmdhelp, &about}, {form->cmdmore, &more}}) {
    bool wasModal = false;
    QTimer::singleShot(0, window, [&wasModal, window] {
      wasModal = window->InModal() && window->isVisible();
      window->SetModalResult(mrCancel);
    });
    button->click();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(window->isVisible());
  }
}

TEST_F(SettingsDialog, WindowAndControlsStandWhereTheyBelong) {
  auto form = Open();
  EXPECT_EQ(form->windowTitle(), "Quillmor Screensaver Settings");
  EXPECT_EQ(form->size(), QSize(552, 383));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                        Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(192, 192, 192));
  EXPECT_EQ(form->font().pixelSize(), 11);
  EXPECT_TRUE(form->Label1->font().bold());

  const std::vector<std::tuple<QWidget*, QWidget*, QRect>> placed = {
      {form->Label1, form.get(), {27, 5, 470, 20}},
      {form->cmdclose, form.get(), {464, 361, 75, 17}},
      {form->GroupBox1, form.get(), {52, 263, 269, 74}},
      {form->radcol2, form->GroupBox1, {14, 33, 171, 17}},
      {form->cmdhelp, form.get(), {464, 337, 75, 17}},
      {form->ListBox2, form.get(), {10, 32, 295, 101}},
      {form->Panel1, form.get(), {10, 168, 175, 89}},
      {form->Radtime4, form->Panel1, {11, 68, 113, 17}},
      {form->Panel2, form.get(), {314, 32, 151, 101}},
      {form->Image2, form->Panel2, {7, 64, 34, 25}},
      {form->Cmdwavd, form->Panel2, {7, 42, 138, 17}},
      {form->Radsndof, form->Panel2, {52, 80, 77, 17}},
      {form->Panel3, form.get(), {314, 168, 153, 89}},
      {form->Radpicd, form->Panel3, {8, 44, 81, 17}},
      {form->Radpicst, form->Panel3, {8, 60, 73, 17}},
      {form->cmdmore, form.get(), {463, 288, 75, 17}},
  };
  for (const auto& [widget, parent, rect] : placed) {
    const char* kind = widget->metaObject()->className();
    EXPECT_EQ(widget->parentWidget(), parent) << kind;
    EXPECT_EQ(widget->pos(), rect.topLeft()) << kind;
    EXPECT_EQ(widget->height(), rect.height()) << kind;
    // A caption in a panel may grow to fit its text, within the panel; nothing else changes size.
    if (qobject_cast<QRadioButton*>(widget) && parent != form->GroupBox1) {
      EXPECT_GE(widget->width(), rect.width()) << kind;
      EXPECT_LE(widget->geometry().right(), parent->width() - 2) << kind;
      EXPECT_GE(widget->width(), widget->sizeHint().width()) << kind;
    } else {
      EXPECT_EQ(widget->width(), rect.width()) << kind;
    }
  }
  // The photograph fills the window from its corner, centred.
  EXPECT_EQ(form->Image1->geometry(), QRect(0, 0, 552, 383));
  EXPECT_TRUE(form->Image1->Center());
  EXPECT_FALSE(form->Image1->Stretch());

  for (QFrame* panel : {form->Panel1, form->Panel2, form->Panel3}) {
    EXPECT_EQ(panel->frameStyle(), QFrame::Panel | QFrame::Sunken);
    EXPECT_EQ(panel->lineWidth(), 2);
  }
  for (QLabel* label : {form->Label2, form->Label3, form->Label4})
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  EXPECT_TRUE(form->GroupBox1->isHidden());
  for (QPushButton* button : form->findChildren<QPushButton*>()) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }

  // Drawing order: Label1 under Image1, every other control over both.
  const QObjectList stack = form->children();
  const auto depth = [&](QWidget* widget) { return stack.indexOf(widget); };
  EXPECT_LT(depth(form->Label1), depth(form->Image1));
  for (QWidget* over : {static_cast<QWidget*>(form->Panel1), static_cast<QWidget*>(form->Panel2),
                        static_cast<QWidget*>(form->Panel3), static_cast<QWidget*>(form->ListBox2),
                        static_cast<QWidget*>(form->cmdclose), static_cast<QWidget*>(form->cmdhelp),
                        static_cast<QWidget*>(form->cmdmore)})
    EXPECT_GT(depth(over), depth(form->Image1));

  // Focus order.
  const std::vector<QWidget*> order = {
      form->cmdclose, form->cmdhelp,  form->ListBox2, form->Radtime1, form->Radtime2,
      form->Radtime3, form->Radtime4, form->Cmdwav,   form->Cmdwavd,  form->Radsndon,
      form->Radsndof, form->Radpicti, form->Radpicst, form->Radpicd,  form->cmdmore};
  // Walk the chain once around; a list box brings its own parts into it, which do not count.
  std::vector<QWidget*> visited;
  QWidget* widget = form->cmdclose;
  do {
    if (std::find(order.begin(), order.end(), widget) != order.end())
      visited.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != form->cmdclose);
  EXPECT_EQ(visited, order);

  // The hand is drawn from the control's corner; the control cuts off the rest.
  const QImage hand = PointingHandPicture().toImage();
  EXPECT_EQ(hand.size(), QSize(32, 32));
  EXPECT_EQ(form->Image2->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

TEST_F(SettingsDialog, ShownInTheCentreOfTheScreen) {
  platform_test::SetScreenSize(std::pair{1024, 768});
  auto form = Open();
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(form->frameGeometry().center(), QRect(0, 0, 1024, 768).center());
  // The photograph is centred in the whole window, frame included.
  EXPECT_EQ(form->Image1->geometry(), QRect(QPoint(0, 0), form->frameGeometry().size()));
  platform_test::SetScreenSize(std::nullopt);
  form->close();
}

TEST_F(SettingsDialog, ListItemsAreThirteenPixelsHigh) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}}));
  form->show();
  EXPECT_EQ(form->ListBox2->visualItemRect(form->ListBox2->item(0)).height(), 13);
  EXPECT_EQ(form->ListBox2->visualItemRect(form->ListBox2->item(1)).top(),
            form->ListBox2->visualItemRect(form->ListBox2->item(0)).top() + 13);
  form->close();
}

TEST_F(SettingsDialog, TheListKeepsOneEntryHighlightedAndRemoveActsOnIt) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}, {3, "c.wav"}}));
  ASSERT_TRUE(ShowActive(*form));
  QListWidget& list = *form->ListBox2;
  QWidget& rows = *list.viewport();
  const auto highlighted = [&] {
    std::vector<int> selected;
    for (const QModelIndex& index : list.selectionModel()->selectedIndexes())
      selected.push_back(index.row());
    return selected;
  };
  const QPoint third = list.visualItemRect(list.item(2)).center();
  const QPoint blank(rows.width() / 2, rows.height() - 5);
  ASSERT_FALSE(list.itemAt(blank));

  Click(rows, third);
  EXPECT_EQ(highlighted(), std::vector<int>{2});
  Click(rows, blank);
  EXPECT_EQ(highlighted(), std::vector<int>{2});
  Click(rows, third, Qt::ControlModifier);
  EXPECT_EQ(highlighted(), std::vector<int>{2});
  ASSERT_EQ(QApplication::focusWidget(), &list);
  PressKey(Qt::Key_Space, Qt::ControlModifier, " ");
  EXPECT_EQ(highlighted(), std::vector<int>{2});

  boxAnswers.push_back(IDOK);
  form->Cmdwavd->click();
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(FileSlot(3), kEmptySlot);
  EXPECT_EQ(highlighted(), std::vector<int>{0});
  ExpectConsistent(*form);
  form->hide();
}

TEST_F(SettingsDialog, TabEntersEachRadioGroupOnItsCheckedButtonAndArrowsMoveWithin) {
  auto form =
      OpenWith(SettingsText("Sound=1\r\nColor=1\r\nPicdis=2\r\nTime=3\r\n", {{1, "a.wav"}}));
  ASSERT_TRUE(ShowActive(*form));
  form->cmdclose->setFocus(Qt::TabFocusReason);
  const auto walk = [&](Qt::KeyboardModifiers modifiers) {
    std::vector<QWidget*> visited;
    for (int step = 0; step < 10; ++step) {
      visited.push_back(QApplication::focusWidget());
      PressKey(Qt::Key_Tab, modifiers);
    }
    return visited;
  };
  EXPECT_EQ(walk(Qt::NoModifier),
            (std::vector<QWidget*>{form->cmdclose, form->cmdhelp, form->ListBox2, form->Radtime3,
                                   form->Cmdwav, form->Cmdwavd, form->Radsndon, form->Radpicd,
                                   form->cmdmore, form->cmdclose}));

  // Space on the button Tab entered on changes nothing.
  form->cmdmore->setFocus(Qt::TabFocusReason);
  PressKey(Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_EQ(QApplication::focusWidget(), form->Radpicd);
  PressKey(Qt::Key_Space, Qt::NoModifier, " ");
  ExpectSelected(*form, {form->Radsndon, form->Radtime3, form->Radpicd, form->radcol1});

  // The arrows move along the group as it stands on the screen, selecting as they go.
  PressKey(Qt::Key_Down);
  EXPECT_EQ(QApplication::focusWidget(), form->Radpicst);
  PressKey(Qt::Key_Up);
  PressKey(Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), form->Radpicti);
  ExpectSelected(*form, {form->Radsndon, form->Radtime3, form->Radpicti, form->radcol1});
  PressKey(Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), form->Radpicti);

  // Tab now enters that group on the newly selected button, also backwards.
  PressKey(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form->cmdmore);
  PressKey(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), form->Radpicti);
  form->hide();
}

TEST_F(SettingsDialog, FileOpenDialogNamesItsFilterAsGivenAndTakesATypedPath) {
  SetOpenFileResponder({});
  auto form = OpenWith(SettingsText(kSoundOnOptions));
  ASSERT_TRUE(ShowActive(*form));
  const std::string typed = (root.DriveC() / "typed.mid").string();
  QString shownFilter;
  QStringList patterns;
  std::string focusedWhenOpened;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog)
      return;
    if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo"))
      shownFilter = types->currentText();
    if (auto* files = dialog->findChild<QFileSystemModel*>())
      patterns = files->nameFilters();
    if (!ShowActive(*dialog))
      return dialog->reject();
    if (const QWidget* focused = QApplication::focusWidget())
      focusedWhenOpened = focused->metaObject()->className();
    TypeText(QString::fromStdString(typed));
    PressKey(Qt::Key_Return);
    if (dialog->isVisible())
      dialog->reject();
  });
  form->Cmdwav->click();
  EXPECT_EQ(shownFilter, "wav (*.wav);midi (*.mid)");
  EXPECT_EQ(patterns, (QStringList{"*.wav", "*.mid"}));
  EXPECT_EQ(focusedWhenOpened, "QLineEdit");
  EXPECT_EQ(Entries(*form), std::vector<std::string>{typed});
  form->hide();
}

TEST_F(SettingsDialog, ClosingTheWindowStoresTheOptionsAsOkDoesOrStaysOpenOnce) {
  Application().Title = kApplicationTitle;
  auto form = OpenWith(SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n"));
  form->show();
  form->Radtime2->click();
  form->Radpicti->click();

  BlockWrites();
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Unable to write to " + kSettings + ".");

  UnblockWrites();
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=0\r\nColor=2\r\nPicdis=1\r\nTime=2\r\n"));
}

TEST_F(SettingsDialog, AFileThatStaysUnwritableDoesNotKeepTheWindowOpenForGood) {
  Application().Title = kApplicationTitle;
  const std::string stored = SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n");
  auto form = OpenWith(stored);
  form->show();
  form->Radtime2->click();

  BlockWrites();
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
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

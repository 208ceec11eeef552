// The settings dialog's options and sound files: what it shows, what it stores, and how it reports
// what it cannot do.
#include "usave2_fixture.h"

namespace usave2_test {

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
    ForEachControl(*form, [](TControl& control) {
      if (auto* button = dynamic_cast<TRadioButton*>(&control)) {
        EXPECT_FALSE(button->Checked()) << button->Name();
      }
    });
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

} // namespace usave2_test

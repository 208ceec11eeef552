// The settings dialog driven as a user drives it: the fixture and helpers its tests share, with
// scripted answers for its boxes and its file-open dialog, against a settings file in a temporary
// folder.
#pragma once

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

namespace usave2_test {

using namespace usave2;

inline const std::string kSettings = "C:\\WINDOWS\\quilmr20.ini";
inline const std::string kBackground = "C:\\Tavrin\\Quillmor\\juvinile.jpg";

inline std::string SoundPath(int i) {
  return "C:\\sounds\\s" + std::to_string(i) + ".wav";
}

// A settings file: the option lines as given, then the slotValues, "Null" where none is given; a
// slot mapped to nullopt has no key at all.
inline std::string SettingsText(const std::string& options,
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

inline const std::string kSoundOnOptions = "Sound=1\r\nColor=1\r\nPicdis=1\r\nTime=2\r\n";

inline bool Near(TColor pixel, TColor colour, int tolerance = 24) {
  return std::abs(RedOf(pixel) - RedOf(colour)) <= tolerance &&
         std::abs(GreenOf(pixel) - GreenOf(colour)) <= tolerance &&
         std::abs(BlueOf(pixel) - BlueOf(colour)) <= tolerance;
}

inline int Lightness(TColor pixel) {
  return (RedOf(pixel) + GreenOf(pixel) + BlueOf(pixel)) / 3;
}

// Shows the window and waits until it has the keyboard, on the given control.
inline bool ShowActive(TForm& form, TControl& focus) {
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
inline void ExpectSelected(const TForm2& form, const Selection& expected) {
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

} // namespace usave2_test

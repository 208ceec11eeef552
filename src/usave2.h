// The settings dialog: the options as radio buttons, the sound files as a list, and the
// photograph of the picture folder behind them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/forms.h"
#include "settings/settings.h"

class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QPixmap;
class TImage;

// The dialog's state, shared by its handlers.
namespace usave2 {
extern std::string WindowsDir;
extern std::string WindowsDrive;
extern std::string SettingsPath;
// Slots 1 to 100 (index 0 unused): the dialog's copy of the file's sound slots.
extern std::array<std::string, kSoundSlotCount + 1> SoundSlots;
// Entries in ListBox2.
extern std::int16_t SoundEntryCount;
// The file-name field's start in the file-open dialog: the path chosen last in this run.
extern std::string LastChosenSoundFile;

inline const char kOpenDialogFilter[] = "wav (*.wav);midi (*.mid)|*.wav;*.mid";
inline const char kMaximumEntriesText[] = "You have reached the maximum number of entries stored.  "
                                          "Please delete one if you wish to add another.";
inline const char kEmptyListText[] =
    "There are no items in the list. Click ADD to add some sound files to the list.";
inline const char kRemovalWarningText[] =
    "You are about to delete the highlighted item in the box above. Click OK to confirm. ";
inline const char kSearchErrorText[] =
    "An error occurred while looking for the string to delete. You may need to delete your file "
    "and run the screen saver settings again which will re-create the file. If this continues "
    "contact technical support.";
} // namespace usave2

class TForm2 : public TForm {
  Q_OBJECT
public:
  TForm2();
  ~TForm2() override;

  void FormCreate() override;
  void cmdcloseClick();
  void cmdwavClick();
  void cmdwavdClick();
  void cmdhelpClick();
  void cmdmoreClick();

  // Puts one path into the first empty slot.
  void AddSoundFile(const std::string& path);
  // Empties the slot of the highlighted list entry and removes the entry.
  void RemoveSoundFile();

  QLabel* Label1 = nullptr;
  TImage* Image1 = nullptr;
  QPushButton* cmdclose = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* radcol1 = nullptr;
  QRadioButton* radcol2 = nullptr;
  QRadioButton* radcol3 = nullptr;
  QPushButton* cmdhelp = nullptr;
  QListWidget* ListBox2 = nullptr;
  QFrame* Panel1 = nullptr;
  QLabel* Label2 = nullptr;
  QRadioButton* Radtime1 = nullptr;
  QRadioButton* Radtime2 = nullptr;
  QRadioButton* Radtime3 = nullptr;
  QRadioButton* Radtime4 = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Image2 = nullptr;
  QPushButton* Cmdwav = nullptr;
  QPushButton* Cmdwavd = nullptr;
  QRadioButton* Radsndon = nullptr;
  QRadioButton* Radsndof = nullptr;
  QFrame* Panel3 = nullptr;
  QLabel* Label4 = nullptr;
  QRadioButton* Radpicti = nullptr;
  QRadioButton* Radpicst = nullptr;
  QRadioButton* Radpicd = nullptr;
  QPushButton* cmdmore = nullptr;

protected:
  void showEvent(QShowEvent* event) override;
  // Leaving through the frame's close box, where the desktop gives one, stores the options as OK
  // does; when they cannot be stored the window stays open.
  void closeEvent(QCloseEvent* event) override;
  void FrameChanged() override;

private:
  void CreateControls();
  void WidenClippedCaptions();
  void CentreOnScreen();
  void StoreOptions();
  void SetFocusOrder();
  void SelectOptions(const SettingsOptions& options);
  SettingsOptions OptionsFromButtons() const;
  void AppendListEntry(const std::string& text);
  void HighlightFirstEntry();
  void EnableSoundButtons(bool enabled);

  bool centred_ = false;
  bool optionsStored_ = false;
  bool closeRefused_ = false;
};

// The hand pointing left that stands beside the sound buttons.
QPixmap PointingHandPicture();

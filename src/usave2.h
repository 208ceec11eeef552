// The settings dialog: the options as radio buttons, the sound files as a list, and the
// photograph of the picture folder behind them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/image.h"
#include "platform/pixels.h"
#include "settings/settings.h"

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
public:
  TForm2();
  ~TForm2() override;

  void FormCreate() override;
  void cmdcloseClick();
  void cmdwavClick();
  void cmdwavdClick();
  void cmdhelpClick();
  void cmdmoreClick();
  // Leaving through the frame's close box, where the desktop gives one, stores the options as OK
  // does; when they cannot be stored the window stays open.
  bool FormCloseQuery();
  void FormFrameChanged();

  // Puts one path into the first empty slot.
  void AddSoundFile(const std::string& path);
  // Empties the slot of the highlighted list entry and removes the entry.
  void RemoveSoundFile();

  TLabel* Label1 = nullptr;
  TImage* Image1 = nullptr;
  TButton* cmdclose = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TRadioButton* radcol1 = nullptr;
  TRadioButton* radcol2 = nullptr;
  TRadioButton* radcol3 = nullptr;
  TButton* cmdhelp = nullptr;
  TListBox* ListBox2 = nullptr;
  TPanel* Panel1 = nullptr;
  TLabel* Label2 = nullptr;
  TRadioButton* Radtime1 = nullptr;
  TRadioButton* Radtime2 = nullptr;
  TRadioButton* Radtime3 = nullptr;
  TRadioButton* Radtime4 = nullptr;
  TPanel* Panel2 = nullptr;
  TLabel* Label3 = nullptr;
  TImage* Image2 = nullptr;
  TButton* Cmdwav = nullptr;
  TButton* Cmdwavd = nullptr;
  TRadioButton* Radsndon = nullptr;
  TRadioButton* Radsndof = nullptr;
  TPanel* Panel3 = nullptr;
  TLabel* Label4 = nullptr;
  TRadioButton* Radpicti = nullptr;
  TRadioButton* Radpicst = nullptr;
  TRadioButton* Radpicd = nullptr;
  TButton* cmdmore = nullptr;

private:
  void CreateControls();
  void ConnectHandlers();
  void FitImage1ToTheWindow();
  void StoreOptions();
  void SelectOptions(const SettingsOptions& options);
  SettingsOptions OptionsFromButtons() const;
  void AppendListEntry(const std::string& text);
  void HighlightFirstEntry();
  void EnableSoundButtons(bool enabled);

  bool optionsStored_ = false;
  bool closeRefused_ = false;
};

// The hand pointing left that stands beside the sound buttons: 32 x 32 pixels, drawn on the
// panel's silver.
TPixels PointingHandPicture();

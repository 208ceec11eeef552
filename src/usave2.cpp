#include "usave2.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "Usave5.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/graphics.h"
#include "program.h"
#include "udownld.h"

namespace usave2 {
std::string WindowsDir;
std::string WindowsDrive;
std::string SettingsPath;
std::array<std::string, kSoundSlotCount + 1> SoundSlots;
std::int16_t SoundEntryCount = 0;
std::string LastChosenSoundFile;
} // namespace usave2

using namespace usave2;

namespace {

constexpr int kClientWidth = 552;   // px
constexpr int kClientHeight = 383;  // px
constexpr int kListItemHeight = 13; // px
constexpr int kPanelBevelWidth = 2; // px
// An occupied value: what every slot holds until the file has been read.
const std::string kUnreadSlot = " ";
const char kBackgroundPicture[] = "Tavrin\\Quillmor\\juvinile.jpg";

// The hand as it was first drawn, smoothed edges and all, on the silver of the panel it stands on:
// one letter a pixel, each letter a colour of the table below.
// clang-format off
const char* const kHandRows[] = {
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    ".............ab####bc...........",
    "............adooooooef..........",
    "............boooooooob....g###g.",
    "...hi#######jkoooooolm#bnp#WWW#.",
    "..hqroooooooost####uvooowx#WWW#.",
    "..irooooooooooyzoooooooooA#WWW#.",
    "..BCoooooooooouooooooooooo#WWW#.",
    "..DECooooooooo#ooooooooooo#WWW#.",
    "...DB################ooooo#WWW#.",
    "..............#ooooooooooo#WWW#.",
    "..............#ooooooooooo#WWW#.",
    "..............#######ooooo#WWW#.",
    "..............#ooooooooooo#WWW#.",
    "..............#ooooooooooo#WWW#.",
    "..............#######ooooo#WWW#.",
    "..............nwoooooooooF#WWW#.",
    "..............pxAoooooooFG#WWW#.",
    "...............pHb#####bIJ#WWW#.",
    "..........................g###g.",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};
// clang-format on
constexpr std::pair<char, TColor> kHandColours[] = {
    {'#', RGB(0, 0, 0)},       {'.', RGB(192, 192, 192)}, {'A', RGB(148, 130, 110)},
    {'B', RGB(44, 41, 38)},    {'C', RGB(203, 178, 150)}, {'D', RGB(138, 136, 135)},
    {'E', RGB(69, 61, 53)},    {'F', RGB(147, 129, 109)}, {'G', RGB(55, 51, 45)},
    {'H', RGB(88, 84, 80)},    {'I', RGB(89, 85, 81)},    {'J', RGB(175, 175, 175)},
    {'W', RGB(255, 255, 255)}, {'a', RGB(93, 90, 87)},    {'b', RGB(57, 53, 49)},
    {'c', RGB(96, 93, 90)},    {'d', RGB(101, 88, 75)},   {'e', RGB(100, 87, 74)},
    {'f', RGB(95, 92, 89)},    {'g', RGB(52, 52, 52)},    {'h', RGB(136, 135, 134)},
    {'i', RGB(43, 41, 38)},    {'j', RGB(24, 21, 18)},    {'k', RGB(99, 87, 73)},
    {'l', RGB(97, 86, 72)},    {'m', RGB(24, 22, 18)},    {'n', RGB(87, 83, 79)},
    {'o', RGB(255, 224, 189)}, {'p', RGB(173, 173, 173)}, {'q', RGB(70, 63, 54)},
    {'r', RGB(204, 179, 151)}, {'s', RGB(118, 104, 87)},  {'t', RGB(61, 53, 45)},
    {'u', RGB(64, 56, 48)},    {'v', RGB(122, 107, 90)},  {'w', RGB(149, 131, 110)},
    {'x', RGB(56, 51, 45)},    {'y', RGB(105, 92, 78)},   {'z', RGB(150, 132, 111)}};

TColor HandColour(char key) {
  for (const auto& [letter, colour] : kHandColours) {
    if (letter == key)
      return colour;
  }
  throw std::logic_error(std::string("no colour for the hand's pixel ") + key);
}

TPanel* NewPanel(TControl& parent, const char* name, int left, int top, int width, int height) {
  auto* panel = parent.Add<TPanel>(name);
  panel->SetBevel(TPanelBevel::bvLowered, kPanelBevelWidth);
  panel->SetBounds(left, top, width, height);
  return panel;
}

TLabel* NewNavyLabel(TControl& parent, const char* name, const char* caption, int left, int top,
                     int width, int height) {
  auto* label = parent.Add<TLabel>(name, caption);
  TFont navy = label->Font();
  navy.Color = clNavy;
  label->SetFont(navy);
  label->SetBounds(left, top, width, height);
  return label;
}

TRadioButton* NewRadio(TControl& parent, const char* name, const char* caption, int left, int top,
                       int width, int height) {
  auto* radio = parent.Add<TRadioButton>(name, caption);
  radio->SetBounds(left, top, width, height);
  return radio;
}

// No button of this window is the default one, so neither Enter nor Escape presses any.
TButton* NewButton(TControl& parent, const char* name, const char* caption, int left, int top,
                   int width, int height) {
  auto* button = parent.Add<TButton>(name, caption);
  button->SetBounds(left, top, width, height);
  return button;
}

} // namespace

TPixels PointingHandPicture() {
  constexpr int kSide = 32; // px
  TPixels picture(kSide, kSide, TPixelFormat::pf24bit);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x)
      picture.SetPixel(x, y, HandColour(kHandRows[y][x]));
  }
  return picture;
}

TForm2::TForm2() : TForm("TForm2") {
  SetCaption("Quillmor Screensaver Settings");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetClientSize(kClientWidth, kClientHeight);
  SetPosition(TPosition::poScreenCenter);
  SetColor(clSilver);
  SetFont(TFont{11});
  CreateControls();
  // The substitute font and the desktop's radio circle take a few more pixels than the layout
  // was made for.
  WidenClippedCaptions({Panel1, Panel2, Panel3});
  FitCaptions();
  SetTabOrder({cmdclose, cmdhelp, ListBox2, Radtime1, Radtime2, Radtime3, Radtime4, Cmdwav, Cmdwavd,
               Radsndon, Radsndof, Radpicti, Radpicst, Radpicd, cmdmore});
  ConnectHandlers();
}

TForm2::~TForm2() = default;

void TForm2::CreateControls() {
  Label1 = Add<TLabel>(
      "Label1", "You can enter up to 100 sound files (wav or midi) for your screensaver to play. ");
  TFont bold = Label1->Font();
  bold.Bold = true;
  Label1->SetFont(bold);
  Label1->SetWordWrap(true);
  Label1->SetBounds(27, 5, 470, 20);

  // Created after Label1, so drawn over it; every later control is drawn over both.
  Image1 = Add<TImage>("Image1");
  Image1->SetCenter(true);
  Image1->SetStretch(false);
  Image1->SetBounds(0, 0, kClientWidth, kClientHeight);

  cmdclose = NewButton(*this, "cmdclose", "OK", 464, 361, 75, 17);

  GroupBox1 = Add<TGroupBox>("GroupBox1", "Background Colors ");
  GroupBox1->SetBounds(52, 263, 269, 74);
  GroupBox1->Hide();
  radcol1 = NewRadio(*GroupBox1, "radcol1", "Black - Gray - Silver - White", 14, 17, 219, 17);
  radcol2 = NewRadio(*GroupBox1, "radcol2", "Navy - Black - Purple - Maroon", 14, 33, 171, 17);
  radcol3 = NewRadio(*GroupBox1, "radcol3", "Green - Aqua - Fuschia - Yellow", 14, 49, 171, 17);

  cmdhelp = NewButton(*this, "cmdhelp", "About", 464, 337, 75, 17);

  ListBox2 = Add<TListBox>("ListBox2");
  ListBox2->SetItemHeight(kListItemHeight);
  ListBox2->SetBounds(10, 32, 295, 101);

  Panel1 = NewPanel(*this, "Panel1", 10, 168, 175, 89);
  Label2 = NewNavyLabel(*Panel1, "Label2", "Time Delay Between Pictures:", 3, 4, 142, 17);
  Radtime1 = NewRadio(*Panel1, "Radtime1", "15 Seconds", 11, 20, 113, 17);
  Radtime2 = NewRadio(*Panel1, "Radtime2", "30 Seconds", 11, 36, 113, 17);
  Radtime3 = NewRadio(*Panel1, "Radtime3", "45 Seconds", 11, 52, 113, 17);
  Radtime4 = NewRadio(*Panel1, "Radtime4", "60 Seconds", 11, 68, 113, 17);

  Panel2 = NewPanel(*this, "Panel2", 314, 32, 151, 101);
  Label3 = NewNavyLabel(*Panel2, "Label3", "Sound Options:", 4, 4, 77, 13);
  // Drawn from the control's corner; the control cuts off the rest.
  Image2 = Panel2->Add<TImage>("Image2");
  Image2->Picture().SetGraphic(std::make_unique<TBitmap>(PointingHandPicture()));
  Image2->SetBounds(7, 64, 34, 25);
  Cmdwav = NewButton(*Panel2, "Cmdwav", "Add Sound File", 7, 21, 138, 17);
  Cmdwavd = NewButton(*Panel2, "Cmdwavd", "Remove Sound File", 7, 42, 138, 17);
  Radsndon = NewRadio(*Panel2, "Radsndon", "Sound ON", 52, 62, 69, 17);
  Radsndof = NewRadio(*Panel2, "Radsndof", "Sound OFF", 52, 80, 77, 17);

  Panel3 = NewPanel(*this, "Panel3", 314, 168, 153, 89);
  Label4 = NewNavyLabel(*Panel3, "Label4", "Picture Displays:", 7, 4, 90, 17);
  Radpicti = NewRadio(*Panel3, "Radpicti", "Tiled", 8, 28, 65, 17);
  Radpicst = NewRadio(*Panel3, "Radpicst", "Full Screen", 8, 60, 73, 17);
  Radpicd = NewRadio(*Panel3, "Radpicd", "Default Size", 8, 44, 81, 17);

  cmdmore = NewButton(*this, "cmdmore", "More", 463, 288, 75, 17);
}

void TForm2::ConnectHandlers() {
  cmdclose->OnClick = [this] { cmdcloseClick(); };
  cmdhelp->OnClick = [this] { cmdhelpClick(); };
  Cmdwav->OnClick = [this] { cmdwavClick(); };
  Cmdwavd->OnClick = [this] { cmdwavdClick(); };
  cmdmore->OnClick = [this] { cmdmoreClick(); };
  OnCloseQuery = [this] { return FormCloseQuery(); };
  OnFrameChanged = [this] { FormFrameChanged(); };
}

// The photograph is centred in the whole window, frame included. Until the desktop tells the frame
// (and without a window manager) that is the client size.
void TForm2::FitImage1ToTheWindow() {
  const TRect outer = OuterBounds();
  Image1->SetBounds(0, 0, outer.Width, outer.Height);
}

void TForm2::FormFrameChanged() {
  FitImage1ToTheWindow();
}

// Closing from the frame stores the options as OK does. When they cannot be stored the window
// stays open once, so that the user can make the file writable and try again; closing again then
// goes through, as a window that can never be closed would leave only killing it.
bool TForm2::FormCloseQuery() {
  if (optionsStored_)
    return true;
  try {
    StoreOptions();
  } catch (const std::exception& error) {
    Application().ShowException(error);
    if (!closeRefused_) {
      closeRefused_ = true;
      return false;
    }
  }
  return true;
}

void TForm2::FormCreate() {
  usave2::WindowsDir = LookUpWindowsDir();
  WindowsDrive = DriveOf(usave2::WindowsDir);
  usave2::SettingsPath = SettingsPathIn(usave2::WindowsDir);

  SoundEntryCount = 0;
  SoundSlots.fill(kUnreadSlot);

  if (SettingsFileExists(usave2::SettingsPath)) {
    SelectOptions(ReadOptions(usave2::SettingsPath));
    for (int n = 1; n <= kSoundSlotCount; ++n)
      SoundSlots[n] = ReadSoundSlot(usave2::SettingsPath, n);
  } else {
    // A failed write leaves here; the slots not yet written keep their blank.
    WriteDialogDefaults(usave2::SettingsPath, [](int n) { SoundSlots[n] = kEmptySlot; });
    Radsndof->SetChecked(true);
    Radtime1->SetChecked(true);
    Radpicst->SetChecked(true);
    radcol2->SetChecked(true);
  }

  for (int n = 1; n <= kSoundSlotCount; ++n) {
    if (SoundSlots[n] != kEmptySlot)
      AppendListEntry(SoundSlots[n]);
  }
  HighlightFirstEntry();
  if (SoundEntryCount < 1)
    EnableSoundButtons(false);

  FitImage1ToTheWindow();
  Image1->Picture().LoadFromFile(WindowsDrive + "\\" + kBackgroundPicture);
}

void TForm2::SelectOptions(const SettingsOptions& options) {
  (options.Sound ? Radsndon : Radsndof)->SetChecked(true);
  TRadioButton* const times[] = {Radtime1, Radtime2, Radtime3, Radtime4};
  times[options.Time - 1]->SetChecked(true);
  TRadioButton* const colours[] = {radcol1, radcol2, radcol3};
  colours[options.Color - 1]->SetChecked(true);
  TRadioButton* const layouts[] = {Radpicti, Radpicd, Radpicst};
  layouts[options.Picdis - 1]->SetChecked(true);
}

SettingsOptions TForm2::OptionsFromButtons() const {
  SettingsOptions options;
  options.Sound = Radsndon->Checked();
  options.Color = radcol1->Checked() ? 1 : radcol2->Checked() ? 2 : 3;
  options.Picdis = Radpicti->Checked() ? 1 : Radpicd->Checked() ? 2 : 3;
  options.Time = Radtime1->Checked() ? 1 : Radtime2->Checked() ? 2 : Radtime3->Checked() ? 3 : 4;
  return options;
}

void TForm2::AppendListEntry(const std::string& text) {
  ListBox2->AddItem(text);
  ++SoundEntryCount;
}

void TForm2::HighlightFirstEntry() {
  if (ListBox2->Count() > 0)
    ListBox2->SetItemIndex(0);
}

void TForm2::EnableSoundButtons(bool enabled) {
  Radsndon->SetEnabled(enabled);
  Radsndof->SetEnabled(enabled);
}

void TForm2::StoreOptions() {
  WriteOptions(usave2::SettingsPath, OptionsFromButtons());
  optionsStored_ = true;
}

void TForm2::cmdcloseClick() {
  StoreOptions();
  Close();
}

void TForm2::cmdwavClick() {
  OpenFileRequest request;
  request.filter = kOpenDialogFilter;
  request.initialPath = LastChosenSoundFile;
  request.hideReadOnly = true;
  request.mustExist = false;
  const std::optional<std::string> chosen = GetOpenFileName(request);
  if (!chosen)
    return;
  LastChosenSoundFile = *chosen;
  AddSoundFile(*chosen);
  EnableSoundButtons(true);
}

void TForm2::AddSoundFile(const std::string& path) {
  int n = 1;
  while (n <= kSoundSlotCount && SoundSlots[n] != kEmptySlot)
    ++n;
  if (n > kSoundSlotCount) {
    MessageDlg(kMaximumEntriesText, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbOK);
    return;
  }
  WriteSoundSlot(usave2::SettingsPath, n, path);
  SoundSlots[n] = path;
  AppendListEntry(path);
  HighlightFirstEntry();
}

void TForm2::cmdwavdClick() {
  if (SoundEntryCount <= 0) {
    MessageDlg(kEmptyListText, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
    return;
  }
  if (MessageDlg(kRemovalWarningText, TMsgDlgType::mtWarning, TMsgDlgButtons::mbOKCancel) != IDOK)
    return;
  RemoveSoundFile();
}

void TForm2::RemoveSoundFile() {
  const int highlighted = ListBox2->ItemIndex();
  if (highlighted < 0 || highlighted >= ListBox2->Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(highlighted) + ")");
  // The entry's own bytes: a name that is not UTF-8 must still be found in the file.
  const std::string text = ListBox2->Item(highlighted);
  // The file decides, not the dialog's copy: another process may have changed it meanwhile.
  for (int n = 1; n <= kSoundSlotCount; ++n) {
    if (ReadSoundSlot(usave2::SettingsPath, n) != text)
      continue;
    WriteSoundSlot(usave2::SettingsPath, n, kEmptySlot);
    SoundSlots[n] = kEmptySlot;
    ListBox2->DeleteItem(highlighted);
    --SoundEntryCount;
    if (SoundEntryCount < 1) {
      Radsndof->SetChecked(true);
      EnableSoundButtons(false);
    }
    HighlightFirstEntry();
    return;
  }
  MessageDlg(kSearchErrorText, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

void TForm2::cmdhelpClick() {
  if (frmdisc)
    frmdisc->ShowModal();
}

void TForm2::cmdmoreClick() {
  if (Frmdownld)
    Frmdownld->ShowModal();
}

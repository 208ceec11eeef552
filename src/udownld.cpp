#include "udownld.h"

#include <cstdint>

#include "platform/pixels.h"
#include "platform/system.h"
#include "platform/timer.h"

namespace {
constexpr std::string_view kHomePage = "https://quillmor.example.org/";
constexpr std::string_view kReleasesPage = "https://quillmor.example.org/releases";
constexpr std::string_view kIssueTracker = "https://quillmor.example.org/issues";
} // namespace

const std::string_view DownloadPage = kReleasesPage;

const std::array<AdvertisedProgram, 3> MoreSoftware = {{
    {"Quillmor 2.0",
     "The screen saver you are using now: photographs in four tiles, at their own size or "
     "across the whole screen, with your own sounds playing alongside.\n"
     "Get the newest copy from the project's home page.\n"
     "Free of charge.",
     kHomePage},
    {"Quillmor Releases",
     "Every published version of the Quillmor Screensaver, each with a list of what changed "
     "since the one before.\n"
     "Pick an earlier version if the newest one does not suit your computer.\n"
     "Free of charge.",
     kReleasesPage},
    {"Quillmor Feedback",
     "Found a fault or missing a feature?  Tell the Quillmor Screensaver developers on the "
     "project's issue tracker.\n"
     "Please say which version you use and what you saw.",
     kIssueTracker},
}};

namespace {

constexpr std::size_t kDownloadTextCapacity = 100;
constexpr int kTimerInterval = 2500; // ms
constexpr TRect kOuterBounds = {102, 23, 458, 365};
constexpr int kScrollWidth = 419, kScrollHeight = 600; // px

constexpr const char* kInstructionStart =
    "Click any button to download any of the software programs listed. If your browser does not "
    "open when you click the download button, you can point your browser to";
constexpr const char* kInstructionEnd = " to select your software download.";

// '#' black outline, 't' teal, '.' silver ground.
constexpr std::array<const char*, 13> kArrowRows = {
    ".............", //
    "......#......", //
    "......##.....", //
    "......#t#....", //
    "#######tt#...", //
    "#tttttttttt#.", //
    "#ttttttttttt#", //
    "#tttttttttt#.", //
    "#######tt#...", //
    "......#t#....", //
    "......##.....", //
    "......#......", //
    ".............", //
};

// The sixteen colours of the desktop's standard palette.
constexpr std::array<TColor, 16> kSixteenColours = {
    clBlack,          clMaroon,         RGB(0, 128, 0), RGB(128, 128, 0), clNavy,
    RGB(128, 0, 128), clTeal,           clSilver,       clGray,           clRed,
    RGB(0, 255, 0),   RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 0, 255), RGB(0, 255, 255),
    clWhite};

std::string Text(std::string_view text) {
  return std::string(text);
}

TLabel* ProgramLabel(TControl& parent, const char* name, const AdvertisedProgram& program,
                     const TRect& bounds) {
  auto* label = parent.Add<TLabel>(name, Text(program.Name));
  label->SetFont(TFont{.Height = 19, .Italic = true, .Color = clNavy});
  label->SetBounds(bounds);
  return label;
}

TBitBtn* DownloadButton(TControl& parent, const char* name, const TRect& bounds, int margin) {
  auto* button = parent.Add<TBitBtn>(name, "Download Here");
  button->SetFont(TFont{.Height = 11, .Bold = true, .Color = clMaroon});
  button->SetGlyph(DownloadArrow());
  button->SetMargin(margin);
  button->SetBounds(bounds);
  return button;
}

TMemo* DescriptionBox(TControl& parent, const char* name, const AdvertisedProgram& program,
                      const TRect& bounds) {
  auto* memo = parent.Add<TMemo>(name);
  memo->SetFont(TFont{.Height = 11, .Color = clNavy});
  // Tab and Shift+Tab move the focus on, as in any other control of the window.
  memo->SetWantTabs(false);
  memo->SetScrollBars(TScrollStyle::ssVertical);
  memo->SetText(Text(program.Description));
  memo->SetBounds(bounds);
  return memo;
}

void OpenDownload(std::size_t index) {
  ShellExecuteOpen(DownloadText(MoreSoftware[index].Address));
}

} // namespace

TBitmap DownloadArrow() {
  constexpr std::uint8_t kBlack = 0, kTealIndex = 6, kSilverIndex = 7;
  TPixels pixels(13, 13, TPixelFormat::pf8bit);
  pixels.Palette.assign(kSixteenColours.begin(), kSixteenColours.end());
  for (int y = 0; y < pixels.Height(); ++y) {
    for (int x = 0; x < pixels.Width(); ++x) {
      const char cell = kArrowRows[std::size_t(y)][x];
      pixels.Row(y)[x] = cell == '#' ? kBlack : cell == 't' ? kTealIndex : kSilverIndex;
    }
  }
  return TBitmap(std::move(pixels));
}

std::string DownloadText(std::string_view address) {
  return std::string(address.substr(0, kDownloadTextCapacity));
}

TFrmdownld* Frmdownld = nullptr;

TFrmdownld::~TFrmdownld() {
  if (Frmdownld == this)
    Frmdownld = nullptr;
}

TFrmdownld::TFrmdownld() : TForm("TFrmdownld") {
  Frmdownld = this;
  SetCaption("More Software");
  SetIcon(DownloadArrow());
  SetFont(TFont{.Height = 11, .Color = clMaroon});
  SetColor(clGray);
  // Until the desktop tells the frame's size the client takes the whole outer size.
  SetOuterBounds(kOuterBounds);

  // The scrolling range is fixed: it never grows with the controls.
  ScrollBox1 = Add<TScrollBox>("ScrollBox1");
  ScrollBox1->SetRange(kScrollWidth, kScrollHeight);

  const std::string instruction =
      std::string(kInstructionStart) + " " + Text(DownloadPage) + kInstructionEnd;
  Label1 = ScrollBox1->Add<TLabel>("Label1", instruction);
  Label1->SetWordWrap(true);
  Label1->SetLayout(TTextLayout::tlTop);
  Label1->SetFont(TFont{.Height = 13, .Color = clNavy});
  Label1->SetBounds(13, 4, 420, 69);

  Label2 = ProgramLabel(*ScrollBox1, "Label2", MoreSoftware[0], {21, 88, 212, 33});
  cmddown1 = DownloadButton(*ScrollBox1, "cmddown1", {250, 90, 119, 25}, 3);
  Memo1 = DescriptionBox(*ScrollBox1, "Memo1", MoreSoftware[0], {16, 123, 377, 99});
  Label3 = ProgramLabel(*ScrollBox1, "Label3", MoreSoftware[1], {21, 242, 220, 32});
  cmddown2 = DownloadButton(*ScrollBox1, "cmddown2", {250, 244, 119, 25}, 3);
  Memo2 = DescriptionBox(*ScrollBox1, "Memo2", MoreSoftware[1], {17, 278, 376, 110});
  Label4 = ProgramLabel(*ScrollBox1, "Label4", MoreSoftware[2], {28, 404, 221, 24});
  cmddown3 = DownloadButton(*ScrollBox1, "cmddown3", {250, 407, 119, 25}, -1);
  Memo3 = DescriptionBox(*ScrollBox1, "Memo3", MoreSoftware[2], {17, 438, 376, 102});

  BitBtn1 = ScrollBox1->Add<TBitBtn>("BitBtn1", "OK");
  BitBtn1->SetKind(TBitBtnKind::bkOK);
  BitBtn1->SetFont(TFont{.Height = 11, .Color = clMaroon});
  BitBtn1->SetDefault(true);
  BitBtn1->SetBounds(352, 559, 75, 26);

  FitCaptions();

  cmddown1->OnClick = [this] { cmddown1Click(); };
  cmddown2->OnClick = [this] { cmddown2Click(); };
  cmddown3->OnClick = [this] { cmddown3Click(); };
  BitBtn1->OnClick = [this] { SetModalResult(mrOk); };

  SetTabOrder({Memo1, Memo2, BitBtn1, cmddown1, cmddown2, Memo3, cmddown3});

  Timer1 = std::make_unique<TTimer>();
  Timer1->SetInterval(kTimerInterval);
  Timer1->OnTimer = [this] { Timer1Timer(); };
}

void TFrmdownld::FormCreate() {
  SetColor(kBackground);
  Timer1->SetEnabled(true);
}

void TFrmdownld::Timer1Timer() {
  for (TBitBtn* button : {cmddown1, cmddown2, cmddown3}) {
    TFont font = button->Font();
    font.Color = font.Color == clMaroon ? clRed : clMaroon;
    button->SetFont(font);
  }
}

void TFrmdownld::cmddown1Click() {
  OpenDownload(0);
}
void TFrmdownld::cmddown2Click() {
  OpenDownload(1);
}
void TFrmdownld::cmddown3Click() {
  OpenDownload(2);
}

#include "usave1.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/media.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "platform/timer.h"
#include "program.h"
#include "settings/settings.h"
#include "usave1_placeholder.h"

int ActivePictureCount = 0;

// ---- The random generator ----

std::uint32_t RandomSeed = 0;

void ReseedFromClock() {
  const SYSTEMTIME now = GetSystemTime();
  RandomSeed =
      std::uint32_t(((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds);
}

int RandomBelow(int n) {
  RandomSeed = RandomSeed * 134775813u + 1u;
  return int((std::uint64_t(RandomSeed) * std::uint32_t(n)) >> 32);
}

// ---- Layout geometry ----

bool FirstTickPending = true;
int SlideInterval = 60000;
int DisplayMode = dmFullScreen;
int QuadrantState = 1;
bool ExitLatch = false;

int Nearest(long double x) {
  return int(std::nearbyint(x));
}

TRect QuadrantBounds(int quadrant, int width, int height) {
  const int hw = Nearest(width * 0.5L);
  const int hh = Nearest(height * 0.5L);
  // The right and lower tiles start one pixel past the middle: a black cross stays between them.
  const int left = quadrant >= 3 ? hw + 1 : 0;
  const int top = quadrant % 2 == 0 ? hh + 1 : 0;
  return TRect{left, top, hw, hh};
}

TPoint CenteredPosition(int width, int height, int w, int h) {
  return TPoint{Nearest(width * 0.5L - w * 0.5L), Nearest(height * 0.5L - h * 0.5L)};
}

namespace {

// What is left of part outside hole, in up to four pieces: the bands above and below the hole
// across the whole width, and the pieces left and right of it between them.
void Subtract(const TRect& part, const TRect& hole, std::vector<TRect>& pieces) {
  const TRect common = Intersection(part, hole);
  if (common.Empty()) {
    pieces.push_back(part);
    return;
  }
  const TRect candidates[] = {
      {part.Left, part.Top, part.Width, common.Top - part.Top},
      {part.Left, common.Top, common.Left - part.Left, common.Height},
      {common.Right(), common.Top, part.Right() - common.Right(), common.Height},
      {part.Left, common.Bottom(), part.Width, part.Bottom() - common.Bottom()},
  };
  for (const TRect& piece : candidates) {
    if (!piece.Empty())
      pieces.push_back(piece);
  }
}

} // namespace

std::vector<TRect> CoverBounds(const std::vector<TRect>& monitors, const TRect& primary) {
  std::vector<TRect> covers;
  std::vector<TRect> covered = {primary};
  for (const TRect& monitor : monitors) {
    std::vector<TRect> parts = {monitor};
    for (const TRect& hole : covered) {
      std::vector<TRect> left;
      for (const TRect& part : parts)
        Subtract(part, hole, left);
      parts = std::move(left);
    }
    covers.insert(covers.end(), parts.begin(), parts.end());
    covered.push_back(monitor);
  }
  return covers;
}

// ---- Sound ----

bool SoundEnabled = false;
std::vector<std::string> SoundList;
std::string CurrentSound;

// ---- The window ----

namespace {

TImage* NewImage(TControl& parent, const char* name, const TRect& bounds) {
  auto* image = parent.Add<TImage>(name);
  image->SetBounds(bounds);
  image->Hide();
  return image;
}

// Over the display's windows the pointer stays hidden once start-up has hidden it, and only then:
// a start-up that stopped before leaves it shown.
void KeepPointerHidden(TForm& form) {
  if (!CursorShown())
    form.HidePointer();
}

} // namespace

// A black window over a monitor that the slideshow leaves uncovered. Its input is the display's
// own: a key ends the display as FormKeyDown does, and the message hook sees its button presses.
class TCoverForm : public TForm {
public:
  explicit TCoverForm(TForm1& display) : TForm("TCoverForm") {
    KeepDevicePixels();
    SetBorderStyle(TBorderStyle::bsNone);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetColor(clBlack);
    KeepPointerHidden(*this);
    SetActivateOnShow(false);
    SetKeyPreview(true);
    OnKeyDown = [&display](int) { display.FormKeyDown(); };
    Application().AddHookedWindow(this);
  }

  // A cover over a whole monitor is full-screen there, above the desktop's panels; a part of
  // one (beside a primary screen that overlaps it) is a plain topmost window. Neither takes the
  // keyboard from the display window; a cover only takes it when clicked, which ends all.
  void Cover(const TRect& bounds, bool wholeMonitor) {
    if (wholeMonitor) {
      ShowFullScreen(bounds);
      return;
    }
    SetBounds(bounds);
    Show();
  }
};

TForm1::TForm1() : TForm(kDisplayClass), identity_(kDisplayClass, kDisplayCaption) {
  ExitLatch = false;
  // Every photo pixel for pixel, whatever the desktop's display scale.
  KeepDevicePixels();
  SetCaption(kDisplayCaption);
  SetBorderStyle(TBorderStyle::bsNone);
  SetFormStyle(TFormStyle::fsStayOnTop);
  OnKeyDown = [this](int) { FormKeyDown(); };

  Image1 = NewImage(*this, "Image1", {0, 0, 105, 105});
  Image1->SetAutoSize(true);
  Image1->SetStretch(true);
  Image1->SetIncrementalDisplay(true);

  Timer1 = std::make_unique<TTimer>();
  Timer1->OnTimer = [this] { Timer1Timer(); };

  MediaPlayer1 = NewMediaPlayer();
  MediaPlayer1->OnNotify = [this] { MediaPlayer1Notify(); };

  lblinfo = Add<TLabel>("lblinfo");
  lblinfo->SetBounds(60, 223, 469, 106);
  lblinfo->SetWordWrap(true);
  lblinfo->SetLayout(TTextLayout::tlTop);
  lblinfo->SetFont(TFont{.Height = 16, .Bold = true});
  lblinfo->Hide();

  image2 = NewImage(*this, "image2", {0, 0, 105, 105});
  image2->SetStretch(true);
  Image3 = NewImage(*this, "Image3", {0, 0, 105, 105});
  Image4 = NewImage(*this, "Image4", {0, 0, 105, 105});
  Image5 = NewImage(*this, "Image5", {259, 162, 105, 105});
  imagjunk = NewImage(*this, "imagjunk", {592, 18, 20, 31});
  TBitmap placeholder;
  placeholder.LoadFromBytes(PlaceholderBitmapFile());
  imagjunk->Picture().AssignGraphic(&placeholder);
  SetColor(clBlack);
  OnResize = [this] { LayOutShownPictures(); };
}

TForm1::~TForm1() {
  if (Application().OnMessage)
    Application().OnMessage = nullptr;
}

// ---- Start-up ----

void TForm1::FormCreate() {
  BuildPictureCatalogue(LookUpWindowsDir());
  if (!SettingsFileExists(SettingsPath))
    WriteDisplayDefaults(SettingsPath);
  FirstTickPending = true;
  SoundEnabled = false;
  ShowCursor(false);
  SetColor(clBlack);
  SetKeyPreview(true);
  Application().OnMessage = [this](TMsg& msg, bool& handled) { deactivate(msg, handled); };

  CheckActivePictures();
  const SettingsOptions options = ReadOptions(SettingsPath);
  SoundEnabled = options.Sound;
  DisplayMode = options.Picdis;
  SlideInterval = SlideIntervalFor(options.Time);
  BuildSoundList();

  if (SoundEnabled && !SoundList.empty()) {
    CurrentSound = SoundList.front();
    PlayCurrentSound();
  }

  if (ActivePictureCount > 0) {
    QuadrantState = 1;
    Timer1->SetEnabled(true);
  } else {
    lblinfo->Show();
    SetColor(clWhite);
  }
}

void TForm1::ShowAfterCreation() {
  // The screen's own pixels: the window covers them whether or not a window manager runs.
  ShowFullScreen(PrimaryMonitorRect());
  Activate();
  KeepPointerHidden(*this);
  CoverOtherMonitors();
  WatchMonitors([this] { PlaceOnMonitors(); });
}

void TForm1::CoverOtherMonitors() {
  const std::vector<TRect> monitors = MonitorRects();
  const std::vector<TRect> bounds = CoverBounds(monitors, PrimaryMonitorRect());
  Covers.resize(std::min(Covers.size(), bounds.size()));
  while (Covers.size() < bounds.size())
    Covers.push_back(std::make_unique<TCoverForm>(*this));
  for (std::size_t i = 0; i < bounds.size(); ++i)
    Covers[i]->Cover(bounds[i], std::ranges::find(monitors, bounds[i]) != monitors.end());
}

void TForm1::PlaceOnMonitors() {
  SetBounds(PrimaryMonitorRect());
  CoverOtherMonitors();
}

void TForm1::CheckActivePictures() {
  ActivePictureCount = kCatalogueSize;
  for (int k = 1; k <= kCatalogueSize; ++k) {
    if (!FileExists(PictureCatalogue[k])) {
      lblinfo->SetCaption(MissingPictureMessage(PictureCatalogue[k]));
      ActivePictureCount = 0;
    }
  }
}

// ---- A tick ----

void TForm1::Timer1Timer() {
  if (FirstTickPending) {
    FirstTickPending = false;
    Timer1->SetInterval(SlideInterval);
  }
  SoundTickStep();
  switch (DisplayMode) {
  case dmFullScreen:
    ShowFullScreenPicture();
    break;
  case dmDefaultSize:
    ShowDefaultSizePicture();
    break;
  default:
    ShowNextTile();
    break;
  }
}

void TForm1::ShowFullScreenPicture() {
  RefreshSequence(Image1);
  Image1->SetStretch(true);
  FillScreen(Image1);
  Image1->Show();
}

void TForm1::FillScreen(TImage* image) {
  image->SetWidth(GetSystemMetrics(SM_CXSCREEN));
  image->SetHeight(GetSystemMetrics(SM_CYSCREEN));
  image->SetLeft(0);
  image->SetTop(0);
}

void TForm1::ShowDefaultSizePicture() {
  RefreshSequence(Image1);
  CenterPicture();
  Image1->Show();
}

void TForm1::ShowNextTile() {
  TImage* tile = TileImage(QuadrantState);
  RefreshSequence(tile);
  PlaceQuadrant();
  tile->Show();
  QuadrantState = QuadrantState % 4 + 1;
}

TImage* TForm1::TileImage(int quadrant) const {
  switch (quadrant) {
  case 1:
    return Image1;
  case 2:
    return image2;
  case 3:
    return Image3;
  default:
    return Image4;
  }
}

// The old picture stays on the screen until the repaint after the tick draws the new one.
void TForm1::RefreshSequence(TImage* target) {
  target->Hide();
  LoadRandomPicture();
  CopyStagedPicture(target);
}

void TForm1::LoadRandomPicture() {
  ReseedFromClock();
  const int k = RandomBelow(ActivePictureCount) + 1;
  try {
    const TJPEGImage temporary;
    Image5->Picture().AssignGraphic(&temporary);
    Image5->Picture().LoadFromFile(PictureCatalogue[k]);
  } catch (...) {
    // Whatever went wrong, the placeholder stands in; the same entry may be drawn again later.
    Image5->Picture().Assign(imagjunk->Picture());
  }
}

void TForm1::CopyStagedPicture(TImage* target) {
  target->Picture().Assign(Image5->Picture());
}

void TForm1::PlaceQuadrant() {
  PlaceTile(QuadrantState);
}

void TForm1::PlaceTile(int quadrant) {
  TImage* tile = TileImage(quadrant);
  tile->SetBounds(
      QuadrantBounds(quadrant, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  tile->SetStretch(true);
}

void TForm1::CenterPicture() {
  const TPoint at = CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                     Image1->Width(), Image1->Height());
  Image1->SetLeft(at.X);
  Image1->SetTop(at.Y);
}

// A host window resized or a monitor changed: the pictures on the screen take the new size now,
// not at the next tick.
void TForm1::LayOutShownPictures() {
  switch (DisplayMode) {
  case dmFullScreen:
    if (Image1->Visible())
      FillScreen(Image1);
    break;
  case dmDefaultSize:
    if (Image1->Visible())
      CenterPicture();
    break;
  default:
    for (int quadrant = 1; quadrant <= 4; ++quadrant) {
      if (TileImage(quadrant)->Visible())
        PlaceTile(quadrant);
    }
    break;
  }
}

// ---- Sound ----

void TForm1::BuildSoundList() {
  SoundList.clear();
  for (int n = 1; n <= kSoundSlotCount; ++n) {
    const std::string slot = ReadSoundSlot(SettingsPath, n);
    if (slot == kEmptySlot)
      continue;
    if (!FileExists(slot)) {
      // One missing file turns sound off for the run, the files listed before it too.
      SoundList.clear();
      SoundEnabled = false;
      return;
    }
    SoundList.push_back(slot);
  }
}

void TForm1::PlayCurrentSound() {
  try {
    MediaPlayer1->FileName = CurrentSound;
    MediaPlayer1->DeviceType = TMPDeviceTypes::dtAutoSelect;
    MediaPlayer1->Open();
    MediaPlayer1->Play();
  } catch (...) {
    SoundEnabled = false;
  }
}

void TForm1::SoundTickStep() {
  if (!SoundEnabled || SoundList.empty() || MediaPlayer1->Mode() != TMPModes::mpStopped)
    return;
  ReseedFromClock();
  CurrentSound = SoundList[std::size_t(RandomBelow(int(SoundList.size())))];
  PlayCurrentSound();
}

void TForm1::MediaPlayer1Notify() {
  MediaPlayer1->Stop();
}

// ---- Endings ----

void TForm1::FormKeyDown() {
  Timer1->SetEnabled(false);
  Close();
}

void TForm1::deactivate(TMsg& msg, bool&) {
  if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
      msg.message == WM_MBUTTONDOWN)
    EndOnButton();
}

void TForm1::EndOnButton() {
  if (ExitLatch)
    return;
  ExitLatch = true;
  Timer1->SetEnabled(false);
  if (MediaPlayer1->IsOpen() && MediaPlayer1->Mode() == TMPModes::mpPlaying)
    MediaPlayer1->Stop();
  Close();
}

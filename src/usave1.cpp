#include "usave1.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QRegion>
#include <QScreen>
#include <QTimer>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/media.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "platform/timer.h"
#include "psave.h"
#include "settings/settings.h"
#include "usave1_placeholder.h"

// ---- The picture catalogue ----

std::string PictureFolder;
std::array<std::string, kCatalogueSize + 1> PictureCatalogue;
int ActivePictureCount = 0;

namespace {

const std::array<const char*, kCatalogueSize> kPictureFiles = {
    "griztand.jpg", "elkbugl1.jpg", "tfoxjump.jpg", "eagle10.jpg",  "drake.jpg",    "buffcros.jpg",
    "artistpt.jpg", "enddeer1.jpg", "hawkglo.jpg",  "eaglpair.jpg", "pelican.jpg",  "grizwalk.jpg",
    "elk2.jpg",     "tcoyot1.jpg",  "tgoat2.jpg",   "elkgraz1.jpg", "moosfall.jpg", "tbear16.jpg",
    "elkgraz2.jpg", "buflo1.jpg",   "elkrak2.jpg",  "griz7111.jpg", "juvinile.jpg", "griz7261.jpg",
    "teglprch.jpg", "moose1.jpg",   "buflo2.jpg",   "fox1.jpg",     "bear3697.jpg", "fox2.jpg",
    "tcrane2.jpg",  "eagle3hi.jpg", "tsheep1.jpg",  "duckhed1.jpg", "tgoat1.jpg",   "antelop2.jpg",
    "elkfite1.jpg", "elkrak1.jpg"};

} // namespace

void BuildPictureCatalogue(const std::string& windowsDir) {
  PictureFolder = DriveOf(windowsDir) + "\\Tavrin\\Quillmor\\";
  for (int k = 1; k <= kCatalogueSize; ++k)
    PictureCatalogue[k] = (PictureFolder + kPictureFiles[k - 1]).substr(0, kCatalogueEntryCapacity);
}

std::string MissingPictureMessage(const std::string& path) {
  return "File " + path + " no longer exists on your " +
         "system!  It appears you have removed it. Please replace this " + "picture to continue.";
}

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

QRect QuadrantBounds(int quadrant, int width, int height) {
  const int hw = Nearest(width * 0.5L);
  const int hh = Nearest(height * 0.5L);
  // The right and lower tiles start one pixel past the middle: a black cross stays between them.
  const int left = quadrant >= 3 ? hw + 1 : 0;
  const int top = quadrant % 2 == 0 ? hh + 1 : 0;
  return QRect(left, top, hw, hh);
}

QPoint CenteredPosition(int width, int height, int w, int h) {
  return QPoint(Nearest(width * 0.5L - w * 0.5L), Nearest(height * 0.5L - h * 0.5L));
}

std::vector<QRect> CoverBounds(const std::vector<QRect>& monitors, const QRect& primary) {
  std::vector<QRect> covers;
  QRegion covered(primary);
  for (const QRect& monitor : monitors) {
    for (const QRect& part : QRegion(monitor).subtracted(covered))
      covers.push_back(part);
    covered += monitor;
  }
  return covers;
}

// ---- Sound ----

bool SoundEnabled = false;
std::vector<std::string> SoundList;
std::string CurrentSound;

// ---- The window ----

namespace {

TForm1::PlayerFactory& PlayerFactoryHook() {
  static TForm1::PlayerFactory factory;
  return factory;
}

std::unique_ptr<TMediaPlayer> NewPlayer() {
  if (PlayerFactoryHook())
    return PlayerFactoryHook()();
  return std::make_unique<TMediaPlayer>();
}

TImage* NewImage(QWidget* parent, QRect bounds) {
  auto* image = new TImage(parent);
  image->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
  image->hide();
  return image;
}

// Where the slideshow goes: the primary screen's W x H from its top-left corner.
QRect PrimaryBounds() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return QRect(screen ? screen->geometry().topLeft() : QPoint(0, 0),
               QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

std::vector<QRect> MonitorBounds() {
  std::vector<QRect> monitors;
  for (const QScreen* screen : QGuiApplication::screens())
    monitors.push_back(screen->geometry());
  return monitors;
}

} // namespace

// A black window over a monitor that the slideshow leaves uncovered. Its input is the display's
// own: a key ends the display as FormKeyDown does, and the message hook sees its button presses.
class TCoverForm : public QWidget {
public:
  explicit TCoverForm(TForm1& display) : display_(display) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // The display window keeps the keyboard; a cover only takes it when clicked, which ends all.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::BlankCursor);
    Application().AddHookedWindow(this);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
  }

  // A cover over a whole monitor is full-screen there, above the desktop's panels; a part of
  // one (beside a primary screen that overlaps it) is a plain topmost window.
  void Cover(const QRect& bounds, bool wholeMonitor) {
    setGeometry(bounds);
    // Not showFullScreen(): that would take the keyboard from the display window.
    setWindowState(wholeMonitor ? Qt::WindowFullScreen : Qt::WindowNoState);
    show();
  }

protected:
  void keyPressEvent(QKeyEvent*) override { display_.FormKeyDown(); }

private:
  TForm1& display_;
};

void TForm1::SetPlayerFactory(PlayerFactory factory) {
  PlayerFactoryHook() = std::move(factory);
}

TForm1::TForm1() : identity_(kDisplayClass, kDisplayCaption) {
  ExitLatch = false;
  setWindowTitle(kDisplayCaption);
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);

  Image1 = NewImage(this, QRect(0, 0, 105, 105));
  Image1->SetAutoSize(true);
  Image1->SetStretch(true);
  Image1->SetIncrementalDisplay(true);

  Timer1 = new TTimer(this);
  Timer1->OnTimer = [this] { Timer1Timer(); };

  MediaPlayer1 = NewPlayer();
  MediaPlayer1->OnNotify = [this] { MediaPlayer1Notify(); };

  lblinfo = new QLabel(this);
  lblinfo->setGeometry(60, 223, 469, 106);
  lblinfo->setWordWrap(true);
  lblinfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont font = WindowFont(16);
  font.setBold(true);
  lblinfo->setFont(font);
  lblinfo->hide();

  image2 = NewImage(this, QRect(0, 0, 105, 105));
  image2->SetStretch(true);
  Image3 = NewImage(this, QRect(0, 0, 105, 105));
  Image4 = NewImage(this, QRect(0, 0, 105, 105));
  Image5 = NewImage(this, QRect(259, 162, 105, 105));
  imagjunk = NewImage(this, QRect(592, 18, 20, 31));
  TBitmap placeholder;
  placeholder.LoadFromBytes(PlaceholderBitmapFile());
  imagjunk->Picture().AssignGraphic(&placeholder);
  SetBackground(Qt::black);
}

TForm1::~TForm1() {
  if (Application().OnMessage)
    Application().OnMessage = nullptr;
}

void TForm1::SetBackground(const QColor& colour) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colour);
  setPalette(palette);
}

// ---- Start-up ----

void TForm1::FormCreate() {
  BuildPictureCatalogue(LookUpWindowsDir());
  if (!SettingsFileExists(SettingsPath))
    WriteDisplayDefaults(SettingsPath);
  FirstTickPending = true;
  SoundEnabled = false;
  ShowCursor(false);
  SetBackground(Qt::black);
  // Key preview: the window has no control that takes the keyboard, so every key reaches it.
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
    lblinfo->show();
    SetBackground(Qt::white);
  }
}

void TForm1::ShowAfterCreation() {
  // The screen's own pixels: the window covers them whether or not a window manager runs.
  setGeometry(PrimaryBounds());
  showFullScreen();
  raise();
  activateWindow();
  setFocus();
  CoverOtherMonitors();
  FollowMonitors();
}

void TForm1::CoverOtherMonitors() {
  const std::vector<QRect> monitors = MonitorBounds();
  const std::vector<QRect> bounds = CoverBounds(monitors, PrimaryBounds());
  Covers.resize(std::min(Covers.size(), bounds.size()));
  while (Covers.size() < bounds.size())
    Covers.push_back(std::make_unique<TCoverForm>(*this));
  for (std::size_t i = 0; i < bounds.size(); ++i)
    Covers[i]->Cover(bounds[i], std::ranges::find(monitors, bounds[i]) != monitors.end());
}

void TForm1::PlaceOnMonitors() {
  setGeometry(PrimaryBounds());
  CoverOtherMonitors();
}

void TForm1::FollowMonitors() {
  // A monitor that goes away is still listed while it is announced: look once the news is in.
  auto* later = new QTimer(this);
  later->setSingleShot(true);
  connect(later, &QTimer::timeout, this, &TForm1::PlaceOnMonitors);
  const auto lookLater = [later] { later->start(0); };
  const auto watch = [this, lookLater](QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, lookLater);
  };
  for (QScreen* screen : QGuiApplication::screens())
    watch(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [watch, lookLater](QScreen* screen) {
    watch(screen);
    lookLater();
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, lookLater);
  connect(qApp, &QGuiApplication::primaryScreenChanged, this, lookLater);
}

void TForm1::CheckActivePictures() {
  ActivePictureCount = kCatalogueSize;
  for (int k = 1; k <= kCatalogueSize; ++k) {
    if (!FileExists(PictureCatalogue[k])) {
      lblinfo->setText(QString::fromStdString(MissingPictureMessage(PictureCatalogue[k])));
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
  Image1->show();
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
  Image1->show();
}

void TForm1::ShowNextTile() {
  TImage* tile = TileImage(QuadrantState);
  RefreshSequence(tile);
  PlaceQuadrant();
  tile->show();
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
  target->hide();
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
  const QRect bounds =
      QuadrantBounds(quadrant, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  tile->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
  tile->SetStretch(true);
}

void TForm1::CenterPicture() {
  const QPoint at = CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                     Image1->width(), Image1->height());
  Image1->SetLeft(at.x());
  Image1->SetTop(at.y());
}

void TForm1::resizeEvent(QResizeEvent* event) {
  TForm::resizeEvent(event);
  LayOutShownPictures();
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

void TForm1::keyPressEvent(QKeyEvent*) {
  FormKeyDown();
}

void TForm1::FormKeyDown() {
  Timer1->SetEnabled(false);
  close();
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
  close();
}

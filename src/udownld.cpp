#include "udownld.h"

#include <QColor>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/bitbtn.h"
#include "platform/fonts.h"
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

constexpr unsigned kMaroon = TFrmdownld::kMaroon;
constexpr unsigned kNavy = TFrmdownld::kNavy;
constexpr unsigned kGrey = 8421504;
constexpr std::size_t kDownloadTextCapacity = 100;
constexpr int kTimerInterval = 2500; // ms
constexpr int kOuterLeft = 102, kOuterTop = 23, kOuterWidth = 458, kOuterHeight = 365;
constexpr int kScrollWidth = 419;
constexpr int kScrollHeight = 600;

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

void SetTextColour(QWidget* widget, QPalette::ColorRole role, unsigned value) {
  QPalette colours = widget->palette();
  colours.setColor(role, ColorFromValue(value));
  widget->setPalette(colours);
}

QLabel* ProgramLabel(const AdvertisedProgram& program, QWidget* parent, const QRect& bounds) {
  auto* label =
      new QLabel(QString::fromUtf8(program.Name.data(), qsizetype(program.Name.size())), parent);
  QFont font = WindowFont(19);
  font.setItalic(true);
  label->setFont(font);
  SetTextColour(label, QPalette::WindowText, kNavy);
  label->setGeometry(bounds);
  return label;
}

TBitBtn* DownloadButton(QWidget* parent, const QRect& bounds, int margin) {
  auto* button = new TBitBtn(parent);
  button->setText("Download Here");
  QFont font = WindowFont(11);
  font.setBold(true);
  button->setFont(font);
  button->SetFontColor(kMaroon);
  button->setIcon(QIcon(DownloadArrow()));
  button->setIconSize(QSize(13, 13));
  button->SetMargin(margin);
  button->setAutoDefault(true);
  button->setGeometry(bounds);
  return button;
}

QPlainTextEdit* DescriptionBox(const AdvertisedProgram& program, QWidget* parent,
                               const QRect& bounds) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setFont(WindowFont(11));
  SetTextColour(memo, QPalette::Text, kNavy);
  // Tab and Shift+Tab move the focus on, as in any other control of the window.
  memo->setTabChangesFocus(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setPlainText(
      QString::fromUtf8(program.Description.data(), qsizetype(program.Description.size())));
  memo->setGeometry(bounds);
  return memo;
}

void OpenDownload(std::size_t index) {
  ShellExecuteOpen(DownloadText(MoreSoftware[index].Address));
}

} // namespace

QPixmap DownloadArrow() {
  const QRgb silver = qRgb(192, 192, 192);
  QImage image(13, 13, QImage::Format_Indexed8);
  image.setColorTable({qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0),
                       qRgb(0, 0, 128), qRgb(128, 0, 128), qRgb(0, 128, 128), silver,
                       qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0),
                       qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)});
  constexpr int kBlack = 0, kTeal = 6, kSilver = 7;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const char cell = kArrowRows[std::size_t(y)][x];
      image.setPixel(x, y, cell == '#' ? kBlack : cell == 't' ? kTeal : kSilver);
    }
  }
  QPixmap arrow = QPixmap::fromImage(image);
  arrow.setMask(arrow.createMaskFromColor(QColor(silver), Qt::MaskInColor));
  return arrow;
}

std::string DownloadText(std::string_view address) {
  return std::string(address.substr(0, kDownloadTextCapacity));
}

TFrmdownld* Frmdownld = nullptr;

TFrmdownld::~TFrmdownld() {
  if (Frmdownld == this)
    Frmdownld = nullptr;
}

TFrmdownld::TFrmdownld() {
  Frmdownld = this;
  setWindowTitle("More Software");
  setWindowIcon(QIcon(DownloadArrow()));
  setFont(WindowFont(11));
  SetTextColour(this, QPalette::WindowText, kMaroon);
  // Until the desktop tells the frame's size the client takes the whole outer size.
  move(kOuterLeft, kOuterTop);
  resize(kOuterWidth, kOuterHeight);

  ScrollArea = new QScrollArea(this);
  ScrollArea->setFrameShape(QFrame::NoFrame);
  ScrollArea->setFocusPolicy(Qt::NoFocus);
  // The scrolling range is fixed: the content never grows with the controls, only widens to fill
  // a viewport that is wider than the range.
  ScrollContent = new QWidget;
  ScrollContent->setMinimumSize(kScrollWidth, kScrollHeight);
  ScrollContent->setMaximumHeight(kScrollHeight);
  ScrollArea->setWidget(ScrollContent);
  ScrollArea->setWidgetResizable(true);
  ScrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ScrollArea);
  SetBackground(kGrey);

  const std::string instruction =
      std::string(kInstructionStart) + " " + std::string(DownloadPage) + kInstructionEnd;
  Label1 = new QLabel(QString::fromStdString(instruction), ScrollContent);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setFont(WindowFont(13));
  SetTextColour(Label1, QPalette::WindowText, kNavy);
  Label1->setGeometry(13, 4, 420, 69);

  Label2 = ProgramLabel(MoreSoftware[0], ScrollContent, QRect(21, 88, 212, 33));
  cmddown1 = DownloadButton(ScrollContent, QRect(250, 90, 119, 25), 3);
  Memo1 = DescriptionBox(MoreSoftware[0], ScrollContent, QRect(16, 123, 377, 99));
  Label3 = ProgramLabel(MoreSoftware[1], ScrollContent, QRect(21, 242, 220, 32));
  cmddown2 = DownloadButton(ScrollContent, QRect(250, 244, 119, 25), 3);
  Memo2 = DescriptionBox(MoreSoftware[1], ScrollContent, QRect(17, 278, 376, 110));
  Label4 = ProgramLabel(MoreSoftware[2], ScrollContent, QRect(28, 404, 221, 24));
  cmddown3 = DownloadButton(ScrollContent, QRect(250, 407, 119, 25), -1);
  Memo3 = DescriptionBox(MoreSoftware[2], ScrollContent, QRect(17, 438, 376, 102));

  BitBtn1 = new TBitBtn(ScrollContent);
  BitBtn1->setText("OK");
  BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  BitBtn1->SetFontColor(kMaroon);
  BitBtn1->setAutoDefault(true);
  BitBtn1->setDefault(true);
  BitBtn1->setGeometry(352, 559, 75, 26);

  FitCaptions(*this);

  connect(cmddown1, &QPushButton::clicked, this, [this] { cmddown1Click(); });
  connect(cmddown2, &QPushButton::clicked, this, [this] { cmddown2Click(); });
  connect(cmddown3, &QPushButton::clicked, this, [this] { cmddown3Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });

  setTabOrder(Memo1, Memo2);
  setTabOrder(Memo2, BitBtn1);
  setTabOrder(BitBtn1, cmddown1);
  setTabOrder(cmddown1, cmddown2);
  setTabOrder(cmddown2, Memo3);
  setTabOrder(Memo3, cmddown3);

  Timer1 = new TTimer(this);
  Timer1->SetInterval(kTimerInterval);
  Timer1->OnTimer = [this] { Timer1Timer(); };
}

void TFrmdownld::FormCreate() {
  SetBackground(kBackground);
  Timer1->SetEnabled(true);
}

void TFrmdownld::Timer1Timer() {
  for (TBitBtn* button : {cmddown1, cmddown2, cmddown3})
    button->SetFontColor(button->FontColor() == kMaroon ? kRed : kMaroon);
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

void TFrmdownld::keyPressEvent(QKeyEvent* event) {
  // Enter that no focused control takes presses the default button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    BitBtn1->click();
    return;
  }
  TForm::keyPressEvent(event);
}

void TFrmdownld::FrameChanged() {
  // The outer size counts the frame, which is known only once the window has been shown.
  if (outerSizeFitted_)
    return;
  PlaceOuter(QRect(kOuterLeft, kOuterTop, kOuterWidth, kOuterHeight));
  outerSizeFitted_ = true;
}

void TFrmdownld::SetBackground(unsigned value) {
  for (QWidget* surface : {static_cast<QWidget*>(this), ScrollArea->viewport(), ScrollContent}) {
    QPalette colours = surface->palette();
    colours.setColor(QPalette::Window, ColorFromValue(value));
    surface->setPalette(colours);
    surface->setAutoFillBackground(true);
  }
}

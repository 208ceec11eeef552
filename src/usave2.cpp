#include "usave2.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "Usave5.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/system.h"
#include "psave.h"
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

constexpr int kClientWidth = 552;  // px
constexpr int kClientHeight = 383; // px
constexpr unsigned kSilver = 12632256;
constexpr unsigned kNavy = 8388608;
constexpr unsigned kGrey = 8421504;
constexpr int kListItemHeight = 13; // px
// An occupied value: what every slot holds until the file has been read.
const std::string kUnreadSlot = " ";
const char kBackgroundPicture[] = "Tavrin\\Quillmor\\juvinile.jpg";

// Runs a click handler from a Qt signal: an error must not unwind through Qt's signal code, so it
// is shown here, as the general error box shows any error a handler leaves.
template <class Handler> auto Guarded(Handler handler) {
  return [handler] {
    try {
      handler();
    } catch (const std::exception& error) {
      Application().ShowException(error);
    }
  };
}

class FixedHeightItems : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kListItemHeight};
  }
};

// The desktop's single-selection list keeps its one highlighted entry: clicking below the entries
// or Ctrl+clicking the highlighted one leaves it highlighted, so Remove always has an entry to act
// on while the list has any.
class SingleSelectionList : public QListWidget {
public:
  using QListWidget::QListWidget;

protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    if (!index.isValid())
      return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
      return QItemSelectionModel::NoUpdate;
    return command;
  }
};

int HighlightedRow(const QListWidget& list) {
  const QModelIndexList rows = list.selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void Paint(QWidget* widget, unsigned colour, QPalette::ColorRole role) {
  QPalette palette = widget->palette();
  palette.setColor(role, ColorFromValue(colour));
  widget->setPalette(palette);
}

QFrame* NewPanel(QWidget* parent, int left, int top, int width, int height) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(2);
  // Panels hide the photograph behind them.
  panel->setAutoFillBackground(true);
  panel->setGeometry(left, top, width, height);
  return panel;
}

QLabel* NewNavyLabel(const char* caption, QWidget* parent, int left, int top, int width,
                     int height) {
  auto* label = new QLabel(caption, parent);
  Paint(label, kNavy, QPalette::WindowText);
  label->setGeometry(left, top, width, height);
  return label;
}

QRadioButton* NewRadio(const char* caption, QWidget* parent, int left, int top, int width,
                       int height) {
  auto* radio = new QRadioButton(caption, parent);
  radio->setGeometry(left, top, width, height);
  return radio;
}

QPushButton* NewButton(const char* caption, QWidget* parent, int left, int top, int width,
                       int height) {
  auto* button = new QPushButton(caption, parent);
  // Neither Enter nor Escape presses any button of this window.
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setGeometry(left, top, width, height);
  return button;
}

void LoadBackground(TImage& image, const std::string& path) {
  image.Picture().LoadFromFile(path);
}

} // namespace

QPixmap PointingHandPicture() {
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(QColor(255, 224, 189));
  // The index finger, pointing left.
  painter.drawRoundedRect(QRectF(2.5, 8.5, 16, 5), 2.5, 2.5);
  // The fist with three folded fingers and the thumb on top.
  painter.drawRoundedRect(QRectF(14.5, 8.5, 12, 14), 3, 3);
  for (int fold = 0; fold < 3; ++fold)
    painter.drawLine(QPointF(14.5, 13.5 + 3 * fold), QPointF(20.5, 13.5 + 3 * fold));
  painter.drawRoundedRect(QRectF(12.5, 5.5, 9, 4), 2, 2);
  // The white cuff at the wrist.
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(26.5, 7.5, 4, 16));
  return picture;
}

TForm2::TForm2() {
  setWindowTitle("Quillmor Screensaver Settings");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  Paint(this, kSilver, QPalette::Window);
  // Greyed captions must stand out from the silver ground, as the desktop's own do.
  QPalette greyed = palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    greyed.setColor(QPalette::Disabled, role, ColorFromValue(kGrey));
  setPalette(greyed);
  setFont(WindowFont(11));
  CreateControls();
  WidenClippedCaptions();
  FitCaptions(*this);
  SetFocusOrder();
  TabIntoRadioGroupsAtTheirCheckedButton(*this);
}

// The substitute font and the toolkit's radio circle take a few more pixels than the layout was
// made for: a caption that would be cut off gets the width it needs, within its panel.
void TForm2::WidenClippedCaptions() {
  for (QWidget* panel : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel2),
                         static_cast<QWidget*>(Panel3)}) {
    for (QWidget* control : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!qobject_cast<QRadioButton*>(control) && !qobject_cast<QLabel*>(control))
        continue;
      const int needed = control->sizeHint().width();
      const int room = panel->width() - 2 - control->x();
      if (needed > control->width())
        control->resize(std::min(needed, room), control->height());
    }
  }
}

TForm2::~TForm2() = default;

void TForm2::CreateControls() {
  Label1 = new QLabel(
      "You can enter up to 100 sound files (wav or midi) for your screensaver to play. ", this);
  QFont bold = font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label1->setWordWrap(true);
  Label1->setGeometry(27, 5, 470, 20);

  // Created after Label1, so drawn over it; every later control is drawn over both.
  Image1 = new TImage(this);
  Image1->SetCenter(true);
  Image1->SetStretch(false);
  Image1->SetBounds(0, 0, kClientWidth, kClientHeight);

  cmdclose = NewButton("OK", this, 464, 361, 75, 17);

  GroupBox1 = new QGroupBox("Background Colors ", this);
  GroupBox1->setGeometry(52, 263, 269, 74);
  GroupBox1->hide();
  radcol1 = NewRadio("Black - Gray - Silver - White", GroupBox1, 14, 17, 219, 17);
  radcol2 = NewRadio("Navy - Black - Purple - Maroon", GroupBox1, 14, 33, 171, 17);
  radcol3 = NewRadio("Green - Aqua - Fuschia - Yellow", GroupBox1, 14, 49, 171, 17);

  cmdhelp = NewButton("About", this, 464, 337, 75, 17);

  ListBox2 = new SingleSelectionList(this);
  ListBox2->setSelectionMode(QAbstractItemView::SingleSelection);
  ListBox2->setSortingEnabled(false);
  ListBox2->setUniformItemSizes(true);
  ListBox2->setItemDelegate(new FixedHeightItems(ListBox2));
  ListBox2->setGeometry(10, 32, 295, 101);

  Panel1 = NewPanel(this, 10, 168, 175, 89);
  Label2 = NewNavyLabel("Time Delay Between Pictures:", Panel1, 3, 4, 142, 17);
  Radtime1 = NewRadio("15 Seconds", Panel1, 11, 20, 113, 17);
  Radtime2 = NewRadio("30 Seconds", Panel1, 11, 36, 113, 17);
  Radtime3 = NewRadio("45 Seconds", Panel1, 11, 52, 113, 17);
  Radtime4 = NewRadio("60 Seconds", Panel1, 11, 68, 113, 17);

  Panel2 = NewPanel(this, 314, 32, 151, 101);
  Label3 = NewNavyLabel("Sound Options:", Panel2, 4, 4, 77, 13);
  Image2 = new QLabel(Panel2);
  Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image2->setPixmap(PointingHandPicture());
  Image2->setGeometry(7, 64, 34, 25);
  Cmdwav = NewButton("Add Sound File", Panel2, 7, 21, 138, 17);
  Cmdwavd = NewButton("Remove Sound File", Panel2, 7, 42, 138, 17);
  Radsndon = NewRadio("Sound ON", Panel2, 52, 62, 69, 17);
  Radsndof = NewRadio("Sound OFF", Panel2, 52, 80, 77, 17);

  Panel3 = NewPanel(this, 314, 168, 153, 89);
  Label4 = NewNavyLabel("Picture Displays:", Panel3, 7, 4, 90, 17);
  Radpicti = NewRadio("Tiled", Panel3, 8, 28, 65, 17);
  Radpicst = NewRadio("Full Screen", Panel3, 8, 60, 73, 17);
  Radpicd = NewRadio("Default Size", Panel3, 8, 44, 81, 17);

  cmdmore = NewButton("More", this, 463, 288, 75, 17);

  connect(cmdclose, &QPushButton::clicked, this, Guarded([this] { cmdcloseClick(); }));
  connect(cmdhelp, &QPushButton::clicked, this, Guarded([this] { cmdhelpClick(); }));
  connect(Cmdwav, &QPushButton::clicked, this, Guarded([this] { cmdwavClick(); }));
  connect(Cmdwavd, &QPushButton::clicked, this, Guarded([this] { cmdwavdClick(); }));
  connect(cmdmore, &QPushButton::clicked, this, Guarded([this] { cmdmoreClick(); }));
}

void TForm2::SetFocusOrder() {
  const QWidget* order[] = {cmdclose, cmdhelp,  ListBox2, Radtime1, Radtime2,
                            Radtime3, Radtime4, Cmdwav,   Cmdwavd,  Radsndon,
                            Radsndof, Radpicti, Radpicst, Radpicd,  cmdmore};
  for (std::size_t i = 1; i < std::size(order); ++i)
    QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void TForm2::CentreOnScreen() {
  const QSize outer = frameGeometry().size();
  move((GetSystemMetrics(SM_CXSCREEN) - outer.width()) / 2,
       (GetSystemMetrics(SM_CYSCREEN) - outer.height()) / 2);
}

void TForm2::showEvent(QShowEvent* event) {
  if (!centred_) {
    centred_ = true;
    CentreOnScreen();
  }
  TForm::showEvent(event);
}

void TForm2::FrameChanged() {
  const QSize outer = size().grownBy(Frame());
  PlaceOuter(QRect(QPoint((GetSystemMetrics(SM_CXSCREEN) - outer.width()) / 2,
                          (GetSystemMetrics(SM_CYSCREEN) - outer.height()) / 2),
                   outer));
  Image1->SetBounds(0, 0, outer.width(), outer.height());
}

// Closing from the frame stores the options as OK does. When they cannot be stored the window
// stays open once, so that the user can make the file writable and try again; closing again then
// goes through, as a window that can never be closed would leave only killing it.
void TForm2::closeEvent(QCloseEvent* event) {
  if (!optionsStored_) {
    try {
      StoreOptions();
    } catch (const std::exception& error) {
      Application().ShowException(error);
      if (!closeRefused_) {
        closeRefused_ = true;
        event->ignore();
        return;
      }
    }
  }
  TForm::closeEvent(event);
}

void TForm2::FormCreate() {
  usave2::WindowsDir = LookUpWindowsDir();
  WindowsDrive = DriveOf(usave2::WindowsDir);
  usave2::SettingsPath = usave2::WindowsDir + "\\quilmr20.ini";

  SoundEntryCount = 0;
  SoundSlots.fill(kUnreadSlot);

  if (SettingsFileExists(usave2::SettingsPath)) {
    SelectOptions(ReadOptions(usave2::SettingsPath));
    for (int n = 1; n <= kSoundSlotCount; ++n)
      SoundSlots[n] = ReadSoundSlot(usave2::SettingsPath, n);
  } else {
    // A failed write leaves here; the slots not yet written keep their blank.
    WriteDialogDefaults(usave2::SettingsPath, [](int n) { SoundSlots[n] = kEmptySlot; });
    Radsndof->setChecked(true);
    Radtime1->setChecked(true);
    Radpicst->setChecked(true);
    radcol2->setChecked(true);
  }

  for (int n = 1; n <= kSoundSlotCount; ++n) {
    if (SoundSlots[n] != kEmptySlot)
      AppendListEntry(SoundSlots[n]);
  }
  HighlightFirstEntry();
  if (SoundEntryCount < 1)
    EnableSoundButtons(false);

  // The photograph is centred in the whole window, frame included. Until a window manager tells
  // the frame (and without one) this is the client size; FrameChanged fits it then.
  const QSize outer = frameGeometry().size();
  Image1->SetBounds(0, 0, outer.width(), outer.height());
  LoadBackground(*Image1, WindowsDrive + "\\" + kBackgroundPicture);
}

void TForm2::SelectOptions(const SettingsOptions& options) {
  (options.Sound ? Radsndon : Radsndof)->setChecked(true);
  QRadioButton* const times[] = {Radtime1, Radtime2, Radtime3, Radtime4};
  times[options.Time - 1]->setChecked(true);
  QRadioButton* const colours[] = {radcol1, radcol2, radcol3};
  colours[options.Color - 1]->setChecked(true);
  QRadioButton* const layouts[] = {Radpicti, Radpicd, Radpicst};
  layouts[options.Picdis - 1]->setChecked(true);
}

SettingsOptions TForm2::OptionsFromButtons() const {
  SettingsOptions options;
  options.Sound = Radsndon->isChecked();
  options.Color = radcol1->isChecked() ? 1 : radcol2->isChecked() ? 2 : 3;
  options.Picdis = Radpicti->isChecked() ? 1 : Radpicd->isChecked() ? 2 : 3;
  options.Time = Radtime1->isChecked()   ? 1
                 : Radtime2->isChecked() ? 2
                 : Radtime3->isChecked() ? 3
                                         : 4;
  return options;
}

// The entry keeps the path's own bytes: a name that is not UTF-8 shows with replacement
// characters, and the removal must still find it in the file.
constexpr int kPathBytesRole = Qt::UserRole;

void TForm2::AppendListEntry(const std::string& text) {
  auto* item = new QListWidgetItem(QString::fromStdString(text), ListBox2);
  item->setData(kPathBytesRole, QByteArray::fromStdString(text));
  ++SoundEntryCount;
}

void TForm2::HighlightFirstEntry() {
  if (ListBox2->count() > 0)
    ListBox2->setCurrentRow(0);
}

void TForm2::EnableSoundButtons(bool enabled) {
  Radsndon->setEnabled(enabled);
  Radsndof->setEnabled(enabled);
}

void TForm2::StoreOptions() {
  WriteOptions(usave2::SettingsPath, OptionsFromButtons());
  optionsStored_ = true;
}

void TForm2::cmdcloseClick() {
  StoreOptions();
  close();
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
  const int highlighted = HighlightedRow(*ListBox2);
  if (highlighted < 0 || highlighted >= ListBox2->count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(highlighted) + ")");
  const std::string text =
      ListBox2->item(highlighted)->data(kPathBytesRole).toByteArray().toStdString();
  // The file decides, not the dialog's copy: another process may have changed it meanwhile.
  for (int n = 1; n <= kSoundSlotCount; ++n) {
    if (ReadSoundSlot(usave2::SettingsPath, n) != text)
      continue;
    WriteSoundSlot(usave2::SettingsPath, n, kEmptySlot);
    SoundSlots[n] = kEmptySlot;
    std::unique_ptr<QListWidgetItem>(ListBox2->takeItem(highlighted));
    --SoundEntryCount;
    if (SoundEntryCount < 1) {
      Radsndof->setChecked(true);
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

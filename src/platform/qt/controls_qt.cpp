// The controls as Qt widgets, drawn as the desktop draws its own.
#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/forms.h"
#include "platform/graphics.h"
#include "platform/image.h"
#include "platform/qt/fonts_qt.h"
#include "platform/qt/forms_qt.h"
#include "platform/qt/peer.h"
#include "platform/qt/pixels_qt.h"

namespace platform::qt {

QWidget* WidgetOf(const TControl& control) {
  return control.Peer().widget;
}

QColor ColorOf(TColor colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

QWidget* ContainerOf(const TControl& control) {
  const TControlPeer& peer = control.Peer();
  return peer.container ? peer.container.data() : peer.widget.data();
}

void Attach(TControl& control, QWidget* widget) {
  control.Peer().widget = widget;
  // A scroll box's area is shown by the layout that holds it.
  if (widget->parentWidget() && !qobject_cast<QScrollArea*>(widget))
    widget->show();
}

} // namespace platform::qt

using platform::qt::Attach;
using platform::qt::ColorOf;
using platform::qt::ContainerOf;
using platform::qt::WidgetOf;
using platform_backend::TAspect;

namespace {

QString TextOf(const std::string& text) {
  return QString::fromStdString(text);
}

// A push button with a picture a fixed margin from its left edge and the caption after it, or
// centred together with the caption.
class BitBtnWidget : public QPushButton {
public:
  BitBtnWidget(const TBitBtn& owner, const QString& text, QWidget* parent)
      : QPushButton(text, parent), owner_(owner) {}

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  const TBitBtn& owner_;
};

void BitBtnWidget::paintEvent(QPaintEvent* event) {
  const TScale scale = ScaleOf(owner_);
  const int margin = owner_.Margin() < 0 ? -1 : scale.Edge(owner_.Margin());
  if (margin < 0) {
    QPushButton::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  painter.drawControl(QStyle::CE_PushButtonBevel, option);

  QPoint shift;
  if (option.state & (QStyle::State_Sunken | QStyle::State_On))
    shift = QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                   style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  const QSize picture = iconSize();
  const QRect pictureRect(QPoint(margin, (height() - picture.height()) / 2) + shift, picture);
  icon().paint(&painter, pictureRect, Qt::AlignCenter,
               isEnabled() ? QIcon::Normal : QIcon::Disabled);
  QRect captionRect = rect().translated(shift);
  captionRect.setLeft(pictureRect.right() + 1 + scale.Length(TBitBtn::kSpacing));
  painter.drawItemText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                       palette(), isEnabled(), text(), QPalette::ButtonText);

  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

// A frame around a group of controls, drawn etched (a shadow line with a white line beside it) as
// the desktop draws it, so that it stands out on any ground, the window's grey included.
class GroupBoxWidget : public QGroupBox {
public:
  GroupBoxWidget(const TGroupBox& owner, const QString& title, QWidget* parent)
      : QGroupBox(title, parent), owner_(owner) {}

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  const TGroupBox& owner_;
};

// The outline of rect, line pixels thick, inside it.
void DrawOutline(QPainter& painter, const QRect& rect, const QColor& colour, int line) {
  painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), line), colour);
  painter.fillRect(QRect(rect.left(), rect.bottom() + 1 - line, rect.width(), line), colour);
  painter.fillRect(QRect(rect.left(), rect.top(), line, rect.height()), colour);
  painter.fillRect(QRect(rect.right() + 1 - line, rect.top(), line, rect.height()), colour);
}

void GroupBoxWidget::paintEvent(QPaintEvent*) {
  const QColor shadow(64, 64, 64);
  const TScale scale = ScaleOf(owner_);
  const int line = scale.Length(1);
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int top = title().isEmpty() ? 0 : metrics.height() / 2;
  // The shadow line, and the light one a line further in, each a line thick.
  const QRect outer = rect().adjusted(0, top, 0, 0);
  DrawOutline(painter, outer.adjusted(line, line, 0, 0), Qt::white, line);
  DrawOutline(painter, outer.adjusted(0, 0, -line, -line), shadow, line);
  if (title().isEmpty())
    return;
  const QRect caption(scale.Edge(8), 0, metrics.horizontalAdvance(title()) + scale.Length(4),
                      metrics.height());
  painter.fillRect(caption, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter, title());
}

class FixedHeightItems : public QStyledItemDelegate {
public:
  FixedHeightItems(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
  }

private:
  int height_;
};

// The desktop's single-selection list keeps its one highlighted entry: clicking below the entries
// or Ctrl+clicking the highlighted one leaves it highlighted.
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

// The text colour a control's caption is drawn in. Only the active and inactive looks take it: a
// disabled control keeps the greyed text of its window.
QPalette::ColorRole TextRoleOf(const QWidget& widget) {
  if (qobject_cast<const QAbstractButton*>(&widget))
    return QPalette::ButtonText;
  if (qobject_cast<const QPlainTextEdit*>(&widget) || qobject_cast<const QListWidget*>(&widget))
    return QPalette::Text;
  return QPalette::WindowText;
}

void SetTextColour(QWidget& widget, TColor colour) {
  QPalette palette = widget.palette();
  const QPalette::ColorRole role = TextRoleOf(widget);
  palette.setColor(QPalette::Active, role, ColorOf(colour));
  palette.setColor(QPalette::Inactive, role, ColorOf(colour));
  widget.setPalette(palette);
}

void SetGround(QWidget& widget, TColor colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, ColorOf(colour));
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

// A word-wrapped label with AutoSize takes the height of its text.
void FitLabelHeight(const TLabel& control) {
  auto* label = static_cast<QLabel*>(WidgetOf(control));
  if (!control.AutoSize())
    return;
  // In the window's own pixels, so that what follows the label starts right below it.
  const TScale scale = ScaleOf(control);
  label->resize(label->width(),
                scale.SpanToHold(label->heightForWidth(label->width()), control.BoundsRect().Top));
}

// The glyph with its transparent colour cut out, at size: smoothed where that is not its own.
QIcon GlyphIcon(const TPixels& glyph, QSize size) {
  QPixmap picture = QPixmap::fromImage(platform::qt::ImageOf(glyph));
  if (picture.isNull())
    return QIcon();
  const QImage image = picture.toImage();
  const QColor transparent = image.pixelColor(0, image.height() - 1);
  picture.setMask(picture.createMaskFromColor(transparent, Qt::MaskInColor));
  if (picture.size() != size)
    picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return QIcon(picture);
}

} // namespace

// ---- Every control ----

TControl::TControl(TControl* parent, std::string name, Kind kind, std::string caption)
    : parent_(parent), name_(std::move(name)), kind_(kind), caption_(std::move(caption)),
      peer_(std::make_unique<TControlPeer>()) {}

TControl::~TControl() {
  children_.clear();
}

TRect TControl::BoundsRect() const {
  const QRect g = WidgetOf(*this)->geometry();
  const TScale scale = ScaleOf(*this);
  const TRect device{g.x(), g.y(), g.width(), g.height()};
  return kind_ == Kind::Form ? scale.WindowRectOf(device) : scale.RectOf(device);
}

void TControl::SetBounds(const TRect& bounds) {
  QWidget* widget = WidgetOf(*this);
  const TScale scale = ScaleOf(*this);
  const TRect device = kind_ == Kind::Form ? scale.WindowRect(bounds) : scale.Rect(bounds);
  widget->setGeometry(device.Left, device.Top, device.Width, device.Height);
  if (kind_ == Kind::Label)
    FitLabelHeight(static_cast<TLabel&>(*this));
}

TRect TControl::ClientRect() const {
  const QRect r = WidgetOf(*this)->contentsRect();
  return ScaleOf(*this).RectOf({r.x(), r.y(), r.width(), r.height()});
}

bool TControl::Visible() const {
  return !WidgetOf(*this)->isHidden();
}

void TControl::SetVisible(bool visible) {
  WidgetOf(*this)->setVisible(visible);
}

bool TControl::Enabled() const {
  return WidgetOf(*this)->isEnabled();
}

void TControl::SetEnabled(bool enabled) {
  WidgetOf(*this)->setEnabled(enabled);
}

bool TControl::Focused() const {
  return WidgetOf(*this)->hasFocus();
}

void TControl::SetFocus() {
  WidgetOf(*this)->setFocus(Qt::OtherFocusReason);
}

bool TControl::TabStop() const {
  return (WidgetOf(*this)->focusPolicy() & Qt::TabFocus) != 0;
}

void TControl::SetTabStop(bool stop) {
  QWidget* widget = WidgetOf(*this);
  widget->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// ---- Labels ----

TLabel::TLabel(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::Label, std::move(caption)) {
  Attach(*this, new QLabel(TextOf(Caption()), ContainerOf(parent)));
}

int TLabel::LineHeight() const {
  return ScaleOf(*this).PixelsOf(WidgetOf(*this)->fontMetrics().lineSpacing());
}

// ---- Buttons ----

namespace {

void ConnectClick(TControl& control, QAbstractButton* button) {
  QObject::connect(button, &QAbstractButton::clicked, button, [&control] { control.Click(); });
}

QPushButton* NewPushButton(TControl& control, QPushButton* button) {
  // Enter presses a focused button only in a window that has a default button; see SetDefault.
  button->setAutoDefault(false);
  button->setDefault(false);
  ConnectClick(control, button);
  Attach(control, button);
  return button;
}

} // namespace

TButton::TButton(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::Button, std::move(caption)) {
  NewPushButton(*this, new QPushButton(TextOf(Caption()), ContainerOf(parent)));
}

TButton::TButton(TControl& parent, std::string name, Kind kind, std::string caption)
    : TControl(&parent, std::move(name), kind, std::move(caption)) {}

TBitBtn::TBitBtn(TControl& parent, std::string name, std::string caption)
    : TButton(parent, std::move(name), Kind::BitBtn, std::move(caption)) {
  NewPushButton(*this, new BitBtnWidget(*this, TextOf(Caption()), ContainerOf(parent)));
}

TRadioButton::TRadioButton(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::RadioButton, std::move(caption)) {
  auto* radio = new QRadioButton(TextOf(Caption()), ContainerOf(parent));
  ConnectClick(*this, radio);
  Attach(*this, radio);
}

// ---- Frames and panels ----

TGroupBox::TGroupBox(TControl& parent, std::string name, std::string caption)
    : TControl(&parent, std::move(name), Kind::GroupBox, std::move(caption)) {
  Attach(*this, new GroupBoxWidget(*this, TextOf(Caption()), ContainerOf(parent)));
}

TPanel::TPanel(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::Panel) {
  auto* panel = new QFrame(ContainerOf(parent));
  // Panels hide what lies behind them.
  panel->setAutoFillBackground(true);
  Attach(*this, panel);
}

// ---- Lists ----

namespace {

QListWidget& ListOf(const TListBox& list) {
  return *static_cast<QListWidget*>(WidgetOf(list));
}

} // namespace

TListBox::TListBox(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ListBox) {
  auto* list = new SingleSelectionList(ContainerOf(parent));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSortingEnabled(false);
  list->setUniformItemSizes(true);
  Attach(*this, list);
}

void platform_backend::ItemAdded(TListBox& list) {
  ListOf(list).addItem(TextOf(list.Item(list.Count() - 1)));
}

void platform_backend::ItemDeleted(TListBox& list, int index) {
  std::unique_ptr<QListWidgetItem>(ListOf(list).takeItem(index));
}

int TListBox::ItemIndex() const {
  const QModelIndexList rows = ListOf(*this).selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void TListBox::SetItemIndex(int index) {
  ListOf(*this).setCurrentRow(index);
}

// ---- Memos ----

namespace {

QPlainTextEdit& EditOf(const TMemo& memo) {
  return *static_cast<QPlainTextEdit*>(WidgetOf(memo));
}

} // namespace

TMemo::TMemo(TControl& parent, std::string name) : TControl(&parent, std::move(name), Kind::Memo) {
  auto* edit = new QPlainTextEdit(ContainerOf(parent));
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Attach(*this, edit);
}

std::string TMemo::Text() const {
  return EditOf(*this).toPlainText().toStdString();
}

void TMemo::SetText(const std::string& text) {
  EditOf(*this).setPlainText(TextOf(text));
}

// ---- Progress bars ----

TProgressBar::TProgressBar(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ProgressBar) {
  auto* bar = new QProgressBar(ContainerOf(parent));
  // The bar alone, as the desktop's own progress bars are.
  bar->setTextVisible(false);
  Attach(*this, bar);
}

// ---- Scroll boxes ----

TScrollBox::TScrollBox(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::ScrollBox) {
  QWidget* host = ContainerOf(parent);
  auto* area = new QScrollArea(host);
  area->setFrameShape(QFrame::NoFrame);
  area->setFocusPolicy(Qt::NoFocus);
  auto* content = new QWidget;
  area->setWidget(content);
  area->setWidgetResizable(true);
  area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Fills its parent's client area.
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(area);
  Peer().container = content;
  Attach(*this, area);
}

// ---- What the shared layer asks of the widgets ----

namespace {

void ShowCaption(TControl& control, QWidget& widget) {
  const QString text = TextOf(control.Caption());
  if (auto* label = qobject_cast<QLabel*>(&widget)) {
    label->setText(text);
    FitLabelHeight(static_cast<TLabel&>(control));
  } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QGroupBox*>(&widget)) {
    box->setTitle(text);
  } else if (widget.isWindow()) {
    widget.setWindowTitle(text);
  }
}

void ShowBevel(const TPanel& panel, QFrame& frame) {
  switch (panel.Bevel()) {
  case TPanelBevel::bvNone:
    frame.setFrameStyle(QFrame::NoFrame);
    return;
  case TPanelBevel::bvLowered:
    frame.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    break;
  case TPanelBevel::bvRaised:
    frame.setFrameStyle(QFrame::Panel | QFrame::Raised);
    break;
  }
  frame.setLineWidth(ScaleOf(panel).Length(panel.BevelWidth()));
}

void ShowGlyph(const TBitBtn& control, BitBtnWidget& button) {
  const TScale scale = ScaleOf(control);
  if (control.GlyphKind() == TBitBtnKind::bkOK) {
    button.setIcon(button.style()->standardIcon(QStyle::SP_DialogOkButton));
  } else if (!control.Glyph().Empty()) {
    const QSize size(scale.Length(control.Glyph().Width()), scale.Length(control.Glyph().Height()));
    button.setIcon(GlyphIcon(control.Glyph(), size));
    button.setIconSize(size);
  }
  button.update();
}

// What only the control's kind has.
void ShowLook(TControl& control, QWidget& widget) {
  switch (control.ControlKind()) {
  case TControl::Kind::Label: {
    const auto& label = static_cast<TLabel&>(control);
    auto& text = static_cast<QLabel&>(widget);
    text.setWordWrap(label.WordWrap());
    text.setAlignment(Qt::AlignLeft |
                      (label.Layout() == TTextLayout::tlTop ? Qt::AlignTop : Qt::AlignVCenter));
    FitLabelHeight(label);
    break;
  }
  case TControl::Kind::BitBtn:
    ShowGlyph(static_cast<TBitBtn&>(control), static_cast<BitBtnWidget&>(widget));
    [[fallthrough]];
  case TControl::Kind::Button:
    static_cast<QPushButton&>(widget).setDefault(static_cast<TButton&>(control).Default());
    break;
  case TControl::Kind::Panel:
    ShowBevel(static_cast<TPanel&>(control), static_cast<QFrame&>(widget));
    break;
  case TControl::Kind::ListBox:
    if (const int height = static_cast<TListBox&>(control).ItemHeight(); height > 0)
      static_cast<QListWidget&>(widget).setItemDelegate(
          new FixedHeightItems(ScaleOf(control).Length(height), &widget));
    break;
  case TControl::Kind::Memo: {
    const auto& memo = static_cast<TMemo&>(control);
    auto& edit = static_cast<QPlainTextEdit&>(widget);
    edit.setTabChangesFocus(!memo.WantTabs());
    // The toolkit's own scroll bar until one is asked for.
    const bool vertical = memo.ScrollBars() == TScrollStyle::ssVertical;
    if (vertical || edit.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
      edit.setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    break;
  }
  case TControl::Kind::ProgressBar: {
    const auto& progress = static_cast<TProgressBar&>(control);
    auto& bar = static_cast<QProgressBar&>(widget);
    bar.setRange(0, progress.Max());
    bar.setValue(progress.Position());
    break;
  }
  case TControl::Kind::ScrollBox: {
    // The range is fixed: the content never grows with the controls, only widens to fill a view
    // that is wider than the range.
    const auto& box = static_cast<TScrollBox&>(control);
    QWidget* content = control.Peer().container;
    const TScale scale = ScaleOf(control);
    content->setMinimumSize(scale.Edge(box.RangeWidth()), scale.Edge(box.RangeHeight()));
    content->setMaximumHeight(scale.Edge(box.RangeHeight()));
    break;
  }
  default:
    break;
  }
}

} // namespace

void platform_backend::Update(TControl& control, TAspect aspect) {
  QWidget& widget = *WidgetOf(control);
  switch (aspect) {
  case TAspect::Caption:
    ShowCaption(control, widget);
    break;
  case TAspect::Font:
    widget.setFont(platform::qt::FontOf(DeviceFont(control)));
    SetTextColour(widget, control.Font().Color);
    if (control.ControlKind() == TControl::Kind::Label)
      FitLabelHeight(static_cast<TLabel&>(control));
    break;
  case TAspect::Color:
    SetGround(widget, control.Color());
    if (auto* area = qobject_cast<QScrollArea*>(&widget)) {
      SetGround(*area->viewport(), control.Color());
      SetGround(*control.Peer().container, control.Color());
    }
    break;
  case TAspect::Look:
    ShowLook(control, widget);
    break;
  }
}

bool platform_backend::Checked(const TRadioButton& radio) {
  return static_cast<const QRadioButton*>(WidgetOf(radio))->isChecked();
}

void platform_backend::SetChecked(TRadioButton& radio, bool checked) {
  static_cast<QRadioButton*>(WidgetOf(radio))->setChecked(checked);
}

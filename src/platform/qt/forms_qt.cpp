// Forms as top-level Qt windows: frame, position, modal display, keyboard order and closing.
#include "platform/qt/forms_qt.h"

#include <map>

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

#include "platform/application.h"
#include "platform/graphics.h"
#include "platform/qt/fonts_qt.h"
#include "platform/qt/peer.h"
#include "platform/qt/pixels_qt.h"
#include "platform/system.h"

namespace platform::qt {

FormWidget::FormWidget(TForm& form) : form_(form) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  // Greyed captions stand out from any ground, as the desktop's own do.
  QPalette greyed = palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    greyed.setColor(QPalette::Disabled, role, ColorOf(clGray));
  setPalette(greyed);
  ApplyFlags();
}

void FormWidget::ApplyFlags() {
  Qt::WindowFlags flags;
  switch (borderStyle) {
  case TBorderStyle::bsNone:
    flags = Qt::Window | Qt::FramelessWindowHint;
    break;
  case TBorderStyle::bsDialog:
    flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    break;
  case TBorderStyle::bsSingle:
    flags = Qt::Window | Qt::MSWindowsFixedSizeDialogHint;
    break;
  case TBorderStyle::bsSizeable:
    flags = Qt::Window;
    break;
  }
  if (formStyle == TFormStyle::fsStayOnTop)
    flags |= Qt::WindowStaysOnTopHint;
  const bool shown = isVisible();
  setWindowFlags(flags);
  if (shown)
    show();
}

void FormWidget::PlaceOuter(const QRect& outer) {
  // The client's own rectangle: the toolkit's idea of the frame may still lag behind the window
  // manager's just after it framed the window.
  setGeometry(outer.marginsRemoved(frame_));
}

bool FormWidget::event(QEvent* event) {
  switch (event->type()) {
  // The window manager reparents a shown window into its frame and then moves it; one of these
  // follows once the frame is known.
  case QEvent::Show:
  case QEvent::Move:
  case QEvent::Resize:
  case QEvent::WindowActivate:
    NoteFrame();
    break;
  default:
    break;
  }
  return QWidget::event(event);
}

void FormWidget::NoteFrame() {
  if (!windowHandle())
    return;
  const QMargins frame = windowHandle()->frameMargins();
  if (frame == frame_)
    return;
  frame_ = frame;
  if (outerWanted && !outerFitted && !frame_.isNull()) {
    PlaceOuter(*outerWanted);
    outerFitted = true;
  }
  if (position == TPosition::poScreenCenter)
    CentreOnScreen();
  RunHandlerIfSet(form_.OnFrameChanged);
}

void FormWidget::CentreOnScreen() {
  const QSize outer = size().grownBy(frame_);
  PlaceOuter(QRect(QPoint((GetSystemMetrics(SM_CXSCREEN) - outer.width()) / 2,
                          (GetSystemMetrics(SM_CYSCREEN) - outer.height()) / 2),
                   outer));
}

void FormWidget::showEvent(QShowEvent* event) {
  ArrangeDefaultButtons();
  if (position == TPosition::poScreenCenter)
    CentreOnScreen();
  RunHandlerIfSet(form_.OnShow);
  QWidget::showEvent(event);
}

void FormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RunHandlerIfSet(form_.OnResize);
}

// In a window with a default button a focused button takes Enter itself, as on the desktop; in
// one without, Enter presses no button at all.
void FormWidget::ArrangeDefaultButtons() {
  if (defaultButtonsArranged)
    return;
  defaultButtonsArranged = true;
  const QList<QPushButton*> buttons = findChildren<QPushButton*>();
  const bool hasDefault = std::any_of(buttons.begin(), buttons.end(),
                                      [](const QPushButton* b) { return b->isDefault(); });
  for (QPushButton* button : buttons)
    button->setAutoDefault(hasDefault);
}

bool FormWidget::PressDefaultButton() {
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isEnabled()) {
      button->click();
      return true;
    }
  }
  return false;
}

bool FormWidget::DeliverKey(const QKeyEvent& event) {
  if (!form_.OnKeyDown)
    return false;
  const int key = VirtualKeyOf(event);
  RunHandler([&] { form_.OnKeyDown(key); });
  return true;
}

void FormWidget::keyPressEvent(QKeyEvent* event) {
  // Enter that no focused control takes presses the default button.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && PressDefaultButton())
    return;
  if (DeliverKey(*event))
    return;
  QWidget::keyPressEvent(event);
}

void FormWidget::closeEvent(QCloseEvent* event) {
  if (form_.OnCloseQuery && !AskHandler(form_.OnCloseQuery, true)) {
    event->ignore();
    return;
  }
  if (modalLoop) {
    // Closing a modal form ends its modal display; the form is hidden, not destroyed.
    if (modalResult == mrNone)
      modalResult = mrCancel;
    modalLoop->quit();
    event->accept();
    return;
  }
  QWidget::closeEvent(event);
  if (Application().MainForm() == &form_)
    Application().Quit();
}

FormWidget& FormWidgetOf(const TForm& form) {
  return *static_cast<FormWidget*>(WidgetOf(form));
}

int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  switch (key) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return VK_TAB;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return VK_RETURN;
  case Qt::Key_Escape:
    return VK_ESCAPE;
  case Qt::Key_Space:
    return VK_SPACE;
  case Qt::Key_Left:
    return VK_LEFT;
  case Qt::Key_Up:
    return VK_UP;
  case Qt::Key_Right:
    return VK_RIGHT;
  case Qt::Key_Down:
    return VK_DOWN;
  default:
    break;
  }
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
    return key;
  return 0;
}

} // namespace platform::qt

using platform::qt::FormWidget;
using platform::qt::FormWidgetOf;

namespace {

// The one button of its group that Tab stops at.
void MakeTabStop(QRadioButton& chosen) {
  for (QRadioButton* radio :
       chosen.parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
    radio->setFocusPolicy(radio == &chosen ? Qt::StrongFocus : Qt::ClickFocus);
}

// Tab enters each radio group of window on its checked button (on its first one while none is
// checked); the arrow keys move within the group.
void TabIntoRadioGroupsAtTheirCheckedButton(QWidget& window) {
  std::map<QWidget*, QRadioButton*> stops;
  for (QWidget* widget = window.nextInFocusChain(); widget != &window;
       widget = widget->nextInFocusChain()) {
    auto* radio = qobject_cast<QRadioButton*>(widget);
    if (!radio || !radio->autoExclusive())
      continue;
    QRadioButton*& stop = stops[radio->parentWidget()];
    if (!stop || (radio->isChecked() && !stop->isChecked()))
      stop = radio;
    QObject::connect(radio, &QAbstractButton::toggled, radio, [radio](bool checked) {
      if (checked)
        MakeTabStop(*radio);
    });
  }
  for (const auto& [group, stop] : stops)
    MakeTabStop(*stop);
}

} // namespace

TForm::TForm(std::string windowClass)
    : TControl(nullptr, "", Kind::Form), windowClass_(std::move(windowClass)) {
  Peer().widget = new FormWidget(*this);
}

TForm::~TForm() {
  Application().RemoveHookedWindow(this);
}

void TForm::SetBorderStyle(TBorderStyle style) {
  FormWidget& widget = FormWidgetOf(*this);
  widget.borderStyle = style;
  widget.ApplyFlags();
}

void TForm::SetFormStyle(TFormStyle style) {
  FormWidget& widget = FormWidgetOf(*this);
  widget.formStyle = style;
  widget.ApplyFlags();
}

void TForm::SetPosition(TPosition position) {
  FormWidgetOf(*this).position = position;
}

void TForm::SetIcon(const TBitmap& icon) {
  QPixmap picture = QPixmap::fromImage(platform::qt::ImageOf(icon.Pixels()));
  if (!picture.isNull()) {
    const QImage image = picture.toImage();
    picture.setMask(
        picture.createMaskFromColor(image.pixelColor(0, image.height() - 1), Qt::MaskInColor));
  }
  FormWidgetOf(*this).setWindowIcon(QIcon(picture));
}

void TForm::SetClientSize(int width, int height) {
  FormWidgetOf(*this).setFixedSize(width, height);
}

TRect TForm::OuterBounds() const {
  const FormWidget& widget = FormWidgetOf(*this);
  const QRect outer = widget.geometry().marginsAdded(widget.Frame());
  return {outer.x(), outer.y(), outer.width(), outer.height()};
}

void TForm::SetOuterBounds(const TRect& outer) {
  FormWidget& widget = FormWidgetOf(*this);
  const QRect wanted(outer.Left, outer.Top, outer.Width, outer.Height);
  widget.outerWanted = wanted;
  widget.outerFitted = !widget.Frame().isNull();
  // Until the desktop tells the frame's size the client takes the whole outer size.
  widget.PlaceOuter(wanted);
}

void TForm::ShowFullScreen(const TRect& area) {
  FormWidget& widget = FormWidgetOf(*this);
  widget.setGeometry(area.Left, area.Top, area.Width, area.Height);
  // Not showFullScreen(): that would take the keyboard whether or not the form should.
  widget.setWindowState(Qt::WindowFullScreen);
  widget.show();
}

void TForm::SetActivateOnShow(bool activate) {
  FormWidgetOf(*this).setAttribute(Qt::WA_ShowWithoutActivating, !activate);
}

void TForm::Activate() {
  FormWidget& widget = FormWidgetOf(*this);
  widget.raise();
  widget.activateWindow();
  widget.setFocus();
}

void TForm::HidePointer() {
  FormWidgetOf(*this).setCursor(Qt::BlankCursor);
}

int TForm::ShowModal() {
  FormWidget& widget = FormWidgetOf(*this);
  widget.modalResult = mrNone;
  widget.setWindowModality(Qt::ApplicationModal);
  widget.show();
  widget.raise();
  widget.activateWindow();
  QEventLoop loop;
  widget.modalLoop = &loop;
  loop.exec();
  widget.modalLoop = nullptr;
  widget.hide();
  widget.setWindowModality(Qt::NonModal);
  return widget.modalResult;
}

void TForm::SetModalResult(int result) {
  FormWidget& widget = FormWidgetOf(*this);
  widget.modalResult = result;
  if (widget.modalLoop && result != mrNone)
    widget.modalLoop->quit();
}

bool TForm::InModal() const {
  return FormWidgetOf(*this).modalLoop != nullptr;
}

void TForm::Close() {
  FormWidgetOf(*this).close();
}

void TForm::SetTabOrder(std::initializer_list<TControl*> order) {
  const TControl* previous = nullptr;
  for (const TControl* control : order) {
    if (previous)
      QWidget::setTabOrder(platform::qt::WidgetOf(*previous), platform::qt::WidgetOf(*control));
    previous = control;
  }
  TabIntoRadioGroupsAtTheirCheckedButton(FormWidgetOf(*this));
}

void TForm::SetKeyPreview(bool preview) {
  FormWidgetOf(*this).keyPreview = preview;
}

void TForm::FitCaptions() {
  platform::qt::FitCaptions(FormWidgetOf(*this));
}

void TForm::WidenClippedCaptions(std::initializer_list<TControl*> containers) {
  for (const TControl* container : containers)
    platform::qt::WidenClippedCaptions(*platform::qt::WidgetOf(*container));
}

// Forms as top-level Qt windows: frame, position, showing, the modal loop and the close box.
#include "platform/qt/forms_qt.h"

#include <map>

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "platform/application.h"
#include "platform/backend.h"
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

// Moved to a monitor of another scale, the window lays itself out again and keeps its size in its
// own pixels.
void FormWidget::FollowScreen() {
  if (followingScreen_ || !windowHandle())
    return;
  followingScreen_ = true;
  connect(windowHandle(), &QWindow::screenChanged, this,
          [this](QScreen* screen) { RunHandler([this, screen] { TakeScaleOf(screen); }); });
  // The window may have been made on a monitor other than the primary one.
  TakeScaleOf(windowHandle()->screen());
}

void FormWidget::TakeScaleOf(const QScreen* screen) {
  const TScale before = form_.Scale();
  const QSize own(before.PixelsOf(width()), before.PixelsOf(height()));
  form_.MonitorScaleChanged(ScreenScale(screen));
  const TScale now = form_.Scale();
  if (now == before)
    return;
  if (clientWanted)
    setFixedSize(now.Edge(clientWanted->width()), now.Edge(clientWanted->height()));
  else
    resize(now.Edge(own.width()), now.Edge(own.height()));
}

void FormWidget::showEvent(QShowEvent* event) {
  FollowScreen();
  ArrangeDefaultButtons();
  if (position == TPosition::poScreenCenter)
    CentreOnScreen();
  RunHandlerIfSet(form_.OnShow);
  // A window that gets the keyboard gives it to the control Tab visits first, as on the desktop.
  if (!focusWidget()) {
    if (TControl* first = form_.FirstTabStop())
      WidgetOf(*first)->setFocus(Qt::TabFocusReason);
  }
  QWidget::showEvent(event);
}

void FormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RunHandlerIfSet(form_.OnResize);
}

// In a window with a default button every push button is drawn as one that could take Enter, as
// on the desktop.
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

void FormWidget::closeEvent(QCloseEvent* event) {
  if (!form_.QueryClose()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
  form_.Closed();
}

FormWidget& FormWidgetOf(const TForm& form) {
  return *static_cast<FormWidget*>(WidgetOf(form));
}

int VirtualKeyOf(const QKeyEvent& event) {
  static const std::map<int, int> keys = {{Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
                                          {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},
                                          {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
                                          {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
                                          {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN}};
  const int key = event.key();
  if (const auto found = keys.find(key); found != keys.end())
    return found->second;
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
    return key;
  return 0;
}

} // namespace platform::qt

using platform::qt::FormWidget;
using platform::qt::FormWidgetOf;

TForm::TForm(std::string windowClass)
    : TControl(nullptr, "", Kind::Form), windowClass_(std::move(windowClass)) {
  Peer().widget = new FormWidget(*this);
  MonitorScaleChanged(platform::qt::ScreenScale(QGuiApplication::primaryScreen()));
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
  FormWidget& widget = FormWidgetOf(*this);
  widget.clientWanted = QSize(width, height);
  widget.setFixedSize(Scale().Edge(width), Scale().Edge(height));
}

TRect TForm::OuterBounds() const {
  const FormWidget& widget = FormWidgetOf(*this);
  const QRect outer = widget.geometry().marginsAdded(widget.Frame());
  return Scale().WindowRectOf({outer.x(), outer.y(), outer.width(), outer.height()});
}

void TForm::SetOuterBounds(const TRect& outer) {
  FormWidget& widget = FormWidgetOf(*this);
  const TRect device = Scale().WindowRect(outer);
  const QRect wanted(device.Left, device.Top, device.Width, device.Height);
  widget.outerWanted = wanted;
  widget.outerFitted = !widget.Frame().isNull();
  // Until the desktop tells the frame's size the client takes the whole outer size.
  widget.PlaceOuter(wanted);
}

void TForm::ShowFullScreen(const TRect& area) {
  FormWidget& widget = FormWidgetOf(*this);
  const TRect device = Scale().WindowRect(area);
  widget.setGeometry(device.Left, device.Top, device.Width, device.Height);
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

void TForm::Close() {
  FormWidgetOf(*this).close();
}

TControl* platform_backend::FocusedControl(const TForm& form) {
  const QWidget* focus = QApplication::focusWidget();
  if (!focus || focus->window() != platform::qt::WidgetOf(form))
    return nullptr;
  TControl* found = nullptr;
  for (; focus && !found; focus = focus->parentWidget()) {
    ForEachControl(form, [&](TControl& control) {
      if (!found && platform::qt::WidgetOf(control) == focus)
        found = &control;
    });
  }
  return found;
}

void platform_backend::FocusByTab(TControl& control) {
  platform::qt::WidgetOf(control)->setFocus(Qt::TabFocusReason);
}

void platform_backend::RunModal(TForm& form, const std::function<bool()>& done) {
  FormWidget& widget = FormWidgetOf(form);
  widget.setWindowModality(Qt::ApplicationModal);
  widget.show();
  widget.raise();
  widget.activateWindow();
  QEventLoop loop;
  widget.modalLoop = &loop;
  if (!done())
    loop.exec();
  widget.modalLoop = nullptr;
  // Hidden while still modal, so that Qt takes it off its list of modal windows.
  widget.hide();
  widget.setWindowModality(Qt::NonModal);
}

void platform_backend::EndModal(TForm& form) {
  if (QEventLoop* loop = FormWidgetOf(form).modalLoop)
    loop->quit();
}

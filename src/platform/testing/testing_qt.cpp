// Driving windows as a user would, through Qt's own event delivery.
#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/forms.h"
#include "platform/qt/peer.h"
#include "platform/qt/pixels_qt.h"
#include "platform/testing.h"

namespace {

Qt::Key QtKeyOf(int key, bool shift) {
  switch (key) {
  case VK_TAB:
    return shift ? Qt::Key_Backtab : Qt::Key_Tab;
  case VK_RETURN:
    return Qt::Key_Return;
  case VK_ESCAPE:
    return Qt::Key_Escape;
  case VK_SPACE:
    return Qt::Key_Space;
  case VK_LEFT:
    return Qt::Key_Left;
  case VK_UP:
    return Qt::Key_Up;
  case VK_RIGHT:
    return Qt::Key_Right;
  case VK_DOWN:
    return Qt::Key_Down;
  default:
    return Qt::Key(key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key);
  }
}

// The text a key types: a letter's key without Shift types the small letter, as on the desktop.
QString TextOfKey(int key, bool shift) {
  if (key >= 'A' && key <= 'Z' && !shift)
    key = key - 'A' + 'a';
  switch (key) {
  case VK_TAB:
    return "\t";
  case VK_RETURN:
    return "\r";
  case VK_SPACE:
    return " ";
  case VK_ESCAPE:
    return QString(QChar(0x1B));
  default:
    return key >= 0x20 && key < 0x7F ? QString(QChar(key)) : QString();
  }
}

} // namespace

namespace platform_test {

void PressKey(TForm& form, int key, bool shift, bool control) {
  QWidget* window = platform::qt::WidgetOf(form);
  QWidget* focus = QApplication::focusWidget();
  QPointer<QWidget> target = focus && focus->window() == window ? focus : window;
  Qt::KeyboardModifiers modifiers;
  if (shift)
    modifiers |= Qt::ShiftModifier;
  if (control)
    modifiers |= Qt::ControlModifier;
  const Qt::Key qtKey = QtKeyOf(key, shift);
  const QString text = control ? QString() : TextOfKey(key, shift);
  QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
  QApplication::sendEvent(target, &press);
  // The press may have moved the focus or closed the window; the release goes where the focus is.
  QWidget* now = QApplication::focusWidget();
  QPointer<QWidget> releaseTarget = now ? now : target.data();
  if (!releaseTarget)
    return;
  QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
  QApplication::sendEvent(releaseTarget, &release);
}

void ClickAt(TControl& control, std::optional<TPoint> at) {
  QWidget* widget = platform::qt::WidgetOf(control);
  const QPoint point = at ? QPoint(at->X, at->Y) : widget->rect().center();
  QWidget* top = widget->window();
  QPointer<QWindow> window = top->windowHandle();
  if (!window) {
    top->winId();
    window = top->windowHandle();
  }
  const QPointF local(widget->mapTo(top, point));
  const QPointF global(widget->mapToGlobal(point));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(window, &press);
  if (!window)
    return;
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(window, &release);
}

TControl* FocusedControl(TForm& form) {
  return platform_backend::FocusedControl(form);
}

TRect DeviceBounds(const TControl& control) {
  const QWidget& widget = *platform::qt::WidgetOf(control);
  const QRect g = widget.geometry();
  return {g.x(), g.y(), g.width(), g.height()};
}

TPixels Grab(TControl& control) {
  return platform::qt::PixelsOf(platform::qt::WidgetOf(control)->grab().toImage());
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired())
      return false;
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

void Later(std::function<void()> work, int delayMs) {
  QTimer::singleShot(delayMs, QCoreApplication::instance(),
                     [work = std::move(work)] { RunHandler(work); });
}

} // namespace platform_test

#include "support/user_input.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

bool ShowActive(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
  const QDeadlineTimer deadline(5000);
  while (!window.isActiveWindow() && !deadline.hasExpired())
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  return window.isActiveWindow();
}

bool PressKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QWidget* focused = QApplication::focusWidget();
  if (!focused)
    return false;
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(focused, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  if (QWidget* now = QApplication::focusWidget())
    QApplication::sendEvent(now, &release);
  return true;
}

void TypeText(const QString& text) {
  for (const QChar c : text)
    PressKey(c.unicode() < 128 ? int(c.toUpper().unicode()) : int(Qt::Key_unknown), Qt::NoModifier,
             c);
}

void Click(QWidget& widget, QPoint at, Qt::KeyboardModifiers modifiers) {
  // A press gives the focus to the nearest control that takes it on a click, as the system does.
  for (QWidget* taker = &widget; taker && !taker->isWindow(); taker = taker->parentWidget()) {
    if ((taker->focusPolicy() & Qt::ClickFocus) && taker->isEnabled()) {
      taker->setFocus(Qt::MouseFocusReason);
      break;
    }
  }
  const QPointF local(at);
  const QPointF global(widget.mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    modifiers);
  QApplication::sendEvent(&widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      modifiers);
  QApplication::sendEvent(&widget, &release);
}

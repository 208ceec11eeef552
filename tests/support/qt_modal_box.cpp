#include "support/qt_modal_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

void ClickThroughWindow(QWidget* widget) {
  QWidget* window = widget->window();
  QWindow* handle = window->windowHandle();
  const QPointF local = widget->mapTo(window, widget->rect().center());
  const QPointF global = window->mapToGlobal(local);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, local, global, Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(handle, &event);
  }
}

std::unique_ptr<QTimer> WhenABoxOpens(std::function<void(QMessageBox&)> answer) {
  auto poll = std::make_unique<QTimer>();
  QTimer* timer = poll.get();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, answer = std::move(answer)] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
      return;
    timer->stop();
    answer(*box);
  });
  timer->start(10);
  return poll;
}

QPushButton* ButtonOf(QMessageBox& box, const QString& caption) {
  for (QAbstractButton* button : box.buttons()) {
    if (button->text() == caption)
      return qobject_cast<QPushButton*>(button);
  }
  return nullptr;
}

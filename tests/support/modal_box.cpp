#include "support/modal_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
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

void WhenABoxOpens(std::function<void(QMessageBox&)> answer) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
      return;
    poll->stop();
    poll->deleteLater();
    answer(*box);
  });
  poll->start(10);
}

QPushButton* ButtonOf(QMessageBox& box, const QString& caption) {
  for (QAbstractButton* button : box.buttons()) {
    if (button->text() == caption)
      return qobject_cast<QPushButton*>(button);
  }
  return nullptr;
}

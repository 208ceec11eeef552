// The Qt backend's real message boxes answered as a user would: a click reaches the box's own
// window first, as the windowing system delivers it.
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QTimer>

class QMessageBox;
class QPushButton;
class QWidget;

// A left click in the middle of widget, sent to its top-level window.
void ClickThroughWindow(QWidget* widget);
// Runs answer once the next message box is open (inside its modal loop), for as long as the
// returned watch lives: a box that never opens leaves no watch behind to answer another's box.
[[nodiscard]] std::unique_ptr<QTimer> WhenABoxOpens(std::function<void(QMessageBox&)> answer);
// The box's button with this caption, or null.
QPushButton* ButtonOf(QMessageBox& box, const QString& caption);

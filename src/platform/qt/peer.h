// The Qt backend's side of a control: the widget that stands for it on the screen.
#pragma once

#include <memory>
#include <optional>

#include <QPointer>
#include <QWidget>

#include "platform/controls.h"

class TImage;

struct TControlPeer {
  // Owned here; also a child of the parent control's widget, which Qt never deletes first because
  // a control's children go before the control itself.
  QPointer<QWidget> widget;
  // Where the control's own controls go: the widget itself, or a scroll box's content.
  QPointer<QWidget> container;
  ~TControlPeer() { delete widget.data(); }
};

namespace platform::qt {

QWidget* WidgetOf(const TControl& control);
// Where the controls created on control go: its widget, or a scroll box's content.
QWidget* ContainerOf(const TControl& control);
// Makes widget the control's own; a control's widget is shown with its window.
void Attach(TControl& control, QWidget* widget);
// The QColor of a colour number.
QColor ColorOf(TColor colour);

// The widget of an image control, made with the control's painting.
QWidget* NewImageWidget(TImage& owner, QWidget* parent);

} // namespace platform::qt

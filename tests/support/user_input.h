// Input as a user gives it to a window on the screen: keys go to the focused control, clicks to a
// point of a control.
#pragma once

#include <QPoint>
#include <QString>

class QWidget;

// Shows the window and waits until it is the active one, so that it has the keyboard focus.
// False when it did not become active.
bool ShowActive(QWidget& window);

// Presses and releases a key on whichever control has the focus; false when none has.
bool PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {});

// Types text into the focused control, one key per character.
void TypeText(const QString& text);

// Presses and releases the left mouse button at a point of widget.
void Click(QWidget& widget, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

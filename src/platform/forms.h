// The base of every window (a creation handler, modal showing, closing, the frame the desktop puts
// around it) and the desktop behaviour of its group frames and radio groups.
#pragma once

#include <QGroupBox>
#include <QMargins>
#include <QWidget>

class QEventLoop;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TForm : public QWidget {
  Q_OBJECT
public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;

  // The creation handler; runs once, right after construction.
  virtual void FormCreate() {}
  // How the main form shows itself once its creation has finished.
  virtual void ShowAfterCreation() { show(); }

  // Shows the form and waits in a nested message loop until it sets a modal result; the form is
  // then hidden, not destroyed, and can be shown again.
  int ShowModal();
  void SetModalResult(int result);
  bool InModal() const { return modalLoop_ != nullptr; }

protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  // The desktop's frame around the form became known or changed. A window manager tells it only
  // after the form is first shown; until then the outer size is the client size.
  virtual void FrameChanged() {}
  // The frame as last known; empty while none is.
  QMargins Frame() const;
  // Gives the whole window, frame included, this rectangle on the screen.
  void PlaceOuter(const QRect& outer);

private:
  int modalResult_ = mrNone;
  QEventLoop* modalLoop_ = nullptr;
  QMargins frame_;
};

// A frame around a group of controls, drawn etched (a shadow line with a white line beside it) as
// the desktop draws it, so that it stands out on any ground, the window's grey included.
class TGroupBox : public QGroupBox {
  Q_OBJECT
public:
  using QGroupBox::QGroupBox;

protected:
  void paintEvent(QPaintEvent* event) override;
};

// Tab enters each radio group of window on its checked button (on its first one while none is
// checked); the arrow keys move within the group.
void TabIntoRadioGroupsAtTheirCheckedButton(QWidget& window);

// Colour values packed as red + 256 x green + 65536 x blue.
QColor ColorFromValue(unsigned value);

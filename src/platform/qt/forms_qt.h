// The Qt window that stands for a form.
#pragma once

#include <QMargins>
#include <QSize>
#include <QWidget>
#include <optional>

#include "platform/forms.h"

class QEventLoop;
class QScreen;

namespace platform::qt {

class FormWidget : public QWidget {
public:
  explicit FormWidget(TForm& form);

  TForm& Form() const { return form_; }

  TBorderStyle borderStyle = TBorderStyle::bsSizeable;
  TFormStyle formStyle = TFormStyle::fsNormal;
  TPosition position = TPosition::poDesigned;
  // The whole window the form asked for, frame included; fitted once the frame is known.
  std::optional<QRect> outerWanted;
  bool outerFitted = false;
  // The client size the form fixed, in its own pixels.
  std::optional<QSize> clientWanted;
  QEventLoop* modalLoop = nullptr;
  bool defaultButtonsArranged = false;

  // The desktop's frame as last known; empty while none is.
  QMargins Frame() const { return frame_; }
  void ApplyFlags();
  // Gives the whole window, frame included, this rectangle on the screen.
  void PlaceOuter(const QRect& outer);

protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void NoteFrame();
  void FollowScreen();
  void TakeScaleOf(const QScreen* screen);
  void CentreOnScreen();
  void ArrangeDefaultButtons();

  TForm& form_;
  QMargins frame_;
  bool followingScreen_ = false;
};

FormWidget& FormWidgetOf(const TForm& form);

// The desktop's display scale, read from the environment before Qt is told to keep device pixels.
void NoteDesktopScale();
// The scale Qt would give windows on screen (the primary screen's when null).
TScale ScreenScale(const QScreen* screen);
// Qt's style draws at each window's scale.
void InstallScaledStyle();
// How much larger a dialog of Qt's own (a message box, the file dialog) must make its fonts.
double DialogFontRatio(const QWidget* dialog);
// The desktop's virtual-key code of a Qt key, 0 for keys without one.
int VirtualKeyOf(const QKeyEvent& event);

} // namespace platform::qt

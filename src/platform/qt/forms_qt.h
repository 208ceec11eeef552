// The Qt window that stands for a form.
#pragma once

#include <QMargins>
#include <QWidget>

#include "platform/forms.h"

class QEventLoop;

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
  void CentreOnScreen();
  void ArrangeDefaultButtons();

  TForm& form_;
  QMargins frame_;
};

FormWidget& FormWidgetOf(const TForm& form);
// The desktop's virtual-key code of a Qt key, 0 for keys without one.
int VirtualKeyOf(const QKeyEvent& event);

} // namespace platform::qt

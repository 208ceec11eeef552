// The display window: a black, borderless, topmost window over the whole screen that shows the
// slideshow and ends on a key or a mouse-button press.
#pragma once

#include <memory>

#include "platform/forms.h"
#include "platform/identity.h"

class TForm1 : public TForm {
  Q_OBJECT
public:
  TForm1();
  ~TForm1() override;

  void FormCreate() override;
  void ShowAfterCreation() override;
  void FormKeyDown();

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  WindowIdentity identity_;
};

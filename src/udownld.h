// The more-software window: three downloadable programs, each with a blinking download button.
#pragma once

#include "platform/forms.h"

class TFrmdownld : public TForm {
  Q_OBJECT
public:
  TFrmdownld();
  ~TFrmdownld() override;
};

// The one more-software window, set while it exists; the settings dialog shows it.
extern TFrmdownld* Frmdownld;

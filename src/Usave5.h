// The about box: the rights notice and the disclaimer.
#pragma once

#include "platform/forms.h"

class Tfrmdisc : public TForm {
  Q_OBJECT
public:
  Tfrmdisc();
  ~Tfrmdisc() override;
};

// The one about box, set while it exists; the settings dialog shows it.
extern Tfrmdisc* frmdisc;

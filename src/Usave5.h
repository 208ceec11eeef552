// The about box: the rights notice and the disclaimer.
#pragma once

#include "platform/forms.h"

class Tfrmdisc : public TForm {
  Q_OBJECT
public:
  Tfrmdisc();
};

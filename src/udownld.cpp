#include "udownld.h"

TFrmdownld* Frmdownld = nullptr;

TFrmdownld::TFrmdownld() {
  setWindowTitle("More Software");
  Frmdownld = this;
}

TFrmdownld::~TFrmdownld() {
  if (Frmdownld == this)
    Frmdownld = nullptr;
}

#include "Usave5.h"

Tfrmdisc* frmdisc = nullptr;

Tfrmdisc::Tfrmdisc() {
  setWindowTitle("Quillmor");
  frmdisc = this;
}

Tfrmdisc::~Tfrmdisc() {
  if (frmdisc == this)
    frmdisc = nullptr;
}

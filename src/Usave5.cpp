#include "Usave5.h"

Tfrmdisc::Tfrmdisc() { setWindowTitle("Quillmor"); }

#include "udownld.h"

TFrmdownld::TFrmdownld() { setWindowTitle("More Software"); }

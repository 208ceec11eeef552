// Window fonts in Qt: the desktop's face by one substitution rule, and captions fitted to their
// controls when the substitute face draws wider than the face the layout was made for.
#pragma once

#include <QFont>

#include "platform/types.h"

class QWidget;

namespace platform::qt {

// "MS Sans Serif" at a character height in pixels. Hosts rarely have that desktop face: one
// substitution rule puts faces of its metrics in its place, and where none of them is installed
// the host's own sans-serif face stands in.
QFont FontOf(const TFont& font);

} // namespace platform::qt

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
// Whether a control's caption, drawn in its font, fits inside the control without wrapping or
// being cut off. Controls without a caption fit.
bool CaptionFits(const QWidget& control);
// Every caption under window that the standing-in face draws too wide (or, word-wrapped, too
// tall) gets a font one pixel smaller at a time until it fits. Controls kept hidden are left alone.
void FitCaptions(QWidget& window);
// Labels and radio buttons directly on container that would be cut off take the width they need,
// within the container.
void WidenClippedCaptions(QWidget& container);

} // namespace platform::qt

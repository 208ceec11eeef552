// The windows' font, named as the desktop names it, with sizes in pixels.
#pragma once

#include <QFont>

class QWidget;

// "MS Sans Serif" at a character height in pixels. Hosts rarely have that desktop face: one
// substitution rule puts faces of its metrics in its place, and where none of them is installed
// the host's own sans-serif face stands in.
QFont WindowFont(int pixels);

// Whether a control's caption, drawn in its font, fits inside the control without wrapping or
// being cut off. Controls without a caption fit.
bool CaptionFits(const QWidget& control);

// Makes every caption under window fit its control: a caption that the standing-in face draws too
// wide (or, word-wrapped, too tall) gets a font one pixel smaller at a time until it fits. Captions
// that fit keep their size, and controls kept hidden are left alone.
void FitCaptions(QWidget& window);

// Fonts named as the desktop names them, with sizes in pixels.
#pragma once

#include <QFont>

// The face where the host has it; otherwise a sans-serif face of similar width, so that texts
// laid out for the face still fit their controls.
QFont PixelFont(const char* family, int pixels);

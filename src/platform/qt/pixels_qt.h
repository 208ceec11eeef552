// Our pixel blocks as Qt images and back.
#pragma once

#include <QImage>

#include "platform/pixels.h"

namespace platform::qt {

// A QImage over the block's own memory (no copy): valid while the block lives unchanged.
QImage ImageOf(const TPixels& pixels);
// A 32-bit copy of any image.
TPixels PixelsOf(const QImage& image);

} // namespace platform::qt

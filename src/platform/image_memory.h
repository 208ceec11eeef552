// Image memory that is handed on from released images to new ones: touching fresh pages costs
// more than decoding into them, and the slideshow releases a picture of the same size as the one
// it is about to decode.
#pragma once

#include <QImage>

namespace platform {

// An uninitialised image whose pixel memory may come from a recently released image made here.
QImage AllocateImage(int width, int height, QImage::Format format);

} // namespace platform

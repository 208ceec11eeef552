// For tests that look at pictures through Qt (the picture import reads photos with Qt).
#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QImage>

#include "support/pictures.h"

// A Format_Grayscale8 image as a grey file, anything else as colour.
std::vector<std::uint8_t> JpegOf(const QImage& image, bool progressive = false);
// The block as a Format_RGB32 image.
QImage ToImage(const TPixels& pixels);
bool Near(QColor a, QColor b, int tolerance);

#include "support/qt_pictures.h"

#include <cstdlib>

std::vector<std::uint8_t> JpegOf(const QImage& image, bool progressive) {
  jpeg::EncodeSettings settings;
  settings.quality = 95;
  settings.progressive = progressive;
  if (image.format() == QImage::Format_Grayscale8)
    return jpeg::Encode(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                        jpeg::SampleLayout::grey, settings);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  return jpeg::Encode(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(),
                      jpeg::SampleLayout::rgb, settings);
}

QImage ToImage(const TPixels& pixels) {
  QImage image(pixels.Width(), pixels.Height(), QImage::Format_RGB32);
  for (int y = 0; y < pixels.Height(); ++y)
    for (int x = 0; x < pixels.Width(); ++x) {
      const TColor c = pixels.Pixel(x, y);
      image.setPixel(x, y, qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
    }
  return image;
}

bool Near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

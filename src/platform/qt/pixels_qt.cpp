#include "platform/qt/pixels_qt.h"

#include <cstring>

namespace platform::qt {

QImage ImageOf(const TPixels& pixels) {
  if (pixels.Empty())
    return QImage();
  switch (pixels.Format()) {
  case TPixelFormat::pf8bit: {
    QImage image(pixels.Bits(), pixels.Width(), pixels.Height(), qsizetype(pixels.Stride()),
                 QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (TColor colour : pixels.Palette)
      colours.push_back(qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour)));
    image.setColorTable(colours);
    return image;
  }
  case TPixelFormat::pf24bit:
    return QImage(pixels.Bits(), pixels.Width(), pixels.Height(), qsizetype(pixels.Stride()),
                  QImage::Format_BGR888);
  case TPixelFormat::pf32bit:
    return QImage(pixels.Bits(), pixels.Width(), pixels.Height(), qsizetype(pixels.Stride()),
                  QImage::Format_RGB32);
  }
  return QImage();
}

TPixels PixelsOf(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  TPixels pixels(rgb.width(), rgb.height(), TPixelFormat::pf32bit);
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(pixels.Row(y), rgb.constScanLine(y), std::size_t(rgb.width()) * 4);
  return pixels;
}

} // namespace platform::qt

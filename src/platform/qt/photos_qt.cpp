// Photos read through Qt's image readers, the plugins installed included.
#include "platform/photos.h"

#include <algorithm>
#include <set>

#include <QFile>
#include <QImageReader>
#include <QPainter>

namespace fs = std::filesystem;

namespace platform {
namespace {

// Room for a photo of some 60 megapixels while it is decoded.
constexpr int kReaderAllocationLimitMb = 1024;

QSize SizeOf(TPhotoSize size) {
  return QSize(size.width, size.height);
}

TPhotoSize PhotoSizeOf(QSize size) {
  return {size.width(), size.height()};
}

// The picture laid over black, as a 24-bit block.
TPixels OverBlack(QImage image) {
  // Pixel for pixel, whatever density its name claims ("@2x").
  image.setDevicePixelRatio(1);
  QImage flat(image.size(), QImage::Format_BGR888);
  flat.fill(Qt::black);
  QPainter(&flat).drawImage(0, 0, image);
  // Format_BGR888 holds blue, green, red in memory order, as a 24-bit block does.
  TPixels pixels(flat.width(), flat.height(), TPixelFormat::pf24bit);
  const std::size_t rowBytes = std::size_t(flat.width()) * 3;
  for (int y = 0; y < flat.height(); ++y)
    std::copy_n(flat.constScanLine(y), rowBytes, pixels.Row(y));
  return pixels;
}

} // namespace

std::vector<std::string> PhotoSuffixes() {
  std::set<std::string> suffixes;
  for (const QByteArray& format : QImageReader::supportedImageFormats())
    suffixes.insert("." + format.toLower().toStdString());
  return {suffixes.begin(), suffixes.end()};
}

std::string PhotoFormatNote(const std::string& suffix) {
  // Formats that qt6-image-formats-plugins adds to a Debian installation.
  static const std::set<std::string> added{".webp", ".tif", ".tiff", ".tga", ".icns", ".wbmp"};
  return added.count(suffix) > 0 ? "(the package qt6-image-formats-plugins adds it)" : "";
}

TPixels ReadPhotoUpright(const fs::path& file, TPhotoSize bound, std::string& error) {
  QImageReader::setAllocationLimit(kReaderAllocationLimitMb);
  QImageReader reader(QFile::decodeName(file.c_str()));
  reader.setAutoTransform(true);
  // Scaling while decoding saves most of the work for a large photo. The reader scales the
  // picture as stored, before it is turned upright.
  const QSize stored = reader.size();
  if (stored.isValid()) {
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize upright = turned ? stored.transposed() : stored;
    const QSize fitted = SizeOf(FittedSize(PhotoSizeOf(upright), bound));
    if (fitted != upright)
      reader.setScaledSize(turned ? fitted.transposed() : fitted);
  }
  const QImage image = reader.read();
  if (image.isNull()) {
    error = "cannot be read: " + reader.errorString().toStdString();
    return TPixels();
  }
  return OverBlack(image);
}

} // namespace platform

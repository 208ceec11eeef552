#include "support/pictures.h"

#include <cstdlib>
#include <fstream>

#include <QPainter>

#include "platform/system.h"

const std::vector<QColor>& BlockColours() {
  static const std::vector<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::white, Qt::black};
  return colours;
}

namespace {
int BlockWidth(int width) {
  return width / int(BlockColours().size());
}
} // namespace

QImage ColourBlocks(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  const int block = BlockWidth(width);
  const int count = int(BlockColours().size());
  for (int i = 0; i < count; ++i) {
    const int right = i == count - 1 ? width : (i + 1) * block;
    painter.fillRect(QRect(i * block, 0, right - i * block, height), BlockColours()[i]);
  }
  return image;
}

QPoint BlockCentre(int i, int width, int height) {
  return QPoint(i * BlockWidth(width) + BlockWidth(width) / 2, height / 2);
}

std::vector<std::uint8_t> JpegOf(const QImage& image, bool progressive) {
  jpeg::EncodeSettings settings;
  settings.quality = 95;
  settings.progressive = progressive;
  return jpeg::Encode(image, settings);
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

ScreenBitsOverride::ScreenBitsOverride(int bits) {
  platform_test::SetScreenBitsPerPixel(bits);
}

ScreenBitsOverride::~ScreenBitsOverride() {
  platform_test::SetScreenBitsPerPixel(std::nullopt);
}

bool Near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

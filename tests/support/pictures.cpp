#include "support/pictures.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/system.h"
#include "platform/testing.h"

const std::vector<TColor>& BlockColours() {
  static const std::vector<TColor> colours = {clRed, RGB(0, 255, 0), RGB(0, 0, 255), clWhite,
                                              clBlack};
  return colours;
}

namespace {
int BlockWidth(int width) {
  return width / int(BlockColours().size());
}
} // namespace

TPixels ColourBlocks(int width, int height) {
  TPixels pixels(width, height, TPixelFormat::pf24bit);
  const int block = BlockWidth(width);
  const int count = int(BlockColours().size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int i = block > 0 ? std::min(x / block, count - 1) : count - 1;
      pixels.SetPixel(x, y, BlockColours()[std::size_t(i)]);
    }
  return pixels;
}

TPoint BlockCentre(int i, int width, int height) {
  return TPoint{i * BlockWidth(width) + BlockWidth(width) / 2, height / 2};
}

std::vector<std::uint8_t> JpegOf(const TPixels& pixels, bool progressive) {
  jpeg::EncodeSettings settings;
  settings.quality = 95;
  settings.progressive = progressive;
  return jpeg::Encode(pixels, settings);
}

std::vector<std::uint8_t> JpegWithAFatalEnd(const TPixels& pixels) {
  std::vector<std::uint8_t> bytes = JpegOf(pixels);
  bytes.resize(bytes.size() - 2); // the end-of-image marker
  const std::vector<std::uint8_t> frame = {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00,
                                           0x10, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};
  bytes.insert(bytes.end(), frame.begin(), frame.end());
  return bytes;
}

SYSTEMTIME ClockAt(int step) {
  const long ms = long(step) * 1037;
  SYSTEMTIME time{};
  time.wHour = int(ms / 3600000 % 24);
  time.wMinute = int(ms / 60000 % 60);
  time.wSecond = int(ms / 1000 % 60);
  time.wMilliseconds = int(ms % 1000);
  return time;
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

bool Near(TColor a, TColor b, int tolerance) {
  return std::abs(RedOf(a) - RedOf(b)) <= tolerance &&
         std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
         std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

#include "platform/pixels.h"

#include <algorithm>
#include <cstring>

TPixels::TPixels(int width, int height, TPixelFormat format) : format_(format) {
  if (width <= 0 || height <= 0)
    return;
  width_ = width;
  height_ = height;
  stride_ = (std::size_t(width) * std::size_t(BytesPerPixel(format)) + 3) & ~std::size_t(3);
  data_ = std::make_unique_for_overwrite<std::uint8_t[]>(stride_ * std::size_t(height));
}

int TPixels::BytesPerPixel(TPixelFormat format) {
  switch (format) {
  case TPixelFormat::pf8bit:
    return 1;
  case TPixelFormat::pf24bit:
    return 3;
  case TPixelFormat::pf32bit:
    return 4;
  }
  return 4;
}

TColor TPixels::Pixel(int x, int y) const {
  const std::uint8_t* p = Row(y) + std::size_t(x) * std::size_t(BytesPerPixel(format_));
  if (format_ == TPixelFormat::pf8bit)
    return *p < Palette.size() ? Palette[*p] : clBlack;
  return RGB(p[2], p[1], p[0]);
}

void TPixels::SetPixel(int x, int y, TColor colour) {
  std::uint8_t* p = Row(y) + std::size_t(x) * std::size_t(BytesPerPixel(format_));
  p[0] = std::uint8_t(BlueOf(colour));
  p[1] = std::uint8_t(GreenOf(colour));
  p[2] = std::uint8_t(RedOf(colour));
  if (format_ == TPixelFormat::pf32bit)
    p[3] = 0xFF;
}

void TPixels::Fill(TColor colour) {
  for (int x = 0; x < width_; ++x)
    SetPixel(x, 0, colour);
  const std::size_t used = std::size_t(width_) * std::size_t(BytesPerPixel(format_));
  for (int y = 1; y < height_; ++y)
    std::memcpy(Row(y), Row(0), used);
}

TPixels TPixels::Copy() const {
  TPixels copy(width_, height_, format_);
  if (!Empty())
    std::memcpy(copy.Bits(), Bits(), ByteCount());
  copy.Palette = Palette;
  return copy;
}

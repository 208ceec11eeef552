// A block of pixels in memory, laid out as the desktop's device-independent bitmaps are (rows top
// down, each padded to four bytes), so every backend can hand it to the screen without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/types.h"

enum class TPixelFormat {
  pf8bit,  // one palette index a pixel
  pf24bit, // blue, green, red
  pf32bit, // blue, green, red, unused
};

// Gives a block's memory back the way it was taken.
struct TPixelsRelease {
  std::size_t mapped = 0; // bytes mapped for the block on its own; 0: from the heap
  void* base = nullptr;   // where that mapping begins
  void operator()(std::uint8_t* bits) const;
};

class TPixels {
public:
  TPixels() = default;
  // Uninitialised pixels; an empty block when either side is 0.
  TPixels(int width, int height, TPixelFormat format);
  // A block moved from is empty.
  TPixels(TPixels&& other) noexcept;
  TPixels& operator=(TPixels&& other) noexcept;

  int Width() const { return width_; }
  int Height() const { return height_; }
  TPixelFormat Format() const { return format_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  // Bytes from one row to the next.
  std::size_t Stride() const { return stride_; }
  std::uint8_t* Row(int y) { return data_.get() + std::size_t(y) * stride_; }
  const std::uint8_t* Row(int y) const { return data_.get() + std::size_t(y) * stride_; }
  std::uint8_t* Bits() { return data_.get(); }
  const std::uint8_t* Bits() const { return data_.get(); }
  std::size_t ByteCount() const { return stride_ * std::size_t(height_); }

  // The colours of an 8-bit block.
  std::vector<TColor> Palette;

  // The colour at x, y, whatever the format.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor colour); // 24- and 32-bit blocks only
  void Fill(TColor colour);                   // 24- and 32-bit blocks only
  TPixels Copy() const;

  static int BytesPerPixel(TPixelFormat format);

private:
  using Release = TPixelsRelease;

  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  std::size_t stride_ = 0;
  std::unique_ptr<std::uint8_t[], Release> data_;
};

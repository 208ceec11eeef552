#include "platform/pixels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
// A picture's pixels are written once, right after they are taken, and freed a few seconds later.
// Fresh memory in pages of 4 KiB costs more to touch than decoding into it (one fault a page), so
// blocks of this size and more are mapped on their own in huge pages where the system allows it;
// freed, they go straight back to the system.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kMapFrom = kHugePage / 2;

// Huge-page-aligned memory for count bytes; null when the system has none to map.
std::uint8_t* MapHuge(std::size_t count, std::size_t& mapped, void*& base) {
  const std::size_t length = (count + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
  void* memory =
      ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED)
    return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(memory);
  auto* aligned = reinterpret_cast<std::uint8_t*>((start + kHugePage - 1) & ~(kHugePage - 1));
  // Only a hint: without huge pages the block is ordinary memory.
  ::madvise(aligned, length - std::size_t(aligned - static_cast<std::uint8_t*>(memory)),
            MADV_HUGEPAGE);
  mapped = length;
  base = memory;
  return aligned;
}
#endif

} // namespace

void TPixelsRelease::operator()(std::uint8_t* bits) const {
#if defined(__linux__)
  if (mapped != 0) {
    ::munmap(base, mapped);
    return;
  }
#endif
  delete[] bits;
}

TPixels::TPixels(int width, int height, TPixelFormat format) : format_(format) {
  if (width <= 0 || height <= 0)
    return;
  width_ = width;
  height_ = height;
  stride_ = (std::size_t(width) * std::size_t(BytesPerPixel(format)) + 3) & ~std::size_t(3);
  const std::size_t count = stride_ * std::size_t(height);
#if defined(__linux__)
  if (count >= kMapFrom) {
    Release release;
    if (std::uint8_t* bits = MapHuge(count, release.mapped, release.base)) {
      data_ = std::unique_ptr<std::uint8_t[], Release>(bits, release);
      return;
    }
  }
#endif
  data_ = std::unique_ptr<std::uint8_t[], Release>(new std::uint8_t[count], Release{});
}

TPixels::TPixels(TPixels&& other) noexcept {
  *this = std::move(other);
}

TPixels& TPixels::operator=(TPixels&& other) noexcept {
  if (this == &other)
    return *this;
  Palette = std::move(other.Palette);
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  format_ = other.format_;
  stride_ = std::exchange(other.stride_, 0);
  data_ = std::move(other.data_);
  other.Palette.clear();
  return *this;
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
  if (format_ == TPixelFormat::pf8bit)
    return;
  std::uint8_t* p = Row(y) + std::size_t(x) * std::size_t(BytesPerPixel(format_));
  p[0] = std::uint8_t(BlueOf(colour));
  p[1] = std::uint8_t(GreenOf(colour));
  p[2] = std::uint8_t(RedOf(colour));
  if (format_ == TPixelFormat::pf32bit)
    p[3] = 0xFF;
}

void TPixels::Fill(TColor colour) {
  if (Empty() || format_ == TPixelFormat::pf8bit)
    return;
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

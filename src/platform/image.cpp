#include "platform/image.h"

#include "platform/application.h"
#include "platform/scale.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The source coordinate whose pixel covers the centre of target coordinate t.
inline int SourceOf(int t, int sourceSize, int targetSize) {
  return int(((2 * std::int64_t(t) + 1) * sourceSize) / (2 * std::int64_t(targetSize)));
}

std::vector<int> SourceColumns(int sourceWidth, int targetWidth) {
  std::vector<int> columns(static_cast<std::size_t>(targetWidth));
  for (int x = 0; x < targetWidth; ++x)
    columns[std::size_t(x)] = SourceOf(x, sourceWidth, targetWidth);
  return columns;
}

// A row at its own width: four pixels from three little-endian words at a time.
int ConvertRowBGR(const std::uint8_t* source, int width, std::uint32_t* target) {
  int x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; x + 4 <= width; x += 4) {
      std::uint32_t w[3];
      std::memcpy(w, source + 3 * x, sizeof w);
      target[x] = w[0] | 0xFF000000u;
      target[x + 1] = (w[0] >> 24) | (w[1] << 8) | 0xFF000000u;
      target[x + 2] = (w[1] >> 16) | (w[2] << 16) | 0xFF000000u;
      target[x + 3] = (w[2] >> 8) | 0xFF000000u;
    }
  }
  return x;
}

void StretchRowBGR(const std::uint8_t* source, int sourceWidth, const std::vector<int>& columns,
                   std::uint32_t* target) {
  const int count = int(columns.size());
  int x = count == sourceWidth ? ConvertRowBGR(source, sourceWidth, target) : 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Reading four bytes picks up the next pixel's blue as the top byte, which the alpha then
    // covers; the last source pixel has no next one in its row, so it goes the long way.
    for (; x < count && columns[std::size_t(x)] < sourceWidth - 1; ++x) {
      std::uint32_t pixel;
      std::memcpy(&pixel, source + 3 * columns[std::size_t(x)], sizeof pixel);
      target[x] = pixel | 0xFF000000u;
    }
  }
  for (; x < count; ++x) {
    const std::uint8_t* p = source + 3 * columns[std::size_t(x)];
    target[x] = 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
  }
}

void StretchRowIndexed(const std::uint8_t* source, const std::uint32_t* palette,
                       const std::vector<int>& columns, std::uint32_t* target) {
  const int count = int(columns.size());
  for (int x = 0; x < count; ++x)
    target[x] = palette[source[columns[std::size_t(x)]]];
}

void StretchRowRGB32(const std::uint8_t* source, const std::vector<int>& columns,
                     std::uint32_t* target) {
  const auto* pixels = reinterpret_cast<const std::uint32_t*>(source);
  const int count = int(columns.size());
  for (int x = 0; x < count; ++x)
    target[x] = pixels[columns[std::size_t(x)]] | 0xFF000000u;
}

// The palette as 32-bit pixels, 256 entries whatever the block has (the rest black).
std::vector<std::uint32_t> Palette(const TPixels& source) {
  std::vector<std::uint32_t> palette(256, 0xFF000000u);
  for (std::size_t i = 0; i < source.Palette.size() && i < 256; ++i) {
    const TColor c = source.Palette[i];
    palette[i] = 0xFF000000u | std::uint32_t(RedOf(c)) << 16 | std::uint32_t(GreenOf(c)) << 8 |
                 std::uint32_t(BlueOf(c));
  }
  return palette;
}

} // namespace

int StretchRows(const TPixels& source, int sourceRows, TPixels& target, int firstRow, int endRow) {
  const int sw = source.Width(), sh = source.Height();
  const int tw = target.Width(), th = target.Height();
  if (source.Empty() || target.Empty())
    return endRow;
  const std::vector<int> columns = SourceColumns(sw, tw);
  const std::vector<std::uint32_t> palette =
      source.Format() == TPixelFormat::pf8bit ? Palette(source) : std::vector<std::uint32_t>();
  const std::size_t rowBytes = std::size_t(tw) * 4;
  int y = firstRow;
  for (; y < endRow; ++y) {
    const int sy = SourceOf(y, sh, th);
    if (sy >= sourceRows)
      break;
    auto* row = reinterpret_cast<std::uint32_t*>(target.Row(y));
    if (y > 0 && SourceOf(y - 1, sh, th) == sy) {
      std::memcpy(row, target.Row(y - 1), rowBytes);
      continue;
    }
    const std::uint8_t* line = source.Row(sy);
    switch (source.Format()) {
    case TPixelFormat::pf24bit:
      StretchRowBGR(line, sw, columns, row);
      break;
    case TPixelFormat::pf8bit:
      StretchRowIndexed(line, palette.data(), columns, row);
      break;
    case TPixelFormat::pf32bit:
      StretchRowRGB32(line, columns, row);
      break;
    }
  }
  return y;
}

void ScaleSmoothly(const TPixels& source, TPixels& target) {
  if (source.Empty() || target.Empty())
    return;
  // Every format read once into 32-bit pixels at the source's own size.
  TPixels own(source.Width(), source.Height(), TPixelFormat::pf32bit);
  StretchRows(source, source.Height(), own, 0, own.Height());
  const int sw = own.Width(), sh = own.Height(), tw = target.Width(), th = target.Height();
  // Where a target pixel's centre falls in the source, in 1/256ths of a source pixel, and the
  // two source pixels either side of it.
  struct Tap {
    int low, high, weight;
  };
  const auto taps = [](int sourceSize, int targetSize) {
    std::vector<Tap> result(static_cast<std::size_t>(targetSize));
    for (int t = 0; t < targetSize; ++t) {
      const std::int64_t centre =
          ((2 * std::int64_t(t) + 1) * sourceSize * 256) / (2 * std::int64_t(targetSize)) - 128;
      const std::int64_t clamped = std::clamp<std::int64_t>(centre, 0, (sourceSize - 1) * 256);
      const int low = int(clamped / 256);
      result[std::size_t(t)] = {low, std::min(low + 1, sourceSize - 1), int(clamped % 256)};
    }
    return result;
  };
  const std::vector<Tap> columns = taps(sw, tw), rows = taps(sh, th);
  const auto mix = [](std::uint32_t a, std::uint32_t b, int weight) {
    std::uint32_t mixed = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const int ca = int(a >> shift & 0xFF), cb = int(b >> shift & 0xFF);
      mixed |= std::uint32_t((ca * (256 - weight) + cb * weight + 128) >> 8) << shift;
    }
    return mixed;
  };
  for (int y = 0; y < th; ++y) {
    const Tap& row = rows[std::size_t(y)];
    const auto* upper = reinterpret_cast<const std::uint32_t*>(own.Row(row.low));
    const auto* lower = reinterpret_cast<const std::uint32_t*>(own.Row(row.high));
    auto* out = reinterpret_cast<std::uint32_t*>(target.Row(y));
    for (int x = 0; x < tw; ++x) {
      const Tap& column = columns[std::size_t(x)];
      out[x] = mix(mix(upper[column.low], upper[column.high], column.weight),
                   mix(lower[column.low], lower[column.high], column.weight), row.weight);
    }
  }
}

TRect Intersection(const TRect& a, const TRect& b) {
  const int left = std::max(a.Left, b.Left), top = std::max(a.Top, b.Top);
  const int right = std::min(a.Right(), b.Right()), bottom = std::min(a.Bottom(), b.Bottom());
  if (right <= left || bottom <= top)
    return TRect{};
  return TRect{left, top, right - left, bottom - top};
}

namespace {

TRect Translated(TRect rect, int dx, int dy) {
  rect.Left += dx;
  rect.Top += dy;
  return rect;
}

} // namespace

void TImage::ConnectPicture() {
  picture_.OnChange = [this] { PictureChanged(); };
  picture_.OnProgress = [this](ProgressStage stage, const TRect& rect) { Progress(stage, rect); };
}

TImage::~TImage() {
  picture_.OnChange = nullptr;
  picture_.OnProgress = nullptr;
}

void TImage::SetStretch(bool stretch) {
  if (stretch == stretch_)
    return;
  stretch_ = stretch;
  InvalidateRendering();
  Repaint();
}

void TImage::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_)
    PictureChanged();
}

void TImage::SetCenter(bool center) {
  if (center == center_)
    return;
  center_ = center;
  InvalidateRendering();
  Repaint();
}

TRect TImage::DestRect() const {
  const TRect bounds = BoundsRect();
  if (stretch_)
    return TRect{0, 0, bounds.Width, bounds.Height};
  const int w = picture_.Width(), h = picture_.Height();
  if (center_)
    return TRect{(bounds.Width - w) / 2, (bounds.Height - h) / 2, w, h};
  return TRect{0, 0, w, h};
}

TRect TImage::DeviceDestRect() const {
  return ScaleOf(*this).Rect(DestRect());
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0)
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  InvalidateRendering();
  decodeFailed_ = false;
  Repaint();
}

bool TImage::Drawable() const {
  const TGraphic* graphic = picture_.Graphic();
  return graphic && !graphic->Empty() && !decodeFailed_;
}

void TImage::InvalidateRendering() {
  renderingValid_ = false;
  renderedRows_ = 0;
}

bool TImage::RenderingComplete() const {
  return renderingValid_ && renderedDest_ == DeviceDestRect() &&
         renderedRows_ >= rendering_.Height();
}

void TImage::Render(const TPixels& source, int sourceRows) {
  const TRect dest = DeviceDestRect();
  if (!renderingValid_ || dest != renderedDest_) {
    // A block of another size goes first, so the old and the new never take memory together.
    if (rendering_.Width() != dest.Width || rendering_.Height() != dest.Height) {
      rendering_ = TPixels();
      rendering_ = TPixels(dest.Width, dest.Height, TPixelFormat::pf32bit);
    }
    renderedDest_ = dest;
    renderedRows_ = 0;
    renderingValid_ = true;
  }
  if (ScaleOf(*this).Identity()) {
    renderedRows_ = StretchRows(source, sourceRows, rendering_, renderedRows_, rendering_.Height());
  } else if (sourceRows >= source.Height()) {
    // A window drawn larger than its own pixels shows its pictures smoothly, once they are whole.
    ScaleSmoothly(source, rendering_);
    renderedRows_ = rendering_.Height();
  }
}

namespace {

// Once the screen is still: what the heap holds free of the decoder's and the paint's work goes
// back to the system, which glibc does not do unless asked.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

} // namespace

void TImage::ReleaseSource() {
  // A picture's pixels map memory of their own, which goes back to the system as it is freed.
  if (TGraphic* graphic = picture_.Graphic())
    graphic->ReleaseBitmap();
}

void TImage::ReleaseRendering() {
  if (rendering_.Empty())
    return;
  rendering_ = TPixels();
  InvalidateRendering();
  ReturnFreedMemory();
}

void TImage::Progress(ProgressStage stage, const TRect& decodedSoFar) {
  if (!incrementalDisplay_ || !decodingDraw_ || stage != ProgressStage::psRunning)
    return;
  const TPixels* partial = picture_.Graphic() ? picture_.Graphic()->Bitmap() : nullptr;
  if (!partial || DeviceDestRect().Empty())
    return;
  const int before = renderingValid_ ? renderedRows_ : 0;
  Render(*partial, decodedSoFar.Bottom());
  const TRect band = Translated(TRect{0, before, renderedDest_.Width, renderedRows_ - before},
                                renderedDest_.Left, renderedDest_.Top);
  const TRect drawn = Intersection(band, decodingArea_);
  if (!drawn.Empty())
    (*decodingDraw_)(drawn, rendering_,
                     TPoint{drawn.Left - renderedDest_.Left, drawn.Top - renderedDest_.Top});
}

void TImage::Paint(const TRect& area, const DrawPiece& draw) {
  try {
    PaintArea(area, draw);
  } catch (...) {
    decodingDraw_ = nullptr;
    // The error box tells what failed once this paint is over: no box opens inside the desktop's
    // painting.
    PostToMainThread([failure = std::current_exception()] { std::rethrow_exception(failure); });
  }
}

void TImage::PaintArea(const TRect& area, const DrawPiece& draw) {
  TGraphic* graphic = picture_.Graphic();
  if (!graphic)
    return;
  const TRect dest = DeviceDestRect();
  std::exception_ptr failure;
  if (!RenderingComplete()) {
    decodingDraw_ = &draw;
    decodingArea_ = Intersection(area, dest);
    try {
      graphic->Bitmap();
    } catch (...) {
      failure = std::current_exception();
      decodeFailed_ = true;
    }
    decodingDraw_ = nullptr;
    if (const TPixels* bitmap = graphic->Bitmap(); bitmap && !dest.Empty())
      Render(*bitmap, bitmap->Height());
    if (RenderingComplete())
      ReleaseSource();
  }
  const TRect drawn = Intersection(area, dest);
  if (renderingValid_ && renderedDest_ == dest && !drawn.Empty())
    draw(drawn, rendering_, TPoint{drawn.Left - dest.Left, drawn.Top - dest.Top});
  if (failure) {
    // The ground shows where the picture could not be drawn.
    Repaint();
    std::rethrow_exception(failure);
  }
}

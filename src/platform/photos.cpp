#include "platform/photos.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace platform {
namespace {

constexpr int kOrientationTag = 0x0112;
constexpr int kShortType = 3;

// Reads the TIFF numbers of an EXIF block in the byte order its header names.
class TiffReader {
public:
  TiffReader(std::span<const std::uint8_t> tiff, bool bigEndian) : tiff_(tiff), big_(bigEndian) {}

  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= tiff_.size() && size <= tiff_.size() - offset;
  }
  unsigned U16(std::size_t at) const {
    return big_ ? unsigned(tiff_[at]) << 8 | tiff_[at + 1]
                : unsigned(tiff_[at + 1]) << 8 | tiff_[at];
  }
  std::uint32_t U32(std::size_t at) const {
    return big_ ? std::uint32_t(U16(at)) << 16 | U16(at + 2)
                : std::uint32_t(U16(at + 2)) << 16 | U16(at);
  }

private:
  std::span<const std::uint8_t> tiff_;
  bool big_;
};

// The orientation entry of the first IFD of a TIFF block; 1 without one.
int OrientationInTiff(std::span<const std::uint8_t> tiff) {
  if (tiff.size() < 8)
    return 1;
  const bool big = tiff[0] == 'M' && tiff[1] == 'M';
  if (!big && !(tiff[0] == 'I' && tiff[1] == 'I'))
    return 1;
  const TiffReader reader(tiff, big);
  if (reader.U16(2) != 42)
    return 1;
  const std::size_t ifd = reader.U32(4);
  if (!reader.Has(ifd, 2))
    return 1;
  const unsigned entries = reader.U16(ifd);
  for (unsigned i = 0; i < entries; ++i) {
    const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
    if (!reader.Has(entry, 12))
      return 1;
    if (reader.U16(entry) != kOrientationTag || reader.U16(entry + 2) != kShortType)
      continue;
    const unsigned value = reader.U16(entry + 8);
    return value >= 1 && value <= 8 ? int(value) : 1;
  }
  return 1;
}

// Where pixel (x, y) of the upright picture lies in the stored one, for each orientation.
struct Source {
  int x, y;
};
Source StoredPixel(int orientation, int x, int y, int width, int height) {
  // width and height are the stored block's.
  switch (orientation) {
  case 2:
    return {width - 1 - x, y};
  case 3:
    return {width - 1 - x, height - 1 - y};
  case 4:
    return {x, height - 1 - y};
  case 5:
    return {y, x};
  case 6:
    return {y, height - 1 - x};
  case 7:
    return {width - 1 - y, height - 1 - x};
  case 8:
    return {width - 1 - y, x};
  default:
    return {x, y};
  }
}

} // namespace

int JpegExifOrientation(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
    return 1;
  std::size_t at = 2;
  // Segments up to the first scan; the EXIF block is an early APP1.
  while (at + 4 <= bytes.size()) {
    if (bytes[at] != 0xFF)
      return 1;
    const std::uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) { // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9)
      return 1;
    const std::size_t length = std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
    if (length < 2 || at + 2 + length > bytes.size())
      return 1;
    const std::span<const std::uint8_t> payload = bytes.subspan(at + 4, length - 2);
    static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (marker == 0xE1 && payload.size() > sizeof kExif &&
        std::equal(std::begin(kExif), std::end(kExif), payload.begin()))
      return OrientationInTiff(payload.subspan(sizeof kExif));
    at += 2 + length;
  }
  return 1;
}

TPixels TurnUpright(const TPixels& stored, int orientation) {
  if (stored.Format() != TPixelFormat::pf24bit)
    throw std::invalid_argument("TurnUpright takes a 24-bit block");
  if (orientation < 2 || orientation > 8 || stored.Empty())
    return stored.Copy();
  const bool turned = orientation >= 5;
  const int width = turned ? stored.Height() : stored.Width();
  const int height = turned ? stored.Width() : stored.Height();
  TPixels upright(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = upright.Row(y);
    for (int x = 0; x < width; ++x) {
      const Source from = StoredPixel(orientation, x, y, stored.Width(), stored.Height());
      const std::uint8_t* pixel = stored.Row(from.y) + std::size_t(from.x) * 3;
      std::copy(pixel, pixel + 3, row + std::size_t(x) * 3);
    }
  }
  return upright;
}

TPhotoSize FittedSize(TPhotoSize size, TPhotoSize bound) {
  bound = {std::max(bound.width, 1), std::max(bound.height, 1)};
  size = {std::max(size.width, 1), std::max(size.height, 1)};
  if (size.width <= bound.width && size.height <= bound.height)
    return size;
  // The side that meets its bound first sets the scale; the other is rounded.
  const long long wide = static_cast<long long>(size.width) * bound.height;
  const long long high = static_cast<long long>(size.height) * bound.width;
  TPhotoSize fitted = bound;
  if (wide >= high)
    fitted.height = int((static_cast<long long>(size.height) * bound.width * 2 + size.width) /
                        (2LL * size.width));
  else
    fitted.width = int((static_cast<long long>(size.width) * bound.height * 2 + size.height) /
                       (2LL * size.height));
  return {std::max(fitted.width, 1), std::max(fitted.height, 1)};
}

namespace {

constexpr int kWeightBits = 16;

// How much of each source pixel a destination pixel covers along one side, as a share of the
// destination pixel in 1/65536ths: the first source pixel and the weights, per destination pixel.
struct Span {
  int first = 0;
  std::vector<std::uint32_t> weights;
  std::uint64_t total = 0; // the weights' sum: rounding keeps it near, not at, 65536
};

std::vector<Span> Spans(int from, int to) {
  std::vector<Span> spans(static_cast<std::size_t>(to));
  // Positions in units of 1/(to) of a source pixel: destination pixel i covers
  // [i * from, (i + 1) * from) of them.
  for (int i = 0; i < to; ++i) {
    const long long begin = static_cast<long long>(i) * from;
    const long long end = begin + from;
    Span& span = spans[std::size_t(i)];
    span.first = int(begin / to);
    for (long long s = span.first; s * to < end; ++s) {
      const long long covered = std::min(end, (s + 1) * to) - std::max(begin, s * to);
      // Never 0, so that a side of any length has some weight.
      span.weights.push_back(
          std::max(std::uint32_t(((covered << kWeightBits) + from / 2) / from), std::uint32_t(1)));
      span.total += span.weights.back();
    }
  }
  return spans;
}

} // namespace

TPixels ScaleDownTo(const TPixels& pixels, TPhotoSize size) {
  if (pixels.Format() != TPixelFormat::pf24bit)
    throw std::invalid_argument("ScaleDownTo takes a 24-bit block");
  const int width = std::clamp(size.width, 1, std::max(pixels.Width(), 1));
  const int height = std::clamp(size.height, 1, std::max(pixels.Height(), 1));
  if (pixels.Empty() || (width == pixels.Width() && height == pixels.Height()))
    return pixels.Copy();
  const std::vector<Span> columns = Spans(pixels.Width(), width);
  const std::vector<Span> rows = Spans(pixels.Height(), height);
  TPixels scaled(width, height, TPixelFormat::pf24bit);
  // One output row at a time: the source rows it covers are summed column by column first.
  std::vector<std::uint32_t> sums(std::size_t(pixels.Width()) * 3);
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    const Span& rowSpan = rows[std::size_t(y)];
    for (std::size_t k = 0; k < rowSpan.weights.size(); ++k) {
      const std::uint8_t* source = pixels.Row(rowSpan.first + int(k));
      const std::uint32_t weight = rowSpan.weights[k];
      for (std::size_t i = 0; i < sums.size(); ++i)
        sums[i] += source[i] * weight;
    }
    std::uint8_t* out = scaled.Row(y);
    for (int x = 0; x < width; ++x) {
      const Span& columnSpan = columns[std::size_t(x)];
      std::uint64_t total[3] = {0, 0, 0};
      for (std::size_t k = 0; k < columnSpan.weights.size(); ++k) {
        const std::size_t at = std::size_t(columnSpan.first + int(k)) * 3;
        for (std::size_t c = 0; c < 3; ++c)
          total[c] += std::uint64_t(sums[at + c]) * columnSpan.weights[k];
      }
      const std::uint64_t whole = rowSpan.total * columnSpan.total;
      for (std::size_t c = 0; c < 3; ++c)
        out[std::size_t(x) * 3 + c] =
            std::uint8_t(std::min<std::uint64_t>((total[c] + whole / 2) / whole, 255));
    }
  }
  return scaled;
}

} // namespace platform

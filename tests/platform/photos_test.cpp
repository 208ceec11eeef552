// The steps every photo reader shares: the EXIF orientation of a JPEG, the turn that makes a
// photo upright, and the fit within a bound with an averaging filter.
#include <gtest/gtest.h>

#include "platform/photos.h"

using platform::TPhotoSize;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Appends a number of size bytes in the byte order given.
void Put(Bytes& bytes, unsigned value, int size, bool big = true) {
  for (int i = 0; i < size; ++i) {
    const int shift = 8 * (big ? size - 1 - i : i);
    bytes.push_back(std::uint8_t(value >> shift));
  }
}

void Append(Bytes& bytes, const Bytes& more) {
  for (const std::uint8_t byte : more)
    bytes.push_back(byte);
}

// A JPEG start, then the segments given, then the start of a scan.
Bytes JpegWith(std::initializer_list<Bytes> segments) {
  Bytes bytes{0xFF, 0xD8};
  for (const Bytes& segment : segments)
    Append(bytes, segment);
  Append(bytes, {0xFF, 0xDA, 0x00, 0x02});
  return bytes;
}

Bytes Segment(std::uint8_t marker, const Bytes& payload) {
  Bytes segment{0xFF, marker};
  Put(segment, unsigned(payload.size() + 2), 2);
  Append(segment, payload);
  return segment;
}

// An EXIF block with one IFD entry: tag, type and value as a big- or little-endian TIFF holds them.
Bytes Exif(bool big, unsigned tag, unsigned type, unsigned value, unsigned ifdOffset = 8) {
  Bytes payload{'E', 'x', 'i', 'f', 0, 0};
  Append(payload, big ? Bytes{'M', 'M'} : Bytes{'I', 'I'});
  Put(payload, 42, 2, big);
  Put(payload, ifdOffset, 4, big);
  Put(payload, 1, 2, big); // one entry
  Put(payload, tag, 2, big);
  Put(payload, type, 2, big);
  Put(payload, 1, 4, big); // one value
  Put(payload, value, 2, big);
  Put(payload, 0, 2, big); // the value's padding
  Put(payload, 0, 4, big); // no next IFD
  return Segment(0xE1, payload);
}

TPixels Grid(int width, int height) {
  TPixels pixels(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.SetPixel(x, y, RGB(10 * (y * width + x + 1), 0, 0));
  return pixels;
}

// The grid's cells by letter: 'a' is the first stored pixel, row by row.
std::string Letters(const TPixels& pixels) {
  std::string text;
  for (int y = 0; y < pixels.Height(); ++y) {
    for (int x = 0; x < pixels.Width(); ++x)
      text += char('a' + (pixels.Pixel(x, y) & 0xFF) / 10 - 1);
    text += y + 1 < pixels.Height() ? "/" : "";
  }
  return text;
}

} // namespace

TEST(Photos, TheJpegExifOrientationIsReadWhereverTheBlockIsAndOnlyWhenWellFormed) {
  const Bytes jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  const struct {
    const char* what;
    Bytes bytes;
    int orientation;
  } cases[] = {
      {"no EXIF block", JpegWith({jfif}), 1},
      {"big-endian, after JFIF", JpegWith({jfif, Exif(true, 0x0112, 3, 6)}), 6},
      {"little-endian, first", JpegWith({Exif(false, 0x0112, 3, 8)}), 8},
      {"after a comment and fill bytes",
       JpegWith({Segment(0xFE, {'h', 'i'}), {0xFF}, Exif(true, 0x0112, 3, 3)}), 3},
      {"a value out of range", JpegWith({Exif(true, 0x0112, 3, 9)}), 1},
      {"another tag", JpegWith({Exif(true, 0x0110, 3, 6)}), 1},
      {"the tag with a long type", JpegWith({Exif(true, 0x0112, 4, 6)}), 1},
      {"an IFD beyond the block", JpegWith({Exif(true, 0x0112, 3, 6, 200)}), 1},
      {"a segment longer than the file", Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 'E', 'x'}, 1},
      {"not a JPEG", Bytes{'G', 'I', 'F', '8', '9', 'a'}, 1},
      {"nothing", Bytes{}, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::JpegExifOrientation(c.bytes), c.orientation) << c.what;
}

TEST(Photos, EachOrientationIsTurnedAndMirroredUpright) {
  // Stored 3 x 2:  a b c / d e f
  const std::pair<int, const char*> cases[] = {
      {1, "abc/def"},  {2, "cba/fed"},  {3, "fed/cba"},  {4, "def/abc"}, {5, "ad/be/cf"},
      {6, "da/eb/fc"}, {7, "fc/eb/da"}, {8, "cf/be/ad"}, {0, "abc/def"}, {9, "abc/def"},
  };
  const TPixels stored = Grid(3, 2);
  for (const auto& [orientation, upright] : cases)
    EXPECT_EQ(Letters(platform::TurnUpright(stored, orientation)), upright) << orientation;
}

TEST(Photos, FittingKeepsTheProportionsAndNeverEnlarges) {
  const struct {
    TPhotoSize size, bound, fitted;
  } cases[] = {
      {{4000, 3000}, {1024, 768}, {1024, 768}},
      {{3000, 4000}, {1024, 768}, {576, 768}},
      {{4000, 1000}, {1024, 768}, {1024, 256}},
      {{100, 80}, {1024, 768}, {100, 80}},
      {{1200, 1600}, {2560, 2560}, {1200, 1600}},
      {{1, 10000}, {16, 16}, {1, 16}},
      {{10000, 1}, {16, 16}, {16, 1}},
      {{4001, 3001}, {1000, 1000}, {1000, 750}},
  };
  for (const auto& c : cases) {
    const TPhotoSize fitted = platform::FittedSize(c.size, c.bound);
    EXPECT_EQ(fitted, c.fitted) << c.size.width << "x" << c.size.height;
  }
}

TEST(Photos, ScalingDownAveragesWhatEachPixelCoversAtAnyRatio) {
  // Alternate black and white columns average to grey at a half, a quarter, and an odd ratio.
  TPixels stripes(600, 4, TPixelFormat::pf24bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 600; ++x)
      stripes.SetPixel(x, y, x % 2 ? clWhite : clBlack);
  for (const int width : {300, 150, 7}) {
    const TPixels scaled = platform::ScaleDownTo(stripes, {width, 2});
    ASSERT_EQ(scaled.Width(), width);
    ASSERT_EQ(scaled.Height(), 2);
    for (int x = 0; x < width; ++x)
      EXPECT_NEAR(int(scaled.Pixel(x, 1) & 0xFF), 128, 2) << width << " at " << x;
  }
  // One pixel from very many keeps an even colour exactly, with no rounding drift.
  TPixels even(4000, 3000, TPixelFormat::pf24bit);
  even.Fill(RGB(200, 100, 37));
  EXPECT_EQ(platform::ScaleDownTo(even, {1, 1}).Pixel(0, 0), RGB(200, 100, 37));
  EXPECT_EQ(platform::ScaleDownTo(even, {13, 9}).Pixel(12, 8), RGB(200, 100, 37));
  // A size that is not smaller is a copy.
  EXPECT_EQ(platform::ScaleDownTo(even, {4000, 3000}).Pixel(5, 5), RGB(200, 100, 37));
}

#include "platform/graphics.h"

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <set>

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/pictures.h"
#include "support/temp_root.h"
#include "usave1_placeholder.h"

namespace {

namespace fs = std::filesystem;

class PictureFiles : public ::testing::Test {
protected:
  // A Windows path on drive C: and the host file behind it.
  std::string Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    WriteBytes(root.DriveC() / "pics" / name, bytes);
    return "C:\\pics\\" + name;
  }
  fs::path Host(const std::string& name) { return root.DriveC() / "pics" / name; }

  TempRoot root;
};

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

template <class Error, class Body> std::string ErrorText(Body body) {
  try {
    body();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no error)";
}

} // namespace

TEST(BitmapGraphic, CloneSharesThePixels) {
  TBitmap original(ColourBlocks(10, 4));
  const auto copy = original.Clone();
  ASSERT_NE(dynamic_cast<TBitmap*>(copy.get()), nullptr);
  EXPECT_EQ(copy->Bitmap()->Bits(), original.Pixels().Bits());
  EXPECT_FALSE(original.ReleaseBitmap());
}

TEST(PictureExtension, TakesTheTextAfterTheLastDotUnlessAPathPartFollows) {
  EXPECT_EQ(PictureFileExtension("C:\\a\\b.JPG"), "JPG");
  EXPECT_EQ(PictureFileExtension("C:\\a.b\\c.d.jpeg"), "jpeg");
  EXPECT_EQ(PictureFileExtension("C:\\a.b\\c"), "");
  EXPECT_EQ(PictureFileExtension("a.b:c"), "");
  EXPECT_EQ(PictureFileExtension("noext"), "");
  EXPECT_EQ(PictureFileExtension("C:\\a\\b."), "");
}

TEST_F(PictureFiles, LoadsByExtensionWithoutRegardToCase) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadFromFile(Put("one.JpEg", JpegOf(ColourBlocks(30, 20))));
  EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 30);
  EXPECT_EQ(picture.Height(), 20);
  EXPECT_EQ(changes, 1);

  picture.LoadFromFile(Put("place.BMP", PlaceholderBitmapFile()));
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Pixels().Format(), TPixelFormat::pf24bit);
  EXPECT_EQ(picture.Width(), 72);
  EXPECT_EQ(picture.Height(), 65);
  EXPECT_EQ(changes, 2);
}

TEST_F(PictureFiles, ErrorsCarryTheirTextsAndKeepThePreviousGraphic) {
  TPicture picture;
  picture.LoadFromFile(Put("good.jpg", JpegOf(ColourBlocks(30, 20))));
  TGraphic* before = picture.Graphic();
  int changes = 0;
  picture.OnChange = [&] { ++changes; };

  EXPECT_EQ(ErrorText<EInvalidGraphic>([&] { picture.LoadFromFile(Put("x.gif", Bytes("GIF"))); }),
            "Unknown picture file extension (.gif)");
  EXPECT_EQ(ErrorText<EInvalidGraphic>([&] { picture.LoadFromFile("C:\\pics\\none"); }),
            "Unknown picture file extension (.)");
  EXPECT_EQ(ErrorText<EFOpenError>([&] { picture.LoadFromFile("C:\\pics\\missing.jpg"); }),
            "Cannot open file C:\\pics\\missing.jpg");
  EXPECT_NE(ErrorText<EJPEG>([&] {
              picture.LoadFromFile(Put("text.jpg", Bytes("hello\n")));
            }).find("JPEG error #"),
            std::string::npos);
  EXPECT_EQ(ErrorText<EInvalidGraphic>([&] { picture.LoadFromFile(Put("bad.bmp", Bytes("BMx"))); }),
            "Bitmap image is not valid");
  EXPECT_EQ(ErrorText<EInvalidGraphic>([&] { picture.LoadFromFile(Put("i.ico", Bytes("x"))); }),
            "Icon image is not valid");
  EXPECT_EQ(ErrorText<EFOpenError>([&] { picture.LoadFromFile("C:\\pics\\gone.wmf"); }),
            "Cannot open file C:\\pics\\gone.wmf");

  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(changes, 0);
}

TEST_F(PictureFiles, FourComponentFileIsRefusedAtLoad) {
  std::vector<std::uint8_t> cmyk(16 * 8 * 4, 0x40);
  const auto bytes = jpeg::Encode(cmyk.data(), 16, 8, 16 * 4, jpeg::SampleLayout::cmyk, {});
  TPicture picture;
  EXPECT_THROW(picture.LoadFromFile(Put("cmyk.jpg", bytes)), EJPEG);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(JpegLoad, SizeBeyondMemoryIsRefusedFromTheHeader) {
  auto bytes = JpegOf(ColourBlocks(16, 16));
  // The frame header holds the height and width after its length and precision.
  const auto frame = std::find_if(bytes.begin(), bytes.end() - 1, [&](const std::uint8_t& b) {
    return b == 0xFF && (&b)[1] == 0xC0;
  });
  ASSERT_NE(frame, bytes.end() - 1);
  for (int i = 5; i <= 8; ++i)
    frame[i] = 0xFE;
  TJPEGImage picture;
  EXPECT_THROW(picture.LoadFromBytes(bytes), EJPEG);
}

TEST_F(PictureFiles, EmptyJpegLoadsAsNothingAndFailsWhenDecoded) {
  TPicture picture;
  picture.LoadFromFile(Put("empty.jpg", {}));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);
  EXPECT_TRUE(picture.Graphic()->Empty());
  // libjpeg's own error for an input with no data at all, not a later one about the marker.
  EXPECT_EQ(ErrorText<EJPEG>([&] { picture.Graphic()->Bitmap(); }),
            "JPEG error #" + std::to_string(JERR_INPUT_EMPTY));
  EXPECT_EQ(picture.Graphic()->Bitmap(), nullptr);
}

TEST_F(PictureFiles, OnlyPlainFilesFreeToLockAreRead) {
  fs::create_directories(Host("folder.jpg"));
  ASSERT_EQ(::mkfifo(Host("pipe.jpg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", Host("zero.jpg"));
  { std::ofstream sparse(Host("huge.jpg"), std::ios::binary); }
  fs::resize_file(Host("huge.jpg"), std::uintmax_t(2) << 30);
  Put("held.jpg", JpegOf(ColourBlocks(10, 10)));
  const int holder = ::open(Host("held.jpg").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  const auto start = std::chrono::steady_clock::now();
  TPicture picture;
  for (const char* name : {"folder.jpg", "pipe.jpg", "zero.jpg", "huge.jpg", "held.jpg"}) {
    const std::string path = std::string("C:\\pics\\") + name;
    EXPECT_EQ(ErrorText<EFOpenError>([&] { picture.LoadFromFile(path); }),
              "Cannot open file " + path);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ::close(holder);
  EXPECT_NO_THROW(picture.LoadFromFile("C:\\pics\\held.jpg"));
}

TEST_F(PictureFiles, AssignCopiesTheGraphicOrNothing) {
  TPicture staged, shown;
  staged.LoadFromFile(Put("a.jpg", JpegOf(ColourBlocks(30, 20))));
  int changes = 0;
  shown.OnChange = [&] { ++changes; };
  shown.Assign(staged);
  ASSERT_NE(shown.Graphic(), nullptr);
  EXPECT_NE(shown.Graphic(), staged.Graphic());
  EXPECT_EQ(dynamic_cast<TJPEGImage*>(shown.Graphic())->Data(),
            dynamic_cast<TJPEGImage*>(staged.Graphic())->Data());
  shown.Assign(TPicture());
  EXPECT_EQ(shown.Graphic(), nullptr);
  EXPECT_EQ(changes, 2);
}

TEST(Placeholder, IsA72By65TwentyFourBitBitmapOfBlackLettersOnWhite) {
  const auto& file = PlaceholderBitmapFile();
  ASSERT_EQ(file.size(), 14094u);
  EXPECT_EQ(&file, &PlaceholderBitmapFile());
  auto u32 = [&](std::size_t at) {
    return unsigned(file[at]) | unsigned(file[at + 1]) << 8 | unsigned(file[at + 2]) << 16 |
           unsigned(file[at + 3]) << 24;
  };
  auto u16 = [&](std::size_t at) { return unsigned(file[at]) | unsigned(file[at + 1]) << 8; };
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(u32(2), 14094u);
  EXPECT_EQ(u32(6), 0u);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 72u);
  EXPECT_EQ(u32(22), 65u);
  EXPECT_EQ(u16(26), 1u);
  EXPECT_EQ(u16(28), 24u);
  EXPECT_EQ(u32(30), 0u);
  EXPECT_EQ(u32(34), 14040u);

  TBitmap bitmap;
  bitmap.LoadFromBytes(file);
  const TPixels& image = bitmap.Pixels();
  ASSERT_EQ(image.Width(), 72);
  ASSERT_EQ(image.Height(), 65);
  std::set<TColor> colours;
  int blackTop = 0, blackBottom = 0;
  for (int y = 0; y < 65; ++y)
    for (int x = 0; x < 72; ++x) {
      const TColor pixel = image.Pixel(x, y);
      colours.insert(pixel);
      if (pixel == clBlack)
        ++(y < 32 ? blackTop : blackBottom);
    }
  EXPECT_EQ(colours, (std::set<TColor>{clBlack, clWhite}));
  EXPECT_EQ(image.Pixel(0, 0), clWhite);
  EXPECT_EQ(image.Pixel(71, 64), clWhite);
  // Both lines carry letters of a good size, and white remains the ground.
  EXPECT_GT(blackTop, 300);
  EXPECT_GT(blackBottom, 300);
  EXPECT_LT(blackTop + blackBottom, 72 * 65 / 2);
}

namespace {

// A BMP file with a 40-byte header: the palette (blue, green, red, 0 each) and the pixel bytes as
// given, rows as the caller lays them out.
std::vector<std::uint8_t> BmpFile(int width, int height, int bits, std::uint32_t compression,
                                  const std::vector<std::uint8_t>& palette,
                                  const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> file;
  auto u16 = [&](unsigned v) {
    file.push_back(std::uint8_t(v));
    file.push_back(std::uint8_t(v >> 8));
  };
  auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const std::uint32_t offset = 54 + std::uint32_t(palette.size());
  file = {'B', 'M'};
  u32(offset + std::uint32_t(pixels.size()));
  u32(0);
  u32(offset);
  u32(40);
  u32(std::uint32_t(width));
  u32(std::uint32_t(height));
  u16(1);
  u16(unsigned(bits));
  u32(compression);
  u32(std::uint32_t(pixels.size()));
  u32(2835);
  u32(2835);
  u32(std::uint32_t(palette.size() / 4));
  u32(0);
  file.insert(file.end(), palette.begin(), palette.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// Blue, green, red, unused: index 0 red, 1 green, 2 blue, 3 grey.
const std::vector<std::uint8_t> kFourColours = {0,   0, 255, 0, 0,   255, 0,   0,
                                                255, 0, 0,   0, 128, 128, 128, 0};

std::vector<TColor> Row(const TPixels& pixels, int y) {
  std::vector<TColor> row;
  for (int x = 0; x < pixels.Width(); ++x)
    row.push_back(pixels.Pixel(x, y));
  return row;
}

const TColor kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kGrey = RGB(128, 128, 128);

} // namespace

TEST(BmpReader, PalettedRowsComeBottomUpAndPaddedToFourBytes) {
  // 3 x 2 at 8 bits: rows of 3 bytes padded to 4; the file's first row is the bottom one.
  const auto file = BmpFile(3, 2, 8, 0, kFourColours, {0, 1, 2, 0xEE, 3, 3, 0, 0xEE});
  const TPixels pixels = ReadBmp(file);
  EXPECT_EQ(pixels.Format(), TPixelFormat::pf8bit);
  EXPECT_EQ(Row(pixels, 0), (std::vector{kGrey, kGrey, clRed}));
  EXPECT_EQ(Row(pixels, 1), (std::vector{clRed, kGreen, kBlue}));

  // One and four bits a pixel, high bits first.
  const TPixels mono = ReadBmp(BmpFile(10, 1, 1, 0, kFourColours, {0b10100000, 0b01000000, 0, 0}));
  EXPECT_EQ(Row(mono, 0),
            (std::vector{kGreen, clRed, kGreen, clRed, clRed, clRed, clRed, clRed, clRed, kGreen}));
  const TPixels four = ReadBmp(BmpFile(3, 1, 4, 0, kFourColours, {0x23, 0x10, 0, 0}));
  EXPECT_EQ(Row(four, 0), (std::vector{kBlue, kGrey, kGreen}));
}

TEST(BmpReader, TrueColourFilesComeOutAsTwentyFourBitsTopDownWhenTheHeightIsNegative) {
  // Two rows of one pixel, stored top row first: blue then red.
  const TPixels topDown = ReadBmp(BmpFile(1, -2, 24, 0, {}, {255, 0, 0, 0, 0, 0, 255, 0}));
  EXPECT_EQ(topDown.Format(), TPixelFormat::pf24bit);
  EXPECT_EQ(topDown.Pixel(0, 0), kBlue);
  EXPECT_EQ(topDown.Pixel(0, 1), clRed);

  // 16 bits, 5-6-5 by bit fields (the masks follow the header); full fields are full colours.
  std::vector<std::uint8_t> masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
  const TPixels sixteen = ReadBmp(BmpFile(2, 1, 16, 3, masks, {0x00, 0xF8, 0x1F, 0x00}));
  EXPECT_EQ(Row(sixteen, 0), (std::vector{clRed, kBlue}));
  // 32 bits without fields: blue, green, red, unused.
  const TPixels thirtyTwo = ReadBmp(BmpFile(1, 1, 32, 0, {}, {10, 20, 30, 99}));
  EXPECT_EQ(thirtyTwo.Pixel(0, 0), RGB(30, 20, 10));
}

TEST(BmpReader, RunLengthRunsAbsoluteStretchesAndJumps) {
  // 5 x 3, bottom up. The bottom row: a run of two 1s, then 2, 3, 0 as they are (padded to a word);
  // end of line. A jump of one right and one up lands on the top row, where a run of one 2 goes;
  // end of file.
  const std::vector<std::uint8_t> runs = {2, 1, 0, 3, 2, 3, 0, 0, 0, 0, 0, 2, 1, 1, 1, 2, 0, 1};
  const TPixels pixels = ReadBmp(BmpFile(5, 3, 8, 1, kFourColours, runs));
  EXPECT_EQ(Row(pixels, 2), (std::vector{kGreen, kGreen, kBlue, kGrey, clRed}));
  // What no run reaches keeps index 0.
  EXPECT_EQ(Row(pixels, 1), std::vector<TColor>(5, clRed));
  EXPECT_EQ(Row(pixels, 0), (std::vector{clRed, kBlue, clRed, clRed, clRed}));
}

TEST(BmpReader, CutOrImpossibleFilesAreNoBitmaps) {
  // The last row needs its pixels, not its padding.
  const auto whole = BmpFile(3, 2, 24, 0, {}, std::vector<std::uint8_t>(21, 7));
  EXPECT_NO_THROW(ReadBmp(whole));
  for (std::size_t cut : {std::size_t(1), std::size_t(20), whole.size() - 4}) {
    const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
    EXPECT_EQ(ErrorText<EInvalidGraphic>([&] { ReadBmp(part); }), "Bitmap image is not valid")
        << cut;
  }
  // A size far beyond memory, a depth that does not exist, run lengths on true colour.
  EXPECT_THROW(ReadBmp(BmpFile(100000, 100000, 24, 0, {}, {})), EInvalidGraphic);
  EXPECT_THROW(ReadBmp(BmpFile(1, 1, 7, 0, {}, {0, 0, 0, 0})), EInvalidGraphic);
  EXPECT_THROW(ReadBmp(BmpFile(1, 1, 24, 1, {}, {0, 0, 0, 0})), EInvalidGraphic);
  // A run-length stream that ends without its end mark is cut too.
  EXPECT_THROW(ReadBmp(BmpFile(4, 2, 8, 1, kFourColours, {4, 1})), EInvalidGraphic);
}

TEST(Pixels, RowsArePaddedToFourBytesAndCopiesStandAlone) {
  TPixels pixels(5, 2, TPixelFormat::pf24bit);
  EXPECT_EQ(pixels.Stride(), 16u);
  EXPECT_EQ(pixels.ByteCount(), 32u);
  pixels.Fill(kGreen);
  pixels.SetPixel(4, 1, clRed);
  const TPixels copy = pixels.Copy();
  pixels.SetPixel(0, 0, kBlue);
  EXPECT_EQ(copy.Pixel(0, 0), kGreen);
  EXPECT_EQ(copy.Pixel(4, 1), clRed);
  EXPECT_EQ(copy.Pixel(3, 1), kGreen);

  EXPECT_TRUE(TPixels(0, 7, TPixelFormat::pf32bit).Empty());

  // Blocks of a screen's size take their memory elsewhere than small ones; they behave alike.
  TPixels screen(1920, 1080, TPixelFormat::pf32bit);
  screen.Fill(kGrey);
  screen.SetPixel(1919, 1079, clRed);
  TPixels moved = std::move(screen);
  EXPECT_TRUE(screen.Empty());
  const TPixels again = moved.Copy();
  moved = TPixels();
  EXPECT_EQ(again.Pixel(0, 0), kGrey);
  EXPECT_EQ(again.Pixel(1919, 1079), clRed);
  TPixels paletted(1, 1, TPixelFormat::pf8bit);
  paletted.Palette = {clRed, kGrey};
  paletted.Row(0)[0] = 1;
  EXPECT_EQ(paletted.Pixel(0, 0), kGrey);
}

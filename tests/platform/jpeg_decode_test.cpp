// The JPEG decoder over libjpeg: colours, grey files, low-colour screens, damaged files, and a
// decode let go and done again. Portable: the Windows tests run these against their own libjpeg.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/graphics.h"
#include "support/pictures.h"

namespace {

TColor PixelOf(const TPixels& pixels, TPoint at) {
  return pixels.Pixel(at.X, at.Y);
}

// The bitmap's own bytes at a pixel, in memory order.
std::array<int, 3> BytesAt(const TPixels& pixels, TPoint at) {
  const std::uint8_t* p = pixels.Row(at.Y) + 3 * at.X;
  return {p[0], p[1], p[2]};
}

} // namespace

class ColourDecode : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(ColourDecode, BlocksComeOutInBlueGreenRedOrderAtTheFilesSize) {
  const auto [width, progressive] = GetParam();
  const int height = 41;
  TJPEGImage picture;
  picture.LoadFromBytes(JpegOf(ColourBlocks(width, height), progressive));
  EXPECT_EQ(picture.Width(), width);
  EXPECT_EQ(picture.Height(), height);
  EXPECT_FALSE(picture.Decoded());

  std::vector<ProgressStage> stages;
  picture.OnProgress = [&](ProgressStage stage, const TRect&) { stages.push_back(stage); };
  const TPixels* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Format(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap->Width(), width);
  EXPECT_EQ(bitmap->Height(), height);
  for (int i = 0; i < 5; ++i) {
    const TPoint at = BlockCentre(i, width, height);
    const TColor want = BlockColours()[std::size_t(i)];
    EXPECT_TRUE(Near(PixelOf(*bitmap, at), want, 6)) << "block " << i;
    const auto bytes = BytesAt(*bitmap, at);
    EXPECT_NEAR(bytes[0], BlueOf(want), 6) << "block " << i;
    EXPECT_NEAR(bytes[2], RedOf(want), 6) << "block " << i;
  }
  // A progressive file comes out in one pass: no coarse rows are ever reported.
  EXPECT_EQ(stages, (std::vector{ProgressStage::psStarting, ProgressStage::psEnding}));
  // Decoded once: a second request neither decodes nor notifies.
  EXPECT_EQ(picture.Bitmap(), bitmap);
  EXPECT_EQ(stages.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Widths, ColourDecode,
                         ::testing::Combine(::testing::Values(320, 333, 171), ::testing::Bool()));

TEST(JpegDecode, GreyFileGivesAnEightBitBitmapWithAGreyPalette) {
  TPixels grey(64, 16, TPixelFormat::pf8bit);
  for (int i = 0; i < 256; ++i)
    grey.Palette.push_back(RGB(i, i, i));
  for (int y = 0; y < grey.Height(); ++y)
    for (int x = 0; x < grey.Width(); ++x)
      grey.Row(y)[x] = std::uint8_t(x * 4);
  TJPEGImage picture;
  picture.LoadFromBytes(JpegOf(grey));
  const TPixels* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Format(), TPixelFormat::pf8bit);
  EXPECT_LE(bitmap->Palette.size(), 236u);
  for (TColor entry : bitmap->Palette)
    EXPECT_TRUE(RedOf(entry) == GreenOf(entry) && GreenOf(entry) == BlueOf(entry));
  EXPECT_NEAR(RedOf(bitmap->Pixel(2, 8)), 8, 6);
  EXPECT_NEAR(RedOf(bitmap->Pixel(60, 8)), 240, 6);
}

TEST(JpegDecode, EightBitScreenGivesAPaletteOfAtMost236Colours) {
  ScreenBitsOverride eightBits(8);
  TJPEGImage picture;
  picture.LoadFromBytes(JpegOf(ColourBlocks(200, 40)));
  const TPixels* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Format(), TPixelFormat::pf8bit);
  EXPECT_GT(bitmap->Palette.size(), 0u);
  EXPECT_LE(bitmap->Palette.size(), 236u);
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(Near(PixelOf(*bitmap, BlockCentre(i, 200, 40)), BlockColours()[std::size_t(i)], 12))
        << i;
}

TEST(JpegDecode, TruncatedFileDecodesWithoutError) {
  auto bytes = JpegOf(ColourBlocks(200, 120));
  bytes.resize(bytes.size() / 2);
  TJPEGImage picture;
  picture.LoadFromBytes(bytes);
  const TPixels* bitmap = nullptr;
  EXPECT_NO_THROW(bitmap = picture.Bitmap());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), 200);
  EXPECT_EQ(bitmap->Height(), 120);
  EXPECT_TRUE(Near(PixelOf(*bitmap, TPoint{10, 2}), clRed, 6));
}

TEST(JpegDecode, FatalErrorKeepsTheRowsDoneAndIsRaisedOnlyOnce) {
  TJPEGImage picture;
  picture.LoadFromBytes(JpegWithAFatalEnd(ColourBlocks(100, 40)));
  EXPECT_THROW(picture.Bitmap(), EJPEG);
  const TPixels* bitmap = nullptr;
  EXPECT_NO_THROW(bitmap = picture.Bitmap());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(Near(PixelOf(*bitmap, TPoint{10, 2}), clRed, 6));
  // The pixels of a failed decode are kept: letting them go would lose them for good.
  EXPECT_FALSE(picture.ReleaseBitmap());
  EXPECT_TRUE(picture.Decoded());
}

TEST(JpegDecode, CloneSharesTheFileDataAndCarriesOnlyAnExistingBitmap) {
  TJPEGImage original;
  original.LoadFromBytes(JpegOf(ColourBlocks(50, 20)));
  auto copy = original.Clone();
  auto* jpegCopy = dynamic_cast<TJPEGImage*>(copy.get());
  ASSERT_NE(jpegCopy, nullptr);
  EXPECT_EQ(jpegCopy->Data().get(), original.Data().get());
  EXPECT_EQ(original.Data().use_count(), 2);
  EXPECT_FALSE(jpegCopy->Decoded());
  EXPECT_FALSE(original.Decoded());
  EXPECT_EQ(jpegCopy->Width(), 50);

  const TPixels* decoded = original.Bitmap();
  auto second = original.Clone();
  auto* jpegSecond = dynamic_cast<TJPEGImage*>(second.get());
  EXPECT_TRUE(jpegSecond->Decoded());
  EXPECT_EQ(jpegSecond->Bitmap()->Bits(), decoded->Bits());
  EXPECT_FALSE(jpegCopy->Decoded());
  copy.reset();
  second.reset();
  EXPECT_EQ(original.Data().use_count(), 1);
}

TEST(JpegDecode, AWholeDecodeLetGoComesBackTheSame) {
  TJPEGImage picture;
  picture.LoadFromBytes(JpegOf(ColourBlocks(60, 20)));
  EXPECT_FALSE(picture.ReleaseBitmap()) << "nothing decoded yet";
  const TPixels first = picture.Bitmap()->Copy();
  EXPECT_TRUE(picture.ReleaseBitmap());
  EXPECT_FALSE(picture.Decoded());
  // The size stays known from the header meanwhile.
  EXPECT_EQ(picture.Width(), 60);
  const TPixels* again = picture.Bitmap();
  ASSERT_NE(again, nullptr);
  ASSERT_EQ(again->ByteCount(), first.ByteCount());
  EXPECT_EQ(std::memcmp(again->Bits(), first.Bits(), first.ByteCount()), 0);
}

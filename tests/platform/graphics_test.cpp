#include "platform/graphics.h"

#include <array>
#include <chrono>
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

QColor PixelOf(const QImage& image, QPoint at) {
  return QColor(image.pixel(at));
}

// The bitmap's own bytes at a pixel, in memory order.
std::array<int, 3> BytesAt(const QImage& image, QPoint at) {
  const std::uint8_t* p = image.constScanLine(at.y()) + 3 * at.x();
  return {p[0], p[1], p[2]};
}

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
  picture.OnProgress = [&](ProgressStage stage, const QRect&) { stages.push_back(stage); };
  const QImage* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->format(), QImage::Format_BGR888);
  EXPECT_EQ(bitmap->size(), QSize(width, height));
  for (int i = 0; i < 5; ++i) {
    const QPoint at = BlockCentre(i, width, height);
    const QColor want = BlockColours()[i];
    EXPECT_TRUE(Near(PixelOf(*bitmap, at), want, 6)) << "block " << i;
    const auto bytes = BytesAt(*bitmap, at);
    EXPECT_NEAR(bytes[0], want.blue(), 6) << "block " << i;
    EXPECT_NEAR(bytes[2], want.red(), 6) << "block " << i;
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
  QImage grey(64, 16, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      grey.scanLine(y)[x] = std::uint8_t(x * 4);
  TJPEGImage picture;
  picture.LoadFromBytes(JpegOf(grey));
  const QImage* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->format(), QImage::Format_Indexed8);
  EXPECT_LE(bitmap->colorCount(), 236);
  for (QRgb entry : bitmap->colorTable())
    EXPECT_TRUE(qRed(entry) == qGreen(entry) && qGreen(entry) == qBlue(entry));
  EXPECT_NEAR(qRed(bitmap->pixel(2, 8)), 8, 6);
  EXPECT_NEAR(qRed(bitmap->pixel(60, 8)), 240, 6);
}

TEST(JpegDecode, EightBitScreenGivesAPaletteOfAtMost236Colours) {
  ScreenBitsOverride eightBits(8);
  TJPEGImage picture;
  picture.LoadFromBytes(JpegOf(ColourBlocks(200, 40)));
  const QImage* bitmap = picture.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->format(), QImage::Format_Indexed8);
  EXPECT_GT(bitmap->colorCount(), 0);
  EXPECT_LE(bitmap->colorCount(), 236);
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(Near(PixelOf(*bitmap, BlockCentre(i, 200, 40)), BlockColours()[i], 12)) << i;
}

TEST(JpegDecode, TruncatedFileDecodesWithoutError) {
  auto bytes = JpegOf(ColourBlocks(200, 120));
  bytes.resize(bytes.size() / 2);
  TJPEGImage picture;
  picture.LoadFromBytes(bytes);
  const QImage* bitmap = nullptr;
  EXPECT_NO_THROW(bitmap = picture.Bitmap());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->size(), QSize(200, 120));
  EXPECT_TRUE(Near(PixelOf(*bitmap, QPoint(10, 2)), Qt::red, 6));
}

TEST(JpegDecode, FatalErrorKeepsTheRowsDoneAndIsRaisedOnlyOnce) {
  // A second frame header after the image is fatal, once the rows have been read.
  auto bytes = JpegOf(ColourBlocks(100, 40));
  ASSERT_EQ(bytes.back(), 0xD9);
  bytes.resize(bytes.size() - 2);
  const std::vector<std::uint8_t> frame = {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00,
                                           0x10, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};
  bytes.insert(bytes.end(), frame.begin(), frame.end());
  TJPEGImage picture;
  picture.LoadFromBytes(bytes);
  EXPECT_THROW(picture.Bitmap(), EJPEG);
  const QImage* bitmap = nullptr;
  EXPECT_NO_THROW(bitmap = picture.Bitmap());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(Near(PixelOf(*bitmap, QPoint(10, 2)), Qt::red, 6));
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

  const QImage* decoded = original.Bitmap();
  auto second = original.Clone();
  auto* jpegSecond = dynamic_cast<TJPEGImage*>(second.get());
  EXPECT_TRUE(jpegSecond->Decoded());
  EXPECT_EQ(jpegSecond->Bitmap()->constBits(), decoded->constBits());
  EXPECT_FALSE(jpegCopy->Decoded());
  copy.reset();
  second.reset();
  EXPECT_EQ(original.Data().use_count(), 1);
}

TEST(BitmapGraphic, CloneSharesThePixels) {
  TBitmap original(ColourBlocks(10, 4).convertToFormat(QImage::Format_BGR888));
  const auto copy = original.Clone();
  ASSERT_NE(dynamic_cast<TBitmap*>(copy.get()), nullptr);
  EXPECT_EQ(copy->Bitmap()->constBits(), original.Image().constBits());
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
  EXPECT_EQ(bitmap->Image().format(), QImage::Format_BGR888);
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
  const QImage& image = bitmap.Image();
  ASSERT_EQ(image.size(), QSize(72, 65));
  std::set<QRgb> colours;
  int blackTop = 0, blackBottom = 0;
  for (int y = 0; y < 65; ++y)
    for (int x = 0; x < 72; ++x) {
      const QRgb pixel = image.pixel(x, y);
      colours.insert(pixel);
      if (pixel == qRgb(0, 0, 0))
        ++(y < 32 ? blackTop : blackBottom);
    }
  EXPECT_EQ(colours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(71, 64), qRgb(255, 255, 255));
  // Both lines carry letters of a good size, and white remains the ground.
  EXPECT_GT(blackTop, 300);
  EXPECT_GT(blackBottom, 300);
  EXPECT_LT(blackTop + blackBottom, 72 * 65 / 2);
}

// What Qt's readers add on Linux: formats with transparency and of every kind, and the bundled
// set restored from the drive C: skeleton.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPainter>

#include "catalogue.h"
#include "pictures/picture_import.h"
#include "platform/jpeg.h"
#include "support/qt_pictures.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using pictures::Report;

namespace {

// An APP1 segment holding only an EXIF orientation tag (big-endian TIFF, one IFD entry).
std::vector<std::uint8_t> ExifOrientation(std::uint8_t orientation) {
  return {0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i',  'f',  0,    0, // marker, length
          'M',  'M',  0x00, 0x2A, 0x00, 0x00, 0x00, 0x08,          // TIFF header
          0x00, 0x01,                                              // one entry
          0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, orientation,
          0x00, 0x00, 0x00, 0x00, 0x00, 0x00}; // no next IFD
}

// A JPEG with an orientation tag: the segment goes right after the JFIF header.
std::vector<std::uint8_t> JpegWithOrientation(const QImage& stored, std::uint8_t orientation) {
  std::vector<std::uint8_t> bytes = JpegOf(stored);
  const std::size_t app0End = 4 + ((std::size_t(bytes[4]) << 8) | bytes[5]);
  const std::vector<std::uint8_t> app1 = ExifOrientation(orientation);
  bytes.insert(bytes.begin() + std::ptrdiff_t(app0End), app1.begin(), app1.end());
  return bytes;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
  const std::string text = ReadWholeFile(file);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

QImage DecodeThroughLibjpeg(const fs::path& file) {
  const std::vector<std::uint8_t> bytes = ReadBytes(file);
  TPixels bitmap;
  jpeg::Decode(bytes, {}, bitmap, {});
  return ToImage(bitmap);
}

QImage Halves(int width, int height, QColor left, QColor right) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(right);
  QPainter(&image).fillRect(0, 0, width / 2, height, left);
  return image;
}

class QtPictureImport : public ::testing::Test {
protected:
  fs::path Photos() const { return root_.Path() / "photos"; }
  std::vector<fs::path> Catalogue() const { return pictures::CatalogueFiles(); }

  // A screen of 1024 x 768 pixels, as the command takes from the primary screen.
  Report ImportPhotos(QSize bound = QSize(1024, 768)) {
    return pictures::Import({Photos()}, {bound.width(), bound.height()}, {});
  }

  TempRoot root_;
};

} // namespace

TEST_F(QtPictureImport, PhotosOfEveryKindFitWithinTheBoundAndTransparencyLiesOverBlack) {
  // A large portrait photo stored on its side: fitted upright, the screen's height is its bound.
  WriteBytes(Photos() / "a-turned.jpg",
             JpegWithOrientation(Halves(1600, 1200, Qt::red, Qt::blue), 8));
  QImage wide(4000, 1000, QImage::Format_RGB32);
  wide.fill(Qt::green);
  ASSERT_TRUE(wide.save(QString::fromStdString((Photos() / "b-wide.png").string())));
  QImage tall(900, 3000, QImage::Format_ARGB32);
  tall.fill(Qt::transparent);
  QPainter(&tall).fillRect(0, 0, 900, 1500, Qt::white);
  ASSERT_TRUE(tall.save(QString::fromStdString((Photos() / "c-tall.png").string())));
  QImage small(640, 480, QImage::Format_RGB32);
  small.fill(Qt::yellow);
  ASSERT_TRUE(small.save(QString::fromStdString((Photos() / "d-small.bmp").string())));

  Report report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(report.photosUsed, 4);
  // Fewer photos than names: they come round in turn.
  std::vector<fs::path> files = Catalogue();
  const QImage turned = DecodeThroughLibjpeg(files[0]);
  ASSERT_EQ(turned.size(), QSize(576, 768));
  // "Turn anticlockwise to view": the left half, red, ends up at the bottom.
  EXPECT_TRUE(Near(turned.pixelColor(288, 700), Qt::red, 30));
  EXPECT_TRUE(Near(turned.pixelColor(288, 60), Qt::blue, 30));
  EXPECT_EQ(DecodeThroughLibjpeg(files[1]).size(), QSize(1024, 256));
  const QImage tallPicture = DecodeThroughLibjpeg(files[2]);
  EXPECT_EQ(tallPicture.size(), QSize(230, 768));
  EXPECT_TRUE(Near(tallPicture.pixelColor(115, 180), Qt::white, 12));
  EXPECT_TRUE(Near(tallPicture.pixelColor(115, 600), Qt::black, 12));
  EXPECT_EQ(DecodeThroughLibjpeg(files[3]).size(), QSize(640, 480));
  EXPECT_EQ(ReadBytes(files[4]), ReadBytes(files[0]));
  EXPECT_EQ(ReadBytes(files[37]), ReadBytes(files[37 % 4]));

  // A long-side bound fits both ways within a square.
  report = ImportPhotos(QSize(2560, 2560));
  EXPECT_EQ(report.written, kCatalogueSize);
  files = Catalogue();
  EXPECT_EQ(DecodeThroughLibjpeg(files[0]).size(), QSize(1200, 1600));
  EXPECT_EQ(DecodeThroughLibjpeg(files[1]).size(), QSize(2560, 640));
  EXPECT_EQ(DecodeThroughLibjpeg(files[2]).size(), QSize(768, 2560));
}

TEST_F(QtPictureImport, RestorePutsTheBundledSetBackOnTheDriveOfTheWindowsDirectory) {
  const fs::path skeleton = root_.Path() / "skeleton";
  BuildPictureCatalogue("C:\\WINDOWS");
  for (int k = 1; k <= kCatalogueSize; ++k) {
    const std::string name = PictureCatalogue[k].substr(PictureCatalogue[k].rfind('\\') + 1);
    WriteWholeFile(skeleton / "Tavrin" / "Quillmor" / name, "bundled " + name);
  }
  root_.Env().Set("QUILLMOR_WINDOWS_DIR", "D:\\WIN");
  const fs::path folder = root_.Path() / "drive_d" / "Tavrin" / "Quillmor";
  WriteBytes(Photos() / "p.jpg", JpegOf(ColourBlocks(50, 40)));
  ASSERT_EQ(ImportPhotos().written, kCatalogueSize);
  EXPECT_EQ(DecodeThroughLibjpeg(folder / "griztand.jpg").size(), QSize(50, 40));

  // Without a skeleton there is nothing to restore from, and nothing is touched.
  Report report = pictures::Restore({});
  EXPECT_EQ(report.written, 0);
  EXPECT_EQ(report.failed.size(), std::size_t(kCatalogueSize));
  EXPECT_EQ(DecodeThroughLibjpeg(folder / "griztand.jpg").size(), QSize(50, 40));

  root_.Env().Set("QUILLMOR_SKELETON", skeleton.string());
  int calls = 0;
  report = pictures::Restore([&](int done, int total, const std::string&) {
    EXPECT_EQ(done, ++calls);
    EXPECT_EQ(total, kCatalogueSize);
    return true;
  });
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(calls, kCatalogueSize);
  EXPECT_EQ(ReadWholeFile(folder / "griztand.jpg"), "bundled griztand.jpg");
  EXPECT_EQ(ReadWholeFile(folder / "elkrak1.jpg"), "bundled elkrak1.jpg");
}

TEST_F(QtPictureImport, AJpegWithoutItsEndMarkerIsTakenWhole) {
  // Some writers leave off the end marker; every pixel is there all the same.
  const std::vector<std::uint8_t> whole = JpegOf(Halves(320, 240, Qt::red, Qt::blue));
  WriteBytes(Photos() / "no-end-marker.jpg",
             std::vector<std::uint8_t>(whole.begin(), whole.end() - 2));
  const Report report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_TRUE(report.skipped.empty());
  EXPECT_EQ(DecodeThroughLibjpeg(pictures::CatalogueFiles().front()).size(), QSize(320, 240));
}

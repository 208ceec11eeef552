// Filling the catalogue from the user's photos and restoring the bundled set.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <QPainter>

#include "catalogue.h"
#include "pictures/picture_import.h"
#include "platform/jpeg.h"
#include "support/qt_pictures.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using pictures::Report;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

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

bool HasMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == marker)
      return true;
  }
  return false;
}

QImage Halves(int width, int height, QColor left, QColor right) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(right);
  QPainter(&image).fillRect(0, 0, width / 2, height, left);
  return image;
}

class PictureImport : public ::testing::Test {
protected:
  fs::path Photos() const { return root_.Path() / "photos"; }
  fs::path Folder() const { return root_.DriveC() / "Tavrin" / "Quillmor"; }
  std::vector<fs::path> Catalogue() const { return pictures::CatalogueFiles(); }

  // A screen of 1024 x 768 pixels, as the command takes from the primary screen.
  Report ImportPhotos(QSize bound = QSize(1024, 768)) {
    return pictures::Import({Photos()}, bound, {});
  }

  // Every catalogue file present, each with its own content.
  void WriteOldPictures() {
    for (const fs::path& file : Catalogue())
      WriteWholeFile(file, "old " + file.filename().string());
  }

  std::vector<std::string> LeftoverTemporaries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder()))
      if (entry.path().filename().string().starts_with("."))
        names.push_back(entry.path().filename().string());
    return names;
  }

  TempRoot root_;
};

} // namespace

TEST_F(PictureImport, ARotatedPortraitPhotoBecomesAnUprightBaselineCataloguePicture) {
  // Stored lying on its side (red on the left), tagged "turn clockwise to view": upright it is
  // a portrait with red on top.
  WriteBytes(Photos() / "IMG_0001.JPG",
             JpegWithOrientation(Halves(300, 200, Qt::red, Qt::blue), 6));
  const Report report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(report.photosUsed, 1);
  EXPECT_TRUE(report.skipped.empty());
  EXPECT_TRUE(report.failed.empty());

  const std::vector<fs::path> files = Catalogue();
  ASSERT_EQ(files.size(), std::size_t(kCatalogueSize));
  for (const fs::path& file : files) {
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    ASSERT_FALSE(bytes.empty()) << file;
    EXPECT_TRUE(HasMarker(bytes, 0xC0)) << "baseline frame: " << file;
    EXPECT_FALSE(HasMarker(bytes, 0xC2)) << file;
    // No orientation tag is carried over: the pixels themselves are upright.
    EXPECT_FALSE(HasMarker(bytes, 0xE1)) << file;
  }
  const QImage upright = DecodeThroughLibjpeg(files.front());
  ASSERT_EQ(upright.size(), QSize(200, 300));
  EXPECT_TRUE(Near(upright.pixelColor(100, 40), Qt::red, 30));
  EXPECT_TRUE(Near(upright.pixelColor(100, 260), Qt::blue, 30));
  EXPECT_TRUE(LeftoverTemporaries().empty());
}

TEST_F(PictureImport, PhotosFitWithinTheBoundWholeAndTransparencyLiesOverBlack) {
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

TEST_F(PictureImport, UnreadablePhotosAreSkippedAndWithoutAnyReadableOneNothingChanges) {
  WriteOldPictures();
  WriteWholeFile(Photos() / "broken.jpg", "not a picture");
  WriteWholeFile(Photos() / "notes.txt", "not a photo either");
  Report report = ImportPhotos();
  EXPECT_EQ(report.written, 0);
  EXPECT_EQ(report.photosUsed, 0);
  EXPECT_EQ(report.photosFound, 1);
  EXPECT_THAT(report.skipped,
              ElementsAre(HasSubstr("broken.jpg: "),
                          EndsWith("notes.txt: TXT is not a format this installation reads")));
  for (const fs::path& file : Catalogue())
    EXPECT_EQ(ReadWholeFile(file), "old " + file.filename().string());

  // One good photo in a subfolder is enough to fill them all; the others are still listed.
  WriteBytes(Photos() / "2024" / "good.jpg", JpegOf(ColourBlocks(100, 80)));
  report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(report.skipped.size(), 2u);
  for (const fs::path& file : Catalogue())
    EXPECT_EQ(DecodeThroughLibjpeg(file).size(), QSize(100, 80));
}

TEST_F(PictureImport, CutOffAndDamagedPhotosAndUnknownFormatsAreListedWithTheReason) {
  const std::vector<std::uint8_t> whole = JpegOf(ColourBlocks(320, 240));
  const std::vector<std::uint8_t> progressive = JpegOf(ColourBlocks(320, 240), true);
  const auto firstPart = [](const std::vector<std::uint8_t>& bytes, std::size_t size) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(size));
  };
  // Copied only partly: the file just stops.
  WriteBytes(Photos() / "a-cut.jpg", firstPart(whole, whole.size() * 6 / 10));
  WriteBytes(Photos() / "b-cut-progressive.jpg",
             firstPart(progressive, progressive.size() * 8 / 10));
  // The picture data breaks off at an end marker halfway.
  std::vector<std::uint8_t> broken = firstPart(whole, whole.size() / 2);
  broken.insert(broken.end(), {0xFF, 0xD9});
  WriteBytes(Photos() / "c-damaged.jpg", broken);
  // Some writers leave off the end marker; every pixel is there all the same.
  WriteBytes(Photos() / "d-no-end-marker.jpg", firstPart(whole, whole.size() - 2));
  WriteBytes(Photos() / "e-empty.jpg", {});
  WriteWholeFile(Photos() / "f-phone.heic", "....ftypheic");
  WriteWholeFile(Photos() / "g-web.webp", "RIFF....WEBPVP8 ");
  WriteWholeFile(Photos() / "h-README", "photos from the trip");

  const Report report = ImportPhotos();
  EXPECT_EQ(report.photosUsed, 1);
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(DecodeThroughLibjpeg(Catalogue().front()).size(), QSize(320, 240));
  std::vector<std::string> names;
  for (const std::string& entry : report.skipped)
    names.push_back(fs::path(entry.substr(0, entry.find(": "))).filename().string());
  // In name order, whatever the reason.
  EXPECT_THAT(names, ElementsAre("a-cut.jpg", "b-cut-progressive.jpg", "c-damaged.jpg",
                                 "e-empty.jpg", "f-phone.heic", "g-web.webp", "h-README"));
  ASSERT_EQ(report.skipped.size(), 7u);
  EXPECT_THAT(report.skipped[0],
              EndsWith(": the file is cut short: the end of the picture is missing"));
  EXPECT_THAT(report.skipped[1],
              EndsWith(": the file is cut short: the end of the picture is missing"));
  EXPECT_THAT(report.skipped[2], EndsWith(": the picture data is damaged"));
  EXPECT_THAT(report.skipped[3], EndsWith(": the file is empty"));
  EXPECT_THAT(report.skipped[4], EndsWith(": HEIC is not a format this installation reads"));
  if (pictures::ReadableFormats().find("WEBP") == std::string::npos) {
    EXPECT_THAT(report.skipped[5],
                EndsWith(": WEBP is not a format this installation reads (the package "
                         "qt6-image-formats-plugins adds it)"));
  }
  EXPECT_THAT(report.skipped[6], HasSubstr("no type suffix"));
}

TEST_F(PictureImport, TheReadableFormatsAreNamedOnceEach) {
  const std::string formats = pictures::ReadableFormats();
  EXPECT_THAT(formats, HasSubstr("JPEG, "));
  EXPECT_THAT(formats, HasSubstr("PNG"));
  EXPECT_THAT(formats, Not(HasSubstr("JPG")));
  EXPECT_THAT(formats, Not(HasSubstr(",,")));
}

TEST_F(PictureImport, ManyPhotosAreTakenEvenlyWithTheRestStandingIn) {
  const std::vector<std::size_t> order = pictures::TryOrder(100, 38);
  ASSERT_EQ(order.size(), 100u);
  std::vector<std::size_t> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 0; i < sorted.size(); ++i)
    EXPECT_EQ(sorted[i], i); // each photo once
  EXPECT_EQ(order.front(), 0u);
  EXPECT_GE(order[37], 95u); // the first 38 reach the end of the list
  for (std::size_t i = 1; i < 38; ++i)
    EXPECT_GE(order[i] - order[i - 1], 2u);
  EXPECT_EQ(pictures::TryOrder(5, 38), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(pictures::TryOrder(0, 38).empty());
}

TEST_F(PictureImport, AFailedWriteLeavesTheOldPictureWhole) {
  WriteOldPictures();
  const fs::path target = Catalogue().front();
  // The temporary file cannot be made: a folder stands where it would go.
  const fs::path blocker = target.parent_path() / ("." + target.filename().string() + ".new-" +
                                                   std::to_string(::getpid()));
  fs::create_directories(blocker);
  std::string error;
  const std::vector<std::uint8_t> bytes(1000, 0x55);
  EXPECT_FALSE(pictures::ReplaceFile(target, bytes, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadWholeFile(target), "old " + target.filename().string());
  fs::remove(blocker);

  EXPECT_TRUE(pictures::ReplaceFile(target, bytes, error)) << error;
  EXPECT_EQ(ReadBytes(target), bytes);
  EXPECT_TRUE(LeftoverTemporaries().empty());

  // Through an import the failure is reported per file, and the others are still replaced.
  fs::create_directories(blocker);
  WriteBytes(Photos() / "p.jpg", JpegOf(ColourBlocks(50, 40)));
  const Report report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize - 1);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(ReadBytes(target), bytes);
}

TEST_F(PictureImport, RestorePutsTheBundledSetBackOnTheDriveOfTheWindowsDirectory) {
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
  });
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(calls, kCatalogueSize);
  EXPECT_EQ(ReadWholeFile(folder / "griztand.jpg"), "bundled griztand.jpg");
  EXPECT_EQ(ReadWholeFile(folder / "elkrak1.jpg"), "bundled elkrak1.jpg");
}

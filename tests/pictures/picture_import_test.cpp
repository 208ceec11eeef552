// Filling the catalogue from the user's photos, on every desktop: the photos each desktop's reader
// takes, turned upright and fitted, the files it leaves out and why, and a folder never left with
// a part of an import.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue.h"
#include "pictures/picture_import.h"
#include "platform/files.h"
#include "platform/jpeg.h"
#include "platform/photos.h"
#include "support/pictures.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using pictures::Report;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

constexpr TColor kBlue = RGB(0, 0, 255);

// An APP1 segment holding only an EXIF orientation tag (a TIFF block of one IFD entry).
std::vector<std::uint8_t> ExifOrientation(std::uint8_t orientation, bool bigEndian = true) {
  std::vector<std::uint8_t> tiff =
      bigEndian ? std::vector<std::uint8_t>{'M',  'M', 0, 0x2A, 0, 0, 0, 8, 0,           1, 0x01,
                                            0x12, 0,   3, 0,    0, 0, 1, 0, orientation, 0, 0}
                : std::vector<std::uint8_t>{'I',  'I', 0x2A, 0, 8, 0, 0, 0,           1, 0, 0x12,
                                            0x01, 3,   0,    1, 0, 0, 0, orientation, 0, 0, 0};
  tiff.insert(tiff.end(), {0, 0, 0, 0}); // no next IFD
  std::vector<std::uint8_t> segment{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  const std::size_t length = segment.size() - 2;
  segment[2] = std::uint8_t(length >> 8);
  segment[3] = std::uint8_t(length);
  return segment;
}

// A JPEG with an orientation tag: the segment goes right after the JFIF header.
std::vector<std::uint8_t> JpegWithOrientation(const TPixels& stored, std::uint8_t orientation,
                                              bool bigEndian = true) {
  std::vector<std::uint8_t> bytes = JpegOf(stored);
  const std::size_t app0End = 4 + ((std::size_t(bytes[4]) << 8) | bytes[5]);
  const std::vector<std::uint8_t> app1 = ExifOrientation(orientation, bigEndian);
  bytes.insert(bytes.begin() + std::ptrdiff_t(app0End), app1.begin(), app1.end());
  return bytes;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
  const std::string text = ReadWholeFile(file);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TPixels Decoded(const fs::path& file) {
  TPixels bitmap;
  jpeg::Decode(ReadBytes(file), {}, bitmap, {});
  return bitmap;
}

platform::TPhotoSize SizeOf(const TPixels& pixels) {
  return {pixels.Width(), pixels.Height()};
}

TPixels Halves(int width, int height, TColor left, TColor right) {
  TPixels pixels(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.SetPixel(x, y, x < width / 2 ? left : right);
  return pixels;
}

bool HasMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == marker)
      return true;
  }
  return false;
}

class PictureImport : public ::testing::Test {
protected:
  // On drive C:, which every test leaves as it found it.
  fs::path Photos() const { return root_.DriveC() / "photos"; }
  fs::path Folder() const { return root_.DriveC() / "Tavrin" / "Quillmor"; }
  std::vector<fs::path> Catalogue() const { return pictures::CatalogueFiles(); }

  // A screen of 1024 x 768 pixels, as the command takes from the primary screen.
  Report ImportPhotos(platform::TPhotoSize bound = {1024, 768},
                      const pictures::ProgressFn& progress = {}) {
    return pictures::Import({Photos()}, bound, progress);
  }

  // Every catalogue file present, each with its own content.
  void WriteOldPictures() {
    fs::create_directories(Folder());
    for (const fs::path& file : Catalogue())
      WriteWholeFile(file, "old " + file.filename().string());
  }
  bool OldPicturesStand() const {
    for (const fs::path& file : Catalogue())
      if (ReadWholeFile(file) != "old " + file.filename().string())
        return false;
    return true;
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

TEST_F(PictureImport, TurnedPhotosBecomeUprightBaselinePicturesFittedAndReusedInTurn) {
  // Stored lying on its side (red on the left), tagged "turn clockwise to view": upright it is
  // a portrait with red on top. The other is tagged the other way, in Intel byte order, and is
  // larger than the screen: fitted upright, the screen's height is its bound.
  WriteBytes(Photos() / "a-IMG_0001.JPG", JpegWithOrientation(Halves(300, 200, clRed, kBlue), 6));
  WriteBytes(Photos() / "b-turned.jpg",
             JpegWithOrientation(Halves(1600, 1200, clRed, kBlue), 8, false));
  WriteBytes(Photos() / "c-wide.jpeg", JpegOf(ColourBlocks(4000, 1000)));
  const Report report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(report.photosUsed, 3);
  EXPECT_TRUE(report.skipped.empty()) << report.skipped.front();
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
  const TPixels upright = Decoded(files[0]);
  ASSERT_EQ(SizeOf(upright), (platform::TPhotoSize{200, 300}));
  EXPECT_TRUE(Near(upright.Pixel(100, 40), clRed, 30));
  EXPECT_TRUE(Near(upright.Pixel(100, 260), kBlue, 30));
  const TPixels turned = Decoded(files[1]);
  ASSERT_EQ(SizeOf(turned), (platform::TPhotoSize{576, 768}));
  // "Turn anticlockwise to view": the left half, red, ends up at the bottom.
  EXPECT_TRUE(Near(turned.Pixel(288, 700), clRed, 30));
  EXPECT_TRUE(Near(turned.Pixel(288, 60), kBlue, 30));
  const TPixels wide = Decoded(files[2]);
  ASSERT_EQ(SizeOf(wide), (platform::TPhotoSize{1024, 256}));
  // Averaged down, every block keeps its colour.
  for (int i = 0; i < 5; ++i) {
    const TPoint centre = BlockCentre(i, wide.Width(), wide.Height());
    EXPECT_TRUE(Near(wide.Pixel(centre.X, centre.Y), BlockColours()[std::size_t(i)], 12)) << i;
  }
  // Fewer photos than names: they come round in turn.
  EXPECT_EQ(ReadBytes(files[3]), ReadBytes(files[0]));
  EXPECT_EQ(ReadBytes(files[37]), ReadBytes(files[37 % 3]));
  EXPECT_TRUE(LeftoverTemporaries().empty());

  // A long-side bound fits both ways within a square.
  ASSERT_EQ(ImportPhotos({2560, 2560}).written, kCatalogueSize);
  EXPECT_EQ(SizeOf(Decoded(Catalogue()[1])), (platform::TPhotoSize{1200, 1600}));
  EXPECT_EQ(SizeOf(Decoded(Catalogue()[2])), (platform::TPhotoSize{2560, 640}));
}

TEST_F(PictureImport, FilesThatCannotBeReadWholeAreListedWithTheReasonAndChangeNothingAlone) {
  WriteOldPictures();
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
  WriteBytes(Photos() / "e-empty.jpg", {});
  WriteWholeFile(Photos() / "f-notes.jpg", "not a picture, only its name says so");
  WriteWholeFile(Photos() / "g-phone.heic", "....ftypheic");
  WriteWholeFile(Photos() / "h-README", "photos from the trip");
  WriteWholeFile(Photos() / "i-notes.txt", "not a photo either");

  Report report = ImportPhotos();
  EXPECT_EQ(report.written, 0);
  EXPECT_EQ(report.photosUsed, 0);
  EXPECT_TRUE(OldPicturesStand());
  ASSERT_EQ(report.skipped.size(), 8u);
  // In name order, whatever the reason.
  EXPECT_THAT(report.skipped[0],
              EndsWith("a-cut.jpg: the file is cut short: the end of the picture is missing"));
  EXPECT_THAT(report.skipped[1], EndsWith("b-cut-progressive.jpg: the file is cut short: the end "
                                          "of the picture is missing"));
  EXPECT_THAT(report.skipped[2], EndsWith("c-damaged.jpg: the picture data is damaged"));
  EXPECT_THAT(report.skipped[3], EndsWith("e-empty.jpg: the file is empty"));
  EXPECT_THAT(report.skipped[4], HasSubstr("f-notes.jpg: "));
  // A desktop that can be taught HEIC may read its suffix yet not this file.
  EXPECT_THAT(report.skipped[5], HasSubstr("g-phone.heic: "));
  EXPECT_THAT(report.skipped[6], HasSubstr("h-README: not a picture this installation reads (the "
                                           "name has no type suffix)"));
  EXPECT_THAT(report.skipped[7],
              EndsWith("i-notes.txt: TXT is not a format this installation reads"));

  // One good photo in a subfolder is enough to fill them all.
  WriteBytes(Photos() / "2024" / "d-good.jpg", whole);
  report = ImportPhotos();
  EXPECT_EQ(report.written, kCatalogueSize);
  EXPECT_EQ(report.photosFound, 6); // by their suffix
  EXPECT_EQ(report.skipped.size(), 8u);
  for (const fs::path& file : Catalogue())
    EXPECT_EQ(SizeOf(Decoded(file)), (platform::TPhotoSize{320, 240}));
}

TEST_F(PictureImport, AnImportStoppedWhilePhotosAreReadWritesNothingAndOneWritingWritesAll) {
  WriteOldPictures();
  for (int i = 0; i < 5; ++i)
    WriteBytes(Photos() / ("p" + std::to_string(i) + ".jpg"), JpegOf(ColourBlocks(60 + i, 40)));
  std::vector<int> steps;
  Report report = ImportPhotos({1024, 768}, [&](int done, int total, const std::string&) {
    steps.push_back(done);
    // A step for each of the five photos, then one for each name.
    EXPECT_EQ(total, 5 + kCatalogueSize);
    return steps.size() < 3;
  });
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(report.written, 0);
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(OldPicturesStand());

  // Once the files are written, a stop is not heard: every one is.
  steps.clear();
  report = ImportPhotos({1024, 768}, [&](int done, int, const std::string&) {
    steps.push_back(done);
    return done <= 5;
  });
  EXPECT_FALSE(report.stopped);
  EXPECT_EQ(report.written, kCatalogueSize);
  ASSERT_EQ(steps.size(), std::size_t(5 + kCatalogueSize));
  EXPECT_EQ(steps.back(), 5 + kCatalogueSize);
  EXPECT_EQ(steps[5], 6);
  EXPECT_EQ(SizeOf(Decoded(Catalogue()[4])), (platform::TPhotoSize{64, 40}));
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

TEST_F(PictureImport, TheReadableFormatsAreNamedOnceEach) {
  EXPECT_EQ(pictures::FormatNames({".jpg", ".jpeg", ".jpe", ".jfif", ".png", ".tif", ".tiff",
                                   ".dib", ".bmp", ".heif", ".heic"}),
            "BMP, HEIC, JPEG, PNG, TIFF");
  const std::string formats = pictures::ReadableFormats();
  EXPECT_THAT(formats, HasSubstr("JPEG, "));
  EXPECT_THAT(formats, HasSubstr("PNG"));
  EXPECT_THAT(formats, ::testing::Not(HasSubstr("JPG")));
}

TEST_F(PictureImport, OneFileThatCannotBeWrittenLeavesEveryOldPictureAndIsReported) {
  WriteOldPictures();
  const fs::path target = Catalogue()[5];
  // Its new file cannot be made: a folder stands where it would go.
  const fs::path blocker = platform::ReplacementOf(target);
  EXPECT_EQ(blocker.parent_path(), target.parent_path());
  fs::create_directories(blocker);
  std::string error;
  const std::vector<std::uint8_t> bytes(1000, 0x55);
  EXPECT_FALSE(platform::ReplaceFileWith(target, bytes, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadWholeFile(target), "old " + target.filename().string());

  // Through an import, or a restore, every picture is replaced or none is.
  WriteBytes(Photos() / "p.jpg", JpegOf(ColourBlocks(50, 40)));
  const Report report = ImportPhotos();
  EXPECT_EQ(report.written, 0);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_THAT(report.failed[0], HasSubstr(target.filename().string()));
  EXPECT_TRUE(OldPicturesStand());
  fs::remove(blocker);
  EXPECT_TRUE(LeftoverTemporaries().empty());

  EXPECT_EQ(ImportPhotos().written, kCatalogueSize);
  EXPECT_EQ(SizeOf(Decoded(target)), (platform::TPhotoSize{50, 40}));
  EXPECT_TRUE(platform::ReplaceFileWith(target, bytes, error)) << error;
  EXPECT_EQ(ReadBytes(target), bytes);
  EXPECT_TRUE(LeftoverTemporaries().empty());
}

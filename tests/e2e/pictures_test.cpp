// quillmor-pictures as a user runs it: the bound it fits photos within, what it says about the
// files it leaves out, and its answers to arguments it cannot use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/jpeg.h"
#include "support/pictures.h"
#include "support/process.h"
#include "support/temp_root.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class PicturesE2E : public ::testing::Test {
protected:
  fs::path Photos() const { return root_.Path() / "photos"; }
  fs::path FirstPicture() const { return root_.DriveC() / "Tavrin" / "Quillmor" / "griztand.jpg"; }

  CapturedOutput Run(std::vector<std::string> arguments,
                     const std::map<std::string, std::string>& environment) {
    arguments.insert(arguments.begin(), QUILLMOR_PICTURES_PATH);
    return RunCaptured(root_.Path(), arguments, environment);
  }

  QSize FirstPictureSize() const {
    const std::string text = ReadWholeFile(FirstPicture());
    const jpeg::Header header = jpeg::ReadHeader(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    return QSize(header.width, header.height);
  }

  TempRoot root_;
};

} // namespace

TEST_F(PicturesE2E, PhotosFitThePrimaryScreenOrTheLongSideGivenAndTheOutputSaysWhich) {
  WriteBytes(Photos() / "wide.jpg", JpegOf(ColourBlocks(2000, 1000)));
  WriteWholeFile(Photos() / "phone.heic", "....ftypheic");
  XvfbServer x(1024, 768);
  const std::map<std::string, std::string> onScreen{{"DISPLAY", x.Display()},
                                                    {"QT_QPA_PLATFORM", ""}};

  CapturedOutput out = Run({"import", Photos().string()}, onScreen);
  EXPECT_EQ(out.code, 0) << out.text;
  EXPECT_THAT(out.text, HasSubstr("Skipped (1):\n  " + (Photos() / "phone.heic").string() +
                                  ": HEIC is not a format this installation reads\n"));
  EXPECT_THAT(out.text, HasSubstr("Wrote 38 pictures to " + FirstPicture().parent_path().string() +
                                  " from 1 photo, fitted to the primary screen's 1024x768 "
                                  "pixels.\n"));
  EXPECT_EQ(FirstPictureSize(), QSize(1024, 512));

  out = Run({"import", "--long-side", "300", Photos().string()}, onScreen);
  EXPECT_EQ(out.code, 0) << out.text;
  EXPECT_THAT(out.text, HasSubstr(" from 1 photo, at most 300 pixels on the long side.\n"));
  EXPECT_EQ(FirstPictureSize(), QSize(300, 150));

  // Without a display there is no screen to fit.
  out = Run({"import", Photos().string()}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  EXPECT_EQ(out.code, 0) << out.text;
  EXPECT_THAT(out.text, HasSubstr("at most 2560 pixels on the long side, as no screen"));
  EXPECT_EQ(FirstPictureSize(), QSize(2000, 1000));
}

TEST_F(PicturesE2E, FoldersWithoutAReadablePhotoSayWhatTheyHoldAndChangeNothing) {
  const std::map<std::string, std::string> headless{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
  fs::create_directories(Photos());
  CapturedOutput out = Run({"import", Photos().string()}, headless);
  EXPECT_EQ(out.code, 1);
  EXPECT_THAT(out.text, HasSubstr("No files found in " + Photos().string() + "."));
  EXPECT_FALSE(fs::exists(FirstPicture()));

  WriteWholeFile(Photos() / "phone.heic", "....ftypheic");
  WriteWholeFile(Photos() / "cut.jpg", std::string("\xFF\xD8\xFF\xE0", 4));
  out = Run({"import", Photos().string()}, headless);
  EXPECT_EQ(out.code, 1);
  EXPECT_THAT(out.text, HasSubstr("Skipped (2):\n"));
  EXPECT_THAT(out.text, HasSubstr("cut.jpg: the file is cut short"));
  EXPECT_THAT(out.text, HasSubstr("No photo could be read. This installation reads "));
  EXPECT_THAT(out.text, HasSubstr("JPEG"));
  EXPECT_THAT(out.text, Not(HasSubstr("Wrote")));
  EXPECT_FALSE(fs::exists(FirstPicture()));

  const CapturedOutput help = Run({"--help"}, headless);
  EXPECT_EQ(help.code, 0);
  EXPECT_THAT(help.text, HasSubstr("--long-side N"));
  EXPECT_THAT(help.text, HasSubstr("This installation reads "));
  // Words that Qt would take for its own options are the program's, not Qt's.
  EXPECT_EQ(Run({"--help", "-platform", "nowhere"}, headless).code, 0);
  for (const char* wrong : {"0", "12abc", "100000"})
    EXPECT_EQ(Run({"import", "--long-side", wrong, Photos().string()}, headless).code, 2) << wrong;
  EXPECT_EQ(Run({"import", Photos().string(), "--long-side"}, headless).code, 2);
}

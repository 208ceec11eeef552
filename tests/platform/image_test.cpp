#include "platform/image.h"

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/testing.h"
#include "support/pictures.h"

namespace {

// A small bitmap whose every pixel has a colour of its own.
TPixels Distinct(int width, int height) {
  TPixels pixels(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.SetPixel(x, y, RGB(40 * x + 20, 50 * y + 10, 200 - 30 * x));
  return pixels;
}

// Nearest neighbour: the source pixel under the centre of each target pixel.
int Nearest(int t, int sourceSize, int targetSize) {
  return int((t + 0.5) * sourceSize / targetSize);
}

void ExpectStretched(const TPixels& shown, TRect at, const TPixels& source) {
  for (int y = 0; y < at.Height; ++y)
    for (int x = 0; x < at.Width; ++x) {
      const TColor want = source.Pixel(Nearest(x, source.Width(), at.Width),
                                       Nearest(y, source.Height(), at.Height));
      ASSERT_EQ(shown.Pixel(at.Left + x, at.Top + y), want) << x << "," << y;
    }
}

bool SamePixels(const TPixels& a, const TPixels& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y))
        return false;
  return true;
}

// Where the source's top-left pixel shows in the grab, found by looking; {-1, -1} when nowhere.
TPoint FindCorner(const TPixels& shown, const TPixels& source) {
  for (int y = 0; y < shown.Height(); ++y)
    for (int x = 0; x < shown.Width(); ++x)
      if (shown.Pixel(x, y) == source.Pixel(0, 0))
        return TPoint{x, y};
  return TPoint{-1, -1};
}

// An image control on a window of its own, on a black ground.
class ImageControl : public ::testing::Test {
protected:
  ImageControl() {
    form.SetColor(clBlack);
    form.SetClientSize(200, 150);
    form.Show();
  }
  TImage& NewImage(TRect bounds) {
    TImage* image = form.Add<TImage>("Image" + std::to_string(++count));
    image->SetBounds(bounds);
    return *image;
  }

  TForm form;
  int count = 0;
};

} // namespace

TEST_F(ImageControl, AutoSizeTakesThePicturesSizeAndKeepsThePlace) {
  TImage& image = NewImage({7, 9, 105, 105});
  image.SetAutoSize(true);
  TJPEGImage jpeg;
  jpeg.LoadFromBytes(JpegOf(ColourBlocks(40, 30)));
  image.Picture().AssignGraphic(&jpeg);
  EXPECT_EQ(image.BoundsRect(), (TRect{7, 9, 40, 30}));

  TJPEGImage empty;
  empty.LoadFromBytes({});
  image.Picture().AssignGraphic(&empty);
  EXPECT_EQ(image.BoundsRect(), (TRect{7, 9, 40, 30}));
  // Not decoded by sizing: the header told the size.
  image.Picture().AssignGraphic(&jpeg);
  EXPECT_FALSE(dynamic_cast<TJPEGImage*>(image.Picture().Graphic())->Decoded());
}

TEST_F(ImageControl, StretchFillsTheWholeRectangleByNearestNeighbour) {
  const TPixels source = Distinct(4, 3);
  TImage& image = NewImage({0, 0, 10, 7});
  image.SetStretch(true);
  TBitmap bitmap(source.Copy());
  image.Picture().AssignGraphic(&bitmap);
  ExpectStretched(platform_test::Grab(image), {0, 0, 10, 7}, source);

  // New bounds give a new rendering, not the old one scaled.
  image.SetBounds(0, 0, 3, 5);
  ExpectStretched(platform_test::Grab(image), {0, 0, 3, 5}, source);
}

TEST_F(ImageControl, UnstretchedPictureSitsAtTheCornerOrInTheMiddle) {
  const TPixels source = Distinct(4, 3);
  TImage& image = NewImage({0, 0, 21, 15});
  TBitmap bitmap(source.Copy());
  image.Picture().AssignGraphic(&bitmap);
  const TPixels atCorner = platform_test::Grab(image);
  ExpectStretched(atCorner, {0, 0, 4, 3}, source);
  EXPECT_EQ(atCorner.Pixel(4, 0), clBlack) << "the rest shows the window's ground";
  EXPECT_EQ(atCorner.Pixel(0, 3), clBlack);

  image.SetCenter(true);
  const TPixels centred = platform_test::Grab(image);
  const TPoint at = FindCorner(centred, source);
  // Equal margins, the odd pixel of an odd difference on the right.
  const int right = 21 - (at.X + 4), bottom = 15 - (at.Y + 3);
  EXPECT_EQ(right - at.X, 1);
  EXPECT_EQ(bottom, at.Y);
  ExpectStretched(centred, {at.X, at.Y, 4, 3}, source);
}

TEST_F(ImageControl, DecodesOnFirstPaintOnlyAndShowsPalettedPictures) {
  ScreenBitsOverride eightBits(8);
  TImage& image = NewImage({0, 0, 100, 20});
  image.SetStretch(true);
  TJPEGImage jpeg;
  jpeg.LoadFromBytes(JpegOf(ColourBlocks(200, 40)));
  image.Picture().AssignGraphic(&jpeg);
  int starts = 0;
  image.Picture().OnProgress = [&](ProgressStage stage, const TRect&) {
    starts += stage == ProgressStage::psStarting;
  };
  EXPECT_EQ(starts, 0);
  const TPixels first = platform_test::Grab(image);
  const TPixels second = platform_test::Grab(image);
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(SamePixels(first, second));
  for (int i = 0; i < 5; ++i) {
    const TPoint at = BlockCentre(i, 100, 20);
    EXPECT_TRUE(Near(first.Pixel(at.X, at.Y), BlockColours()[std::size_t(i)], 12)) << i;
  }
}

TEST_F(ImageControl, PixelsItKeepsGoWhenDoneAndComeBackTheSame) {
  TImage& image = NewImage({0, 0, 90, 30});
  image.SetStretch(true);
  TJPEGImage jpeg;
  jpeg.LoadFromBytes(JpegOf(ColourBlocks(61, 17)));
  image.Picture().AssignGraphic(&jpeg);
  const auto* shown = dynamic_cast<TJPEGImage*>(image.Picture().Graphic());
  const TPixels wide = platform_test::Grab(image);
  EXPECT_FALSE(shown->Decoded()) << "the rendering is all a repaint needs";
  EXPECT_TRUE(SamePixels(platform_test::Grab(image), wide));

  image.SetBounds(0, 0, 45, 30);
  const TPixels narrow = platform_test::Grab(image);
  image.SetBounds(0, 0, 90, 30);
  EXPECT_TRUE(SamePixels(platform_test::Grab(image), wide));
  EXPECT_EQ(narrow.Width(), 45);
  EXPECT_FALSE(shown->Decoded());

  // Once the screen has been still a while the control lets its rendering go too; a paint after
  // that makes the same pixels again.
  EXPECT_TRUE(platform_test::WaitUntil([&] { return image.Rendering().Empty(); }));
  EXPECT_TRUE(SamePixels(platform_test::Grab(image), wide));
  image.ReleaseRendering();
  EXPECT_TRUE(SamePixels(platform_test::Grab(image), wide));
}

namespace {

// A graphic whose decode stops halfway to report progress, the lower half not yet filled in.
class HalfwayGraphic : public TGraphic {
public:
  explicit HalfwayGraphic(TPixels full) : full_(std::move(full)) {}
  int Width() const override { return full_.Width(); }
  int Height() const override { return full_.Height(); }
  bool Empty() const override { return false; }
  void LoadFromBytes(std::vector<std::uint8_t>) override {}
  std::unique_ptr<TGraphic> Clone() const override {
    auto copy = std::make_unique<HalfwayGraphic>(full_.Copy());
    copy->atHalfway = atHalfway;
    return copy;
  }
  const TPixels* Bitmap() override {
    if (!decoding_) {
      decoding_ = true;
      bitmap_ = full_.Copy();
      for (int y = full_.Height() / 2; y < full_.Height(); ++y)
        for (int x = 0; x < full_.Width(); ++x)
          bitmap_.SetPixel(x, y, RGB(255, 0, 255));
      const TRect whole{0, 0, full_.Width(), full_.Height()};
      OnProgress(ProgressStage::psStarting, TRect{});
      OnProgress(ProgressStage::psRunning, TRect{0, 0, full_.Width(), full_.Height() / 2});
      atHalfway();
      bitmap_ = full_.Copy();
      OnProgress(ProgressStage::psEnding, whole);
    }
    return &bitmap_;
  }

  std::function<void()> atHalfway;

private:
  TPixels full_, bitmap_;
  bool decoding_ = false;
};

// A screen for TImage::Paint: every piece drawn is copied in.
struct Screen {
  TPixels pixels;
  Screen(int width, int height) : pixels(width, height, TPixelFormat::pf32bit) {
    pixels.Fill(clBlack);
  }
  TImage::DrawPiece Drawer() {
    return [this](const TRect& target, const TPixels& rendering, TPoint from) {
      for (int y = 0; y < target.Height; ++y)
        std::memcpy(pixels.Row(target.Top + y) + 4 * target.Left,
                    rendering.Row(from.Y + y) + 4 * from.X, std::size_t(target.Width) * 4);
    };
  }
};

} // namespace

TEST_F(ImageControl, IncrementalDisplayPaintsTheRowsDecodedSoFar) {
  const TPixels source = Distinct(4, 4);
  for (bool incremental : {false, true}) {
    TImage& image = NewImage({0, 0, 8, 8});
    image.SetIncrementalDisplay(incremental);
    image.SetStretch(true);
    Screen screen(8, 8);
    HalfwayGraphic graphic(source.Copy());
    graphic.atHalfway = [&] {
      // Only the decoded upper half is on the screen yet, and only when asked for.
      EXPECT_EQ(screen.pixels.Pixel(1, 1), incremental ? source.Pixel(0, 0) : clBlack);
      EXPECT_EQ(screen.pixels.Pixel(1, 6), clBlack);
    };
    image.Picture().AssignGraphic(&graphic);
    image.Paint(TRect{0, 0, 8, 8}, screen.Drawer());
    ExpectStretched(screen.pixels, {0, 0, 8, 8}, source);
  }
}

TEST_F(ImageControl, IncrementalDisplayEndsWithTheSamePicture) {
  const auto bytes = JpegOf(ColourBlocks(333, 101));
  TPixels shown[2];
  for (int incremental = 0; incremental < 2; ++incremental) {
    TImage& image = NewImage({0, 0, 150, 77});
    image.SetIncrementalDisplay(incremental);
    image.SetStretch(true);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    image.Picture().AssignGraphic(&jpeg);
    shown[incremental] = platform_test::Grab(image);
  }
  EXPECT_TRUE(SamePixels(shown[0], shown[1]));
}

TEST_F(ImageControl, FailedPaintEndsInTheGeneralErrorBox) {
  std::vector<MessageBoxRequest> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request);
    return IDOK;
  });
  {
    TImage& image = NewImage({0, 0, 10, 10});
    image.SetStretch(true);
    TJPEGImage empty;
    empty.LoadFromBytes({});
    image.Picture().AssignGraphic(&empty);
    platform_test::Grab(image);
    EXPECT_TRUE(boxes.empty()) << "the box waits until the paint is over";
    EXPECT_TRUE(platform_test::WaitUntil([&] { return !boxes.empty(); }));
    // The failed picture keeps what it has: later paints raise nothing more.
    platform_test::Grab(image);
    // Anything the paint queued runs before work queued after it.
    bool drained = false;
    platform_test::Later([&] { drained = true; });
    EXPECT_TRUE(platform_test::WaitUntil([&] { return drained; }));
  }
  platform_test::SetMessageBoxResponder(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("JPEG error #", 0), 0u) << boxes[0].text;
  EXPECT_EQ(boxes[0].text.back(), '.');
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtError);
  EXPECT_EQ(boxes[0].buttons, TMsgDlgButtons::mbOK);
}

// Until a new picture is drawn the old one may stay on the screen beneath it; once it has failed to
// decode, the backend lets the ground show instead.
TEST_F(ImageControl, APictureIsDrawableUntilItFailsToDecode) {
  std::vector<MessageBoxRequest> boxes;
  platform_test::SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request);
    return IDOK;
  });
  {
    TImage& image = NewImage({0, 0, 100, 40});
    EXPECT_FALSE(image.Drawable()) << "no picture";
    TJPEGImage broken;
    broken.LoadFromBytes(JpegWithAFatalEnd(ColourBlocks(100, 40)));
    image.Picture().AssignGraphic(&broken);
    EXPECT_TRUE(image.Drawable()) << "not yet painted";
    platform_test::Grab(image);
    EXPECT_TRUE(platform_test::WaitUntil([&] { return !boxes.empty(); }));
    EXPECT_FALSE(image.Drawable());
    TJPEGImage good;
    good.LoadFromBytes(JpegOf(ColourBlocks(100, 40)));
    image.Picture().AssignGraphic(&good);
    EXPECT_TRUE(image.Drawable());
    TJPEGImage empty;
    empty.LoadFromBytes({});
    image.Picture().AssignGraphic(&empty);
    EXPECT_FALSE(image.Drawable()) << "an empty picture";
  }
  platform_test::SetMessageBoxResponder(nullptr);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST(StretchRowsTest, StopsAtRowsNotYetDecodedAndReadsNoFurtherThanTheSource) {
  // Widths whose rows are padded and whose rows are not: the last pixel is read with care.
  const TColor magenta = RGB(255, 0, 255);
  for (int width : {3, 4}) {
    const TPixels source = Distinct(width, 2);
    TPixels target(width * 3, 4, TPixelFormat::pf32bit);
    target.Fill(magenta);
    EXPECT_EQ(StretchRows(source, 1, target, 0, 4), 2);
    EXPECT_EQ(target.Pixel(0, 2), magenta);
    EXPECT_EQ(StretchRows(source, 2, target, 2, 4), 4);
    ExpectStretched(target, {0, 0, target.Width(), target.Height()}, source);
  }
}

TEST(StretchRowsTest, EveryFormatGivesTheSamePixelsAtAnySize) {
  for (int width = 1; width <= 9; ++width) {
    const TPixels source = Distinct(width, 3);
    TPixels paletted(width, 3, TPixelFormat::pf8bit);
    TPixels wide(width, 3, TPixelFormat::pf32bit);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < width; ++x) {
        paletted.Palette.push_back(source.Pixel(x, y));
        paletted.Row(y)[x] = std::uint8_t(paletted.Palette.size() - 1);
        wide.SetPixel(x, y, source.Pixel(x, y));
      }
    for (const TPixels* from : std::initializer_list<const TPixels*>{&source, &paletted, &wide})
      for (int targetWidth : {width, 2 * width + 1}) {
        TPixels target(targetWidth, 3, TPixelFormat::pf32bit);
        target.Fill(RGB(255, 0, 255));
        EXPECT_EQ(StretchRows(*from, 3, target, 0, 3), 3);
        ExpectStretched(target, {0, 0, targetWidth, 3}, source);
        // The unused byte is set, as screens that read it as alpha want.
        EXPECT_EQ(target.Row(2)[4 * targetWidth - 1], 0xFF) << width;
      }
  }
}

#include "platform/image.h"

#include <chrono>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "support/pictures.h"

namespace {

// A small bitmap whose every pixel has a colour of its own.
QImage Distinct(int width, int height) {
  QImage image(width, height, QImage::Format_BGR888);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(40 * x + 20, 50 * y + 10, 200 - 30 * x));
  return image;
}

QImage Grab(TImage& image) {
  return image.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Nearest neighbour: the source pixel under the centre of each target pixel.
int Nearest(int t, int sourceSize, int targetSize) {
  return int((t + 0.5) * sourceSize / targetSize);
}

void ExpectStretched(const QImage& shown, QPoint origin, QSize size, const QImage& source) {
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) {
      const QRgb want = source.pixel(Nearest(x, source.width(), size.width()),
                                     Nearest(y, source.height(), size.height()));
      ASSERT_EQ(shown.pixel(origin + QPoint(x, y)), want) << x << "," << y;
    }
}

} // namespace

TEST(ImageControl, AutoSizeTakesThePicturesSizeAndKeepsThePlace) {
  TImage image;
  image.SetBounds(7, 9, 105, 105);
  image.SetAutoSize(true);
  TJPEGImage jpeg;
  jpeg.LoadFromBytes(JpegOf(ColourBlocks(40, 30)));
  image.Picture().AssignGraphic(&jpeg);
  EXPECT_EQ(image.geometry(), QRect(7, 9, 40, 30));

  TJPEGImage empty;
  empty.LoadFromBytes({});
  image.Picture().AssignGraphic(&empty);
  EXPECT_EQ(image.geometry(), QRect(7, 9, 40, 30));
  // Not decoded by sizing: the header told the size.
  image.Picture().AssignGraphic(&jpeg);
  EXPECT_FALSE(dynamic_cast<TJPEGImage*>(image.Picture().Graphic())->Decoded());
}

TEST(ImageControl, StretchFillsTheWholeRectangleByNearestNeighbour) {
  const QImage source = Distinct(4, 3);
  TImage image;
  image.SetStretch(true);
  image.SetBounds(0, 0, 10, 7);
  TBitmap bitmap(source);
  image.Picture().AssignGraphic(&bitmap);
  ExpectStretched(Grab(image), QPoint(0, 0), QSize(10, 7), source);

  // New bounds give a new rendering, not the old one scaled.
  image.SetBounds(0, 0, 3, 5);
  ExpectStretched(Grab(image), QPoint(0, 0), QSize(3, 5), source);
}

TEST(ImageControl, UnstretchedPictureSitsAtTheCornerOrInTheMiddle) {
  const QImage source = Distinct(4, 3);
  TImage image;
  image.SetBounds(0, 0, 20, 15);
  TBitmap bitmap(source);
  image.Picture().AssignGraphic(&bitmap);
  ExpectStretched(Grab(image), QPoint(0, 0), source.size(), source);
  image.SetCenter(true);
  EXPECT_EQ(image.DestRect(), QRect(8, 6, 4, 3));
  ExpectStretched(Grab(image), QPoint(8, 6), source.size(), source);
}

TEST(ImageControl, DecodesOnFirstPaintOnlyAndShowsPalettedPictures) {
  ScreenBitsOverride eightBits(8);
  TImage image;
  image.SetStretch(true);
  image.SetBounds(0, 0, 100, 20);
  TJPEGImage jpeg;
  jpeg.LoadFromBytes(JpegOf(ColourBlocks(200, 40)));
  image.Picture().AssignGraphic(&jpeg);
  int starts = 0;
  image.Picture().OnProgress = [&](ProgressStage stage, const QRect&) {
    starts += stage == ProgressStage::psStarting;
  };
  EXPECT_EQ(starts, 0);
  const QImage first = Grab(image);
  const QImage second = Grab(image);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(first, second);
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(Near(QColor(first.pixel(BlockCentre(i, 100, 20))), BlockColours()[i], 12)) << i;
}

namespace {

// A graphic whose decode stops halfway to report progress, the lower half not yet filled in.
class HalfwayGraphic : public TGraphic {
public:
  explicit HalfwayGraphic(QImage full) : full_(std::move(full)) {}
  int Width() const override { return full_.width(); }
  int Height() const override { return full_.height(); }
  bool Empty() const override { return false; }
  void LoadFromBytes(std::vector<std::uint8_t>) override {}
  std::unique_ptr<TGraphic> Clone() const override {
    auto copy = std::make_unique<HalfwayGraphic>(full_);
    copy->atHalfway = atHalfway;
    return copy;
  }
  const QImage* Bitmap() override {
    if (!decoding_) {
      decoding_ = true;
      bitmap_ = full_.copy();
      for (int y = full_.height() / 2; y < full_.height(); ++y)
        for (int x = 0; x < full_.width(); ++x)
          bitmap_.setPixel(x, y, qRgb(255, 0, 255));
      OnProgress(ProgressStage::psStarting, QRect());
      OnProgress(ProgressStage::psRunning, QRect(0, 0, full_.width(), full_.height() / 2));
      atHalfway();
      bitmap_ = full_;
      OnProgress(ProgressStage::psEnding, full_.rect());
    }
    return &bitmap_;
  }

  std::function<void()> atHalfway;

private:
  QImage full_, bitmap_;
  bool decoding_ = false;
};

} // namespace

TEST(ImageControl, IncrementalDisplayPaintsTheRowsDecodedSoFar) {
  const QImage source = Distinct(4, 4);
  for (bool incremental : {false, true}) {
    TImage image;
    image.SetIncrementalDisplay(incremental);
    image.SetStretch(true);
    image.SetBounds(0, 0, 8, 8);
    QImage screen(8, 8, QImage::Format_RGB32);
    screen.fill(Qt::black);
    HalfwayGraphic graphic(source);
    graphic.atHalfway = [&] {
      // Only the decoded upper half is on the screen yet, and only when asked for.
      EXPECT_EQ(screen.pixel(1, 1), incremental ? source.pixel(0, 0) : qRgb(0, 0, 0));
      EXPECT_EQ(screen.pixel(1, 6), qRgb(0, 0, 0));
    };
    image.Picture().AssignGraphic(&graphic);
    QPainter painter(&screen);
    image.PaintTo(painter, screen.rect());
    painter.end();
    ExpectStretched(screen, QPoint(0, 0), QSize(8, 8), source);
  }
}

TEST(ImageControl, IncrementalDisplayEndsWithTheSamePicture) {
  const auto bytes = JpegOf(ColourBlocks(333, 101));
  QImage shown[2];
  for (int incremental = 0; incremental < 2; ++incremental) {
    TImage image;
    image.SetIncrementalDisplay(incremental);
    image.SetStretch(true);
    image.SetBounds(0, 0, 150, 77);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    image.Picture().AssignGraphic(&jpeg);
    shown[incremental] = Grab(image);
  }
  EXPECT_EQ(shown[0], shown[1]);
}

TEST(ImageControl, FailedPaintEndsInTheGeneralErrorBox) {
  std::vector<MessageBoxRequest> boxes;
  SetMessageBoxResponder([&](const MessageBoxRequest& request) {
    boxes.push_back(request);
    return IDOK;
  });
  {
    TImage image;
    image.SetStretch(true);
    image.SetBounds(0, 0, 10, 10);
    TJPEGImage empty;
    empty.LoadFromBytes({});
    image.Picture().AssignGraphic(&empty);
    Grab(image);
    EXPECT_TRUE(boxes.empty()) << "the box waits until the paint is over";
    const QDeadlineTimer deadline(5000);
    while (boxes.empty() && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // The failed picture keeps what it has: later paints raise nothing more.
    Grab(image);
    QCoreApplication::processEvents();
  }
  SetMessageBoxResponder(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("JPEG error #", 0), 0u) << boxes[0].text;
  EXPECT_EQ(boxes[0].text.back(), '.');
  EXPECT_EQ(boxes[0].icon, TMsgDlgType::mtError);
  EXPECT_EQ(boxes[0].buttons, TMsgDlgButtons::mbOK);
}

TEST(StretchRowsTest, StopsAtRowsNotYetDecodedAndReadsNoFurtherThanTheSource) {
  // Widths whose rows are padded and whose rows are not: the last pixel is read with care.
  for (int width : {3, 4}) {
    const QImage source = Distinct(width, 2);
    QImage target(width * 3, 4, QImage::Format_RGB32);
    target.fill(Qt::magenta);
    EXPECT_EQ(StretchRows(source, 1, target, 0, 4), 2);
    EXPECT_EQ(target.pixel(0, 2), QColor(Qt::magenta).rgb());
    EXPECT_EQ(StretchRows(source, 2, target, 2, 4), 4);
    ExpectStretched(target, QPoint(0, 0), target.size(), source);
  }
}

TEST(StretchRowsTest, ARowAtItsOwnWidthConvertsEveryPixelWhateverTheTail) {
  for (int width = 1; width <= 9; ++width) {
    const QImage source = Distinct(width, 3);
    QImage target(width, 3, QImage::Format_RGB32);
    target.fill(Qt::magenta);
    EXPECT_EQ(StretchRows(source, 3, target, 0, 3), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < width; ++x)
        EXPECT_EQ(target.pixel(x, y), source.pixel(x, y) | 0xFF000000u) << width << ":" << x;
  }
}

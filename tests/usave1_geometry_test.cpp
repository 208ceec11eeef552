#include <gtest/gtest.h>

#include <algorithm>

#include "usave1.h"

namespace {

// Which of the covers hold the point.
int CoversAt(const std::vector<TRect>& covers, TPoint at) {
  int count = 0;
  for (const TRect& cover : covers)
    count += cover.Contains(at) ? 1 : 0;
  return count;
}

// Every pixel of every monitor is covered once when the slideshow does not have it, and not at
// all when it does; no cover reaches off the monitors.
void ExpectEachPixelCoveredOnce(const std::vector<TRect>& monitors, const TRect& primary) {
  const std::vector<TRect> covers = CoverBounds(monitors, primary);
  int left = primary.Left, top = primary.Top, right = primary.Right(), bottom = primary.Bottom();
  for (const TRect& monitor : monitors) {
    left = std::min(left, monitor.Left), top = std::min(top, monitor.Top);
    right = std::max(right, monitor.Right()), bottom = std::max(bottom, monitor.Bottom());
  }
  for (int y = top - 1; y <= bottom; ++y) {
    for (int x = left - 1; x <= right; ++x) {
      const TPoint at{x, y};
      const bool onAMonitor = std::ranges::any_of(
          monitors, [at](const TRect& monitor) { return monitor.Contains(at); });
      const int expected = onAMonitor && !primary.Contains(at) ? 1 : 0;
      ASSERT_EQ(CoversAt(covers, at), expected) << x << "," << y;
    }
  }
}

} // namespace

TEST(Nearest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Nearest(511.5L), 512);
  EXPECT_EQ(Nearest(512.5L), 512);
  EXPECT_EQ(Nearest(233.5L), 234);
  EXPECT_EQ(Nearest(232.5L), 232);
  EXPECT_EQ(Nearest(174.5L), 174);
  EXPECT_EQ(Nearest(-112.0L), -112);
  EXPECT_EQ(Nearest(-0.5L), 0);
  EXPECT_EQ(Nearest(-1.5L), -2);
}

TEST(Tiles, EightHundredBySixHundredLeaveABlackCrossAtTheMiddle) {
  EXPECT_EQ(QuadrantBounds(1, 800, 600), TRect(0, 0, 400, 300));
  EXPECT_EQ(QuadrantBounds(2, 800, 600), TRect(0, 301, 400, 300));
  EXPECT_EQ(QuadrantBounds(3, 800, 600), TRect(401, 0, 400, 300));
  EXPECT_EQ(QuadrantBounds(4, 800, 600), TRect(401, 301, 400, 300));
}

TEST(Tiles, OddScreenSizesRoundHalvesToEven) {
  for (const auto& [w, h] : {std::pair{1024, 768}, {1023, 767}, {1025, 769}}) {
    EXPECT_EQ(QuadrantBounds(1, w, h), TRect(0, 0, 512, 384)) << w;
    EXPECT_EQ(QuadrantBounds(2, w, h), TRect(0, 385, 512, 384)) << w;
    EXPECT_EQ(QuadrantBounds(3, w, h), TRect(513, 0, 512, 384)) << w;
    EXPECT_EQ(QuadrantBounds(4, w, h), TRect(513, 385, 512, 384)) << w;
  }
}

TEST(DefaultSize, PicturesAreCentredOnEightHundredBySixHundred) {
  EXPECT_EQ(CenteredPosition(800, 600, 640, 480), TPoint(80, 60));
  EXPECT_EQ(CenteredPosition(800, 600, 333, 250), TPoint(234, 175));
  EXPECT_EQ(CenteredPosition(800, 600, 335, 251), TPoint(232, 174));
  EXPECT_EQ(CenteredPosition(800, 600, 72, 65), TPoint(364, 268));
  EXPECT_EQ(CenteredPosition(800, 600, 1024, 768), TPoint(-112, -84));
}

TEST(Covers, EveryMonitorButThePrimaryIsCoveredWholeWhereverThePrimaryIs) {
  const TRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 1024), above(0, -768, 1024, 768);
  EXPECT_TRUE(CoverBounds({left}, left).empty());
  EXPECT_EQ(CoverBounds({left, right}, left), (std::vector<TRect>{right}));
  EXPECT_EQ(CoverBounds({left, right}, right), (std::vector<TRect>{left}));
  EXPECT_EQ(CoverBounds({above, left, right}, left), (std::vector<TRect>{above, right}));
}

TEST(Covers, MirroredMonitorsNeedNoCoverOfTheirOwn) {
  const TRect primary(0, 0, 1024, 768), other(1024, 0, 800, 600);
  EXPECT_TRUE(CoverBounds({primary, primary}, primary).empty());
  EXPECT_EQ(CoverBounds({primary, other, other}, primary), (std::vector<TRect>{other}));
}

TEST(Covers, AnOverlappingMonitorIsCoveredOnlyWhereTheSlideshowIsNot) {
  // Small monitors, so that every pixel can be looked at.
  const TRect primary{0, 0, 64, 48};
  ExpectEachPixelCoveredOnce({primary, {54, 20, 50, 30}}, primary);  // overlaps one corner
  ExpectEachPixelCoveredOnce({primary, {10, 10, 20, 20}}, primary);  // lies within
  ExpectEachPixelCoveredOnce({primary, {-8, -8, 80, 64}}, primary);  // holds the primary
  ExpectEachPixelCoveredOnce({primary, {20, -10, 10, 70}}, primary); // crosses it
}

TEST(Covers, MonitorsThatOverlapEachOtherAreCoveredOnce) {
  const TRect primary{0, 0, 64, 48}, first{64, 0, 40, 40}, second{80, 20, 40, 40};
  ExpectEachPixelCoveredOnce({primary, first, second}, primary);
  ExpectEachPixelCoveredOnce({second, first, primary}, primary);
  // The primary area need not be a monitor of its own.
  ExpectEachPixelCoveredOnce({{-20, 0, 50, 48}, {30, 0, 50, 48}}, primary);
}

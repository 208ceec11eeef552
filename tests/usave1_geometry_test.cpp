#include <gtest/gtest.h>

#include <QRegion>

#include "usave1.h"

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
  EXPECT_EQ(QuadrantBounds(1, 800, 600), QRect(0, 0, 400, 300));
  EXPECT_EQ(QuadrantBounds(2, 800, 600), QRect(0, 301, 400, 300));
  EXPECT_EQ(QuadrantBounds(3, 800, 600), QRect(401, 0, 400, 300));
  EXPECT_EQ(QuadrantBounds(4, 800, 600), QRect(401, 301, 400, 300));
}

TEST(Tiles, OddScreenSizesRoundHalvesToEven) {
  for (const auto& [w, h] : {std::pair{1024, 768}, {1023, 767}, {1025, 769}}) {
    EXPECT_EQ(QuadrantBounds(1, w, h), QRect(0, 0, 512, 384)) << w;
    EXPECT_EQ(QuadrantBounds(2, w, h), QRect(0, 385, 512, 384)) << w;
    EXPECT_EQ(QuadrantBounds(3, w, h), QRect(513, 0, 512, 384)) << w;
    EXPECT_EQ(QuadrantBounds(4, w, h), QRect(513, 385, 512, 384)) << w;
  }
}

TEST(DefaultSize, PicturesAreCentredOnEightHundredBySixHundred) {
  EXPECT_EQ(CenteredPosition(800, 600, 640, 480), QPoint(80, 60));
  EXPECT_EQ(CenteredPosition(800, 600, 333, 250), QPoint(234, 175));
  EXPECT_EQ(CenteredPosition(800, 600, 335, 251), QPoint(232, 174));
  EXPECT_EQ(CenteredPosition(800, 600, 72, 65), QPoint(364, 268));
  EXPECT_EQ(CenteredPosition(800, 600, 1024, 768), QPoint(-112, -84));
}

TEST(Covers, EveryMonitorButThePrimaryIsCoveredWholeWhereverThePrimaryIs) {
  const QRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 1024), above(0, -768, 1024, 768);
  EXPECT_TRUE(CoverBounds({left}, left).empty());
  EXPECT_EQ(CoverBounds({left, right}, left), (std::vector<QRect>{right}));
  EXPECT_EQ(CoverBounds({left, right}, right), (std::vector<QRect>{left}));
  EXPECT_EQ(CoverBounds({above, left, right}, left), (std::vector<QRect>{above, right}));
}

TEST(Covers, MirroredMonitorsNeedNoCoverOfTheirOwn) {
  const QRect primary(0, 0, 1024, 768), other(1024, 0, 800, 600);
  EXPECT_TRUE(CoverBounds({primary, primary}, primary).empty());
  EXPECT_EQ(CoverBounds({primary, other, other}, primary), (std::vector<QRect>{other}));
}

TEST(Covers, AnOverlappingMonitorIsCoveredOnlyWhereTheSlideshowIsNot) {
  const QRect primary(0, 0, 1024, 768), overlapping(924, 200, 800, 600);
  const std::vector<QRect> covers = CoverBounds({primary, overlapping}, primary);
  QRegion covered;
  for (const QRect& cover : covers) {
    EXPECT_FALSE(cover.intersects(primary)) << cover.x() << "," << cover.y();
    EXPECT_FALSE(covered.intersects(cover)) << cover.x() << "," << cover.y();
    covered += cover;
  }
  EXPECT_EQ(covered, QRegion(overlapping).subtracted(primary));
}

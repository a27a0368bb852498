// The progress screen's arithmetic: the total percent, the file name shown and the wedges
// over the ring.
#include "install/progress_figures.h"

#include <gtest/gtest.h>

using namespace mvt::install;

namespace {

TEST(TotalPercent, WorkedExampleRoundsHalvesToEven) {
    EXPECT_EQ(TotalPercent(8, 50, 200, 800), 26);  // 25.5 -> 26
    EXPECT_EQ(TotalPercent(8, 100, 200, 800), 26);
    EXPECT_EQ(TotalPercent(8, 50, 192, 800), 24);  // 24.5 -> 24
    EXPECT_EQ(TotalPercent(0, 101, 400, 800), 50) << "end of a batch: what is done alone";
}

TEST(TotalPercent, ClampsAtOneHundredOnlyAbove) {
    EXPECT_EQ(TotalPercent(4000000000u, 100, 1e10, 1e9), 100);
    EXPECT_EQ(TotalPercent(0, 0, 999, 1000), 100);  // 99.9 rounds up
    EXPECT_EQ(TotalPercent(0, 0, 994, 1000), 99);
    // TotalSize is unsigned: above 2^31 it must not turn negative.
    EXPECT_EQ(TotalPercent(3000000000u, 50, 0, 6e9), 25);
}

TEST(ShownFileName, LastPartLowerCasedAndNothingForTheDirectory) {
    EXPECT_EQ(ShownFileName("*Loading Directory"), "");
    EXPECT_EQ(ShownFileName("*loading directory"), "*loading directory") << "exact match only";
    EXPECT_EQ(ShownFileName("Data\\Area01.BIF"), "area01.bif");
    EXPECT_EQ(ShownFileName("C:Readme.TXT"), "readme.txt");
    EXPECT_EQ(ShownFileName("Сохранения\\Начало.GAM"), "Начало.gam");
    EXPECT_EQ(ShownFileName(""), "");
}

TEST(RingCover, WedgesMeetAtTheTopAndLeaveTheLowerPart) {
    RingCover half = RingCoverFor(50, 331, 330);
    ASSERT_FALSE(half.whole);
    // a = 0: from the right end of the horizontal diameter to the top, then to the left end.
    EXPECT_EQ(half.first.x1, 331);
    EXPECT_EQ(half.first.y1, 165);
    EXPECT_EQ(half.first.x2, 166) << "165.5 rounds to the even 166";
    EXPECT_EQ(half.first.y2, 0);
    EXPECT_EQ(half.second.x2, 0);
    EXPECT_EQ(half.second.y2, 165);

    RingCover quarter = RingCoverFor(25, 331, 330);  // a = -45 degrees: below the diameter
    EXPECT_GT(quarter.first.y1, 165);
    EXPECT_EQ(quarter.first.x1 + quarter.second.x2, 331) << "symmetric about the vertical";

    EXPECT_FALSE(RingCoverFor(99, 331, 330).whole);
    EXPECT_TRUE(RingCoverFor(99.9, 331, 330).whole);
    EXPECT_TRUE(RingCoverFor(100, 331, 330).whole);
}

TEST(NearestEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(NearestEven(0.5L), 0);
    EXPECT_EQ(NearestEven(1.5L), 2);
    EXPECT_EQ(NearestEven(2.5L), 2);
    EXPECT_EQ(NearestEven(-1.5L), -2);
    EXPECT_EQ(NearestEven(2.4999L), 2);
}

}  // namespace

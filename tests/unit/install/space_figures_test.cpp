#include "install/space_figures.h"

#include "framework/numbers.h"

#include <gtest/gtest.h>

using namespace mvt::install;
using mvt::ParseNumber;

namespace {

TEST(SpaceTest, GigabytesAreCutNeverRoundedUp) {
    EXPECT_EQ(NumberText(GigabyteFigure(1073741823.0), ','), "0,99");  // one byte short of 1 Gb
    EXPECT_EQ(NumberText(GigabyteFigure(1073741824.0), ','), "1");
    EXPECT_EQ(NumberText(GigabyteFigure(10737418240.0), ','), "10");
    EXPECT_EQ(NumberText(GigabyteFigure(9.9999 * 1073741824.0), ','), "9,99");
    EXPECT_EQ(NumberText(GigabyteFigure(0.5 * 1073741824.0), '.'), "0.5");
    EXPECT_EQ(NumberText(GigabyteFigure(-1), ','), "0") << "an unknown drive shows 0, not -0";
}

// A size beyond any whole number of 64 bits is still cut, not wrapped to a negative figure
// that would let Next through.
TEST(SpaceTest, HugeSizesAreCutWithoutOverflow) {
    const double figure = GigabyteFigure(1e30);
    EXPECT_GT(figure, 9.3e20);
    EXPECT_LT(figure, 9.32e20);
    EXPECT_FALSE(EnoughSpace(GigabyteFigure(1e15), figure));
    EXPECT_EQ(NumberText(GigabyteFigure(-1e30), ','), NumberText(-figure, ','));
}

TEST(SpaceTest, NumberTextIsTheShortestGeneralForm) {
    EXPECT_EQ(NumberText(931 * 0.01, ','), "9,31");
    EXPECT_EQ(NumberText(123456 * 0.01, ','), "1234,56") << "no digit grouping";
    EXPECT_EQ(NumberText(1000, ','), "1000");
}

TEST(SpaceTest, RequiredSizeFallsBackToTenGigabytes) {
    EXPECT_EQ(RequiredBytes(std::nullopt), 10737418240.0);
    EXPECT_EQ(RequiredBytes(0.0), 10737418240.0);
    EXPECT_EQ(RequiredBytes(5.0), 5.0);
    EXPECT_EQ(ParseNumber("", ','), std::nullopt);
    EXPECT_EQ(ParseNumber("abc", ','), std::nullopt);
    EXPECT_EQ(ParseNumber("12.5", ','), std::nullopt)
        << "a point is no separator under a comma locale";
    EXPECT_EQ(ParseNumber(" 12,5 ", ','), 12.5);
    EXPECT_EQ(ParseNumber("12.5", '.'), 12.5);
    EXPECT_EQ(ParseNumber("1E10", ','), 1e10);
    EXPECT_EQ(ParseNumber("1e999", ','), std::nullopt);
}

TEST(SpaceTest, NextNeedsATenthOfAGigabyteMoreThanRequired) {
    EXPECT_FALSE(EnoughSpace(1005 * 0.01, 1000 * 0.01));  // 10,05 against 10
    EXPECT_TRUE(EnoughSpace(1020 * 0.01, 1000 * 0.01));   // 10,2 against 10
    EXPECT_FALSE(EnoughSpace(1010 * 0.01, 1000 * 0.01));  // 10,1 against 10: the doubles fall short
    EXPECT_TRUE(EnoughSpace(2010 * 0.01, 2000 * 0.01));   // 20,1 against 20 does not
    EXPECT_FALSE(EnoughSpace(0, 1000 * 0.01));
}

}  // namespace

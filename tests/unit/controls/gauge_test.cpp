#include "controls/gauge.h"

#include <gtest/gtest.h>

#include "framework/forms.h"

using namespace mvt;

namespace {

class GaugeTest : public ::testing::Test {
  protected:
    TComponent owner{nullptr};
    TGauge* gauge = owner.Make<TGauge>();
};

constexpr COLORREF kBack = RGB(49, 49, 49);
constexpr COLORREF kFore = RGB(0, 128, 255);

TEST_F(GaugeTest, SplashBarAtHalfFillsColumnsFromOneIncludingBottomFrameRow) {
    gauge->SetBounds(141, 288, 223, 5);
    gauge->SetBackColor(0x313131);
    gauge->SetForeColor(0xFF8000);
    gauge->SetShowText(false);
    gauge->SetProgress(50);
    TBitmap image;
    gauge->PaintTo(image);

    for (int x = 0; x < 223; ++x) EXPECT_EQ(image.Pixel(x, 0), RGB(0, 0, 0)) << "top frame " << x;
    for (int y = 0; y < 5; ++y) EXPECT_EQ(image.Pixel(0, y), RGB(0, 0, 0)) << "left frame " << y;
    for (int y = 1; y <= 4; ++y) {
        for (int x = 1; x <= 111; ++x) ASSERT_EQ(image.Pixel(x, y), kFore) << x << "," << y;
        EXPECT_NE(image.Pixel(112, y), kFore) << "bar is 111 columns wide, row " << y;
    }
    for (int y = 1; y <= 3; ++y)
        for (int x = 112; x <= 221; ++x) ASSERT_EQ(image.Pixel(x, y), kBack) << x << "," << y;
    // The rest of the bottom row and the right column stay frame.
    EXPECT_EQ(image.Pixel(150, 4), RGB(0, 0, 0));
    EXPECT_EQ(image.Pixel(222, 2), RGB(0, 0, 0));
}

TEST_F(GaugeTest, FullBarCoversRightFrameColumnAndEmptyBarDrawsNothing) {
    gauge->SetBounds(0, 0, 20, 5);
    gauge->SetShowText(false);
    gauge->SetForeColor(0x0000FF);
    TBitmap image;
    gauge->PaintTo(image);
    EXPECT_EQ(image.Pixel(1, 1), RGB(255, 255, 255));
    gauge->SetProgress(100);
    gauge->PaintTo(image);
    EXPECT_EQ(image.Pixel(19, 2), RGB(255, 0, 0));
    EXPECT_EQ(image.Pixel(1, 4), RGB(255, 0, 0));
}

TEST_F(GaugeTest, ProgressIsClampedToTheRange) {
    gauge->SetProgress(150);
    EXPECT_EQ(gauge->Progress(), 100);
    gauge->SetProgress(-5);
    EXPECT_EQ(gauge->Progress(), 0);
    gauge->SetMinValue(10);
    EXPECT_EQ(gauge->Progress(), 10);
}

TEST_F(GaugeTest, EqualLimitsGiveZeroPercent) {
    gauge->SetMaxValue(0);
    gauge->SetProgress(0);
    EXPECT_EQ(gauge->PercentDone(), 0);
}

TEST_F(GaugeTest, PercentTruncatesTowardZero) {
    gauge->SetMaxValue(1000);
    gauge->SetProgress(9);
    EXPECT_EQ(gauge->PercentDone(), 0);
    gauge->SetProgress(10);
    EXPECT_EQ(gauge->PercentDone(), 1);
    gauge->SetProgress(999);
    EXPECT_EQ(gauge->PercentDone(), 99);
}

TEST_F(GaugeTest, RangeViolationsRaiseTheExactMessageAndKeepTheOldValues) {
    try {
        gauge->SetMaxValue(-1);
        FAIL() << "no exception";
    } catch (const EInvalidOperation& error) {
        EXPECT_STREQ(error.what(), "Value must be between 1 and 2147483647");
    }
    EXPECT_EQ(gauge->MaxValue(), 100);
    try {
        gauge->SetMinValue(101);
        FAIL() << "no exception";
    } catch (const EInvalidOperation& error) {
        EXPECT_STREQ(error.what(), "Value must be between -2147483647 and 99");
    }
    EXPECT_EQ(gauge->MinValue(), 0);
    gauge->SetLoading(true);
    gauge->SetMinValue(200);  // allowed while loading stored settings
    EXPECT_EQ(gauge->MinValue(), 200);
}

TEST_F(GaugeTest, PieAtZeroShowsOnlyTheOutlinedEllipse) {
    gauge->SetKind(TGaugeKind::gkPie);
    gauge->SetBounds(0, 0, 41, 41);
    gauge->SetShowText(false);
    gauge->SetForeColor(0x0000FF);
    gauge->SetBackColor(0x00FF00);
    TBitmap image;
    gauge->PaintTo(image);
    EXPECT_EQ(image.Pixel(20, 10), RGB(0, 255, 0));  // inside: BackColor
    EXPECT_EQ(image.Pixel(20, 1), RGB(255, 0, 0));   // outline: ForeColor
    gauge->SetProgress(25);                          // a quarter: the upper right wedge
    gauge->PaintTo(image);
    EXPECT_EQ(image.Pixel(28, 12), RGB(255, 0, 0));
    EXPECT_EQ(image.Pixel(12, 12), RGB(0, 255, 0));
    EXPECT_EQ(image.Pixel(28, 28), RGB(0, 255, 0));
}

TEST_F(GaugeTest, TextIsDrawnInvertedOverTheBar) {
    gauge->SetBounds(0, 0, 100, 30);
    gauge->SetProgress(0);
    TBitmap image;
    gauge->PaintTo(image);
    // White background with black text (white XOR white) somewhere in the middle.
    bool dark = false;
    for (int x = 30; x < 70; ++x)
        for (int y = 5; y < 25; ++y) dark |= image.Pixel(x, y) == RGB(0, 0, 0);
    EXPECT_TRUE(dark);
}

}  // namespace

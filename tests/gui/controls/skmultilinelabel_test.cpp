// The multi-line label: caption from its lines, resize notification, drawing.
#include "controls/skmultilinelabel.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/forms.h"
#include "test_bitmaps.h"

namespace mvt {
namespace {

TStringList ListOf(std::initializer_list<const char*> lines) {
    TStringList list;
    for (const char* line : lines) list.Add(line);
    return list;
}

TEST(JoinLinesForCaption, JoinsWithCrLfAndStripsEveryTrailingBreak) {
    EXPECT_EQ(JoinLinesForCaption(ListOf({})), "");
    EXPECT_EQ(JoinLinesForCaption(ListOf({"X", "", ""})), "X");
    EXPECT_EQ(JoinLinesForCaption(ListOf({"A", "B", ""})), "A\r\nB");
    EXPECT_EQ(JoinLinesForCaption(ListOf({"", "A"})), "\r\nA");
    EXPECT_EQ(JoinLinesForCaption(ListOf({"", "", ""})), "");
    // A lone CR or LF at the end is no CR LF pair and stays.
    EXPECT_EQ(JoinLinesForCaption(ListOf({"A\r"})), "A\r");
    EXPECT_EQ(JoinLinesForCaption(ListOf({"A\n", ""})), "A\n");
}

class LabelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stage_ = test::MakeStage(RGB(255, 255, 255));
        label_ = stage_->Make<TSkMultilineLabel>();
        label_->SetParent(stage_.get());
        label_->SetAutoSize(false);
        label_->SetBounds(10, 10, 200, 150);
        label_->OnResize = [this](TObject* sender) {
            EXPECT_EQ(sender, label_);
            resizes_.push_back(label_->BoundsRect());
        };
        test::Pump();
    }
    void TearDown() override {
        stage_.reset();
        test::Pump();
    }

    std::unique_ptr<TWinControl> stage_;
    TSkMultilineLabel* label_ = nullptr;
    std::vector<RECT> resizes_;
};

TEST_F(LabelTest, CaptionFollowsEveryChangeOfTheLines) {
    EXPECT_EQ(label_->Caption(), "");
    TStringList seven = ListOf({"1", "2", "3", "4", "5", "6", "7"});
    label_->SetLines(seven);
    EXPECT_EQ(label_->Caption(), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7");
    seven.Add("8");
    EXPECT_EQ(label_->Lines().Count(), 7) << "the label keeps its own copy";
    label_->SetLine(5, "six");
    EXPECT_EQ(label_->Caption(), "1\r\n2\r\n3\r\n4\r\n5\r\nsix\r\n7");
    label_->SetLines(label_->Lines());
    EXPECT_EQ(label_->Lines().Count(), 7) << "assigning its own list changes nothing";
    EXPECT_THROW(label_->SetLine(7, "x"), EInvalidOperation);
    label_->SetLinesText("X\r\n\r\n\r\n");
    EXPECT_EQ(label_->Lines().Count(), 3);
    EXPECT_EQ(label_->Caption(), "X");
    label_->AddLine("Y");
    EXPECT_EQ(label_->Caption(), "X\r\n\r\n\r\nY");
    label_->ClearLines();
    EXPECT_EQ(label_->Caption(), "");
}

TEST_F(LabelTest, OnResizeOnEveryBoundsChangeAlsoWithoutChange) {
    resizes_.clear();
    label_->SetTop(label_->Top() - 42);
    label_->SetTop(label_->Top() - 42);
    ASSERT_EQ(resizes_.size(), 2u);
    EXPECT_EQ(resizes_[1].top, 10 - 84) << "fired after the new bounds are applied";
    label_->SetBounds(label_->Left(), label_->Top(), label_->Width(), label_->Height());
    EXPECT_EQ(resizes_.size(), 3u);
    label_->SetWidth(120);
    EXPECT_EQ(resizes_.size(), 4u);
}

TEST_F(LabelTest, AutoSizeResizeReportsToo) {
    label_->SetAutoSize(true);
    resizes_.clear();
    label_->SetLines(ListOf({"one", "two", "three"}));
    EXPECT_FALSE(resizes_.empty());
    EXPECT_GT(label_->Height(), 0);
}

TEST_F(LabelTest, TransparentLabelDrawsTextOnlyAndHidesTheAmpersand) {
    label_->SetTransparent(true);
    label_->Font().SetColor(RGB(0, 0, 0));
    label_->Font().SetHeight(-16);
    label_->SetLines(ListOf({"A & B"}));
    TBitmap withAmpersand;
    withAmpersand.SetSize(200, 150);
    stage_->PaintBackgroundBehind(label_, withAmpersand.Canvas().Handle());
    // PaintBackgroundBehind paints what lies under the label, not the label: paint the
    // label itself on top, as the form's paint pass does.
    {
        TCanvas canvas(withAmpersand.Canvas().Handle());
        label_->Paint(canvas);
    }
    GdiFlush();
    int dark = 0;
    bool whiteRemains = false;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            if (withAmpersand.Pixel(x, y) == RGB(0, 0, 0)) ++dark;
            if (withAmpersand.Pixel(x, y) == RGB(255, 255, 255)) whiteRemains = true;
        }
    EXPECT_GT(dark, 10);
    EXPECT_TRUE(whiteRemains) << "the form shows through a transparent label";

    // Without the accelerator meaning the ampersand is drawn: more dark pixels.
    label_->SetShowAccelChar(false);
    TBitmap plain;
    plain.SetSize(200, 150);
    stage_->PaintBackgroundBehind(label_, plain.Canvas().Handle());
    {
        TCanvas canvas(plain.Canvas().Handle());
        label_->Paint(canvas);
    }
    GdiFlush();
    int plainDark = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            if (plain.Pixel(x, y) == RGB(0, 0, 0)) ++plainDark;
    EXPECT_NE(plainDark, dark);
}

}  // namespace
}  // namespace mvt

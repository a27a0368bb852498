// The animator in a real window: frame order and timing from its timer, frame-change
// events, and image lists that are empty or go away.
#include <gtest/gtest.h>

#include <chrono>

#include "controls/animator.h"
#include "framework/forms.h"

using namespace mvt;

namespace {

// A 32-bit BMP of one colour whose fourth byte is the mask, with a transparent left half.
std::vector<uint8_t> MaskedBmp(int width, int height, uint8_t blue) {
    auto put32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    std::vector<uint8_t> b{'B', 'M'};
    put32(b, 54 + width * height * 4);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, width);
    put32(b, height);
    b.insert(b.end(), {1, 0, 32, 0});
    for (int i = 0; i < 6; ++i) put32(b, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.insert(b.end(), x < width / 2 ? std::initializer_list<uint8_t>{0, 0, 0, 0}
                                            : std::initializer_list<uint8_t>{blue, 0, 0, 255});
    return b;
}

class AnimatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form = Application().Make<TForm>();
        form->SetClientSize(200, 100);
        form->SetColor(RGB(0, 128, 0));
        list = form->Make<TImageList>(20, 10);
        for (uint8_t blue : {50, 100, 150, 200, 250}) list->AddMasked(MaskedBmp(20, 10, blue));
        animator = CreateChild<TSkAnimator>(form, form, 10, 10, 50, 50);
        animator->SetAnimate(false);
        animator->SetTransparent(true);
        animator->OnFrameChange = [this](TObject*, int frame) { frames.push_back(frame); };
        form->Show();
        Application().ProcessMessages();
    }
    void TearDown() override { Application().FreeComponent(form); }
    COLORREF Pixel(int x, int y) {
        HDC dc = GetDC(animator->Handle());
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(animator->Handle(), dc);
        return colour;
    }

    TForm* form = nullptr;
    TImageList* list = nullptr;
    TSkAnimator* animator = nullptr;
    std::vector<int> frames;
};

TEST_F(AnimatorTest, TakesTheListsSizeAndDrawsMaskedFramesOverTheParent) {
    animator->SetImageList(list);
    EXPECT_EQ(animator->Width(), 20);
    EXPECT_EQ(animator->Height(), 10);
    animator->SetBounds(10, 10, 60, 60);
    EXPECT_EQ(animator->Width(), 20) << "resized away from its frames";
    animator->SetImageIndex(3);
    animator->TimerTick();
    EXPECT_EQ(Pixel(15, 5), RGB(0, 0, 200));
    EXPECT_EQ(Pixel(2, 5), RGB(0, 128, 0)) << "a masked pixel shows the parent";
}

TEST_F(AnimatorTest, FramesFollowTheTimerWithTheRepeatPauseAfterTheLast) {
    animator->SetImageList(list);
    animator->SetImageIndex(2);
    animator->SetDelay(60);
    animator->SetDelayUntilRepeat(300);
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> at;
    animator->OnFrameChange = [&](TObject*, int frame) {
        frames.push_back(frame);
        at.push_back(Clock::now());
    };
    animator->SetAnimate(true);
    const auto end = Clock::now() + std::chrono::milliseconds(1500);
    while (Clock::now() < end && frames.size() < 6) {
        Application().ProcessMessages();
        Sleep(5);
    }
    animator->SetAnimate(false);
    ASSERT_GE(frames.size(), 6u);
    EXPECT_EQ(std::vector<int>(frames.begin(), frames.begin() + 6),
              (std::vector<int>{2, 3, 4, 0, 1, 2}));
    // The pause before frame 0 is the repeat delay, longer than the others.
    EXPECT_GT(at[3] - at[2], at[2] - at[1]);
}

TEST_F(AnimatorTest, EmptyListDrawsNothingAndKeepsTheIndexLow) {
    TImageList empty(nullptr, 20, 10);
    animator->SetImageList(&empty);
    for (int tick = 0; tick < 5; ++tick) {
        animator->TimerTick();
        EXPECT_LE(animator->ImageIndex(), 1);
    }
    EXPECT_EQ(frames, std::vector<int>{0}) << "the empty frame 0 counts as painted once";
    EXPECT_EQ(animator->ImageIndex(), 1);
    animator->SetImageList(nullptr);
}

TEST_F(AnimatorTest, ListThatGoesAwayIsForgotten) {
    {
        TImageList shortLived(nullptr, 20, 10);
        shortLived.AddMasked(MaskedBmp(20, 10, 90));
        animator->SetImageList(&shortLived);
        animator->TimerTick();
    }
    EXPECT_EQ(animator->ImageList(), nullptr);
    animator->TimerTick();  // does nothing, and must not touch the freed list
    animator->Repaint();
}

TEST_F(AnimatorTest, IndexBeyondTheLastStartsAgainAtZero) {
    animator->SetImageList(list);
    animator->SetImageIndex(9);
    animator->TimerTick();
    EXPECT_EQ(frames, std::vector<int>{0});
    EXPECT_EQ(animator->ImageIndex(), 1);
}

}  // namespace

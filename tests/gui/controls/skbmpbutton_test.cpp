// The bitmap button in a real form, driven by posted window messages.
#include "controls/skbmpbutton.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "test_bitmaps.h"

namespace mvt {
namespace {

using test::Block;
using test::LimeCorners;
using test::MakeBmp16;
using test::MakeBmp24;
using test::Pump;

constexpr COLORREF kUpColor = RGB(0, 0, 200), kDownColor = RGB(0, 120, 0),
                   kDisabledColor = RGB(128, 0, 128), kHotColor = RGB(200, 200, 0),
                   kStayDownColor = RGB(0, 160, 160);
constexpr int kFormWidth = test::kStageWidth, kFormHeight = test::kStageHeight;

// The backdrop picture: every pixel differs from its neighbours, so a pixel read through a
// transparent corner tells exactly which place of the parent's picture shows there.
COLORREF BackdropPixel(int x, int y) {
    return RGB(x % 251, y % 199, 90);
}

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

class ButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stage_ = test::MakeStage(RGB(220, 30, 30));
        backdrop_ = stage_->Make<TImage>();
        backdrop_->SetParent(stage_.get());
        backdrop_->SetBounds(0, 0, kFormWidth, kFormHeight);
        auto picture = MakeBmp24(kFormWidth, kFormHeight, BackdropPixel);
        backdrop_->Picture().LoadFromBytes(picture.data(), picture.size());
        Pump();
    }
    void TearDown() override {
        stage_.reset();
        Pump();
    }

    TSkBmpButton* NewButton() {
        auto* button = stage_->Make<TSkBmpButton>();
        button->SetParent(stage_.get());
        return button;
    }

    // A borderless button sized to its 40 x 20 Up picture, with a Down picture.
    TSkBmpButton* AddButton(int left, int top, bool sixteenBit = false) {
        auto* button = NewButton();
        button->SetBounds(left, top, 80, 30);
        auto make = sixteenBit ? MakeBmp16 : MakeBmp24;
        auto up = make(40, 20, LimeCorners(40, 20, kUpColor));
        auto down = make(40, 20, LimeCorners(40, 20, kDownColor));
        button->Bitmaps().SetTransparentColor(clLime);
        button->Bitmaps().LoadImage(TButtonImage::Up, up.data(), up.size());
        button->Bitmaps().LoadImage(TButtonImage::Down, down.data(), down.size());
        button->OnClick = [this](TObject* sender) { clicks_.push_back(sender); };
        Pump();
        return button;
    }

    // The face as the button paints it (its own paint path into a memory bitmap).
    static std::unique_ptr<TBitmap> Face(TSkBmpButton& button) {
        auto face = std::make_unique<TBitmap>();
        face->SetSize(button.Width(), button.Height());
        SendMessageA(button.Handle(), WM_PRINTCLIENT,
                     reinterpret_cast<WPARAM>(face->Canvas().Handle()), PRF_CLIENT);
        GdiFlush();
        return face;
    }
    static COLORREF Centre(TSkBmpButton& button) {
        return Face(button)->Pixel(button.Width() / 2, button.Height() / 2);
    }

    static void Post(TSkBmpButton& button, UINT message, WPARAM wParam, LPARAM lParam) {
        PostMessageA(button.Handle(), message, wParam, lParam);
        Pump();
    }
    static void Press(TSkBmpButton& b, int x = 5, int y = 5) {
        Post(b, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    }
    static void MoveHeld(TSkBmpButton& b, int x, int y) {
        Post(b, WM_MOUSEMOVE, MK_LBUTTON, Point(x, y));
    }
    static void Release(TSkBmpButton& b, int x = 5, int y = 5) {
        Post(b, WM_LBUTTONUP, 0, Point(x, y));
    }
    static void ClickAt(TSkBmpButton& b) {
        Press(b);
        Release(b);
    }
    static void Key(TSkBmpButton& b, UINT message, WORD key) {
        Post(b, message, key, message == WM_KEYUP ? 0xC0000001 : 1);
    }

    std::unique_ptr<TWinControl> stage_;
    TImage* backdrop_ = nullptr;
    std::vector<TObject*> clicks_;
};

// ---- Plain push button ---------------------------------------------------------------

TEST_F(ButtonTest, PressShowsDownAndReleaseInsideClicksOnce) {
    TSkBmpButton& b = *AddButton(20, 20);
    EXPECT_EQ(Centre(b), kUpColor);
    Press(b);
    EXPECT_TRUE(b.Pressing());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsDown);
    EXPECT_EQ(Centre(b), kDownColor);
    EXPECT_TRUE(clicks_.empty()) << "no click before the release";
    Release(b);
    EXPECT_FALSE(b.Pressing());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
    EXPECT_EQ(Centre(b), kUpColor);
    ASSERT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(clicks_[0], &b);
    EXPECT_FALSE(b.Down()) << "an ungrouped button never latches";
}

TEST_F(ButtonTest, HeldPointerMovingOutAndInSwitchesImagesAndReleaseOutsideDoesNotClick) {
    TSkBmpButton& b = *AddButton(20, 20);
    Press(b, 10, 10);
    MoveHeld(b, 60, 10);  // right of the 40-pixel button
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
    EXPECT_EQ(Centre(b), kUpColor);
    MoveHeld(b, 39, 19);  // the last pixel inside
    EXPECT_EQ(b.State(), TBmpButtonState::bbsDown);
    EXPECT_EQ(Centre(b), kDownColor);
    MoveHeld(b, -1, 5);
    Release(b, -1, 5);
    EXPECT_TRUE(clicks_.empty());
    EXPECT_EQ(Centre(b), kUpColor);
}

TEST_F(ButtonTest, ReleaseOutsideWithoutMovingFirstFiresNoClickAndRaisesTheFace) {
    TSkBmpButton& b = *AddButton(20, 20);
    Press(b);
    Release(b, 40, 5);  // X = ClientWidth lies outside
    EXPECT_TRUE(clicks_.empty());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
    Press(b);
    Release(b, 5, 20);  // Y = ClientHeight lies outside
    EXPECT_TRUE(clicks_.empty());
}

TEST_F(ButtonTest, RightButtonTakesFocusButDoesNotPress) {
    TSkBmpButton& b = *AddButton(20, 20);
    Post(b, WM_RBUTTONDOWN, MK_RBUTTON, Point(5, 5));
    EXPECT_TRUE(b.Focused());
    EXPECT_FALSE(b.Pressing());
    Post(b, WM_RBUTTONUP, 0, Point(5, 5));
    EXPECT_TRUE(clicks_.empty());
}

TEST_F(ButtonTest, SpaceClicksAtKeyUpWhereverThePointerIs) {
    TSkBmpButton& b = *AddButton(20, 20);
    Key(b, WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(b.State(), TBmpButtonState::bbsDown);
    EXPECT_EQ(Centre(b), kDownColor);
    EXPECT_TRUE(clicks_.empty());
    Key(b, WM_KEYUP, VK_SPACE);
    EXPECT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(Centre(b), kUpColor);
}

TEST_F(ButtonTest, EnterClicksAtKeyDownWithoutChangingTheImage) {
    TSkBmpButton& b = *AddButton(20, 20);
    Key(b, WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
    EXPECT_EQ(Centre(b), kUpColor);
    Key(b, WM_KEYUP, VK_RETURN);
    EXPECT_EQ(clicks_.size(), 1u) << "the key-up of Enter is no second click";
}

TEST_F(ButtonTest, DisabledButtonIgnoresPressAndSpace) {
    TSkBmpButton& b = *AddButton(20, 20);
    b.SetEnabled(false);
    Press(b);
    Release(b);
    SendMessageA(b.Handle(), WM_KEYDOWN, VK_SPACE, 1);
    SendMessageA(b.Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(clicks_.empty());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsDisabled);
}

// ---- Groups ----------------------------------------------------------------------------

TEST_F(ButtonTest, ThreeButtonsOfOneGroupLatchExclusively) {
    TSkBmpButton& a = *AddButton(10, 10);
    TSkBmpButton& b = *AddButton(60, 10);
    TSkBmpButton& c = *AddButton(110, 10);
    TSkBmpButton& other = *AddButton(160, 10);
    for (TSkBmpButton* button : {&a, &b, &c}) button->SetGroupIndex(5);
    other.SetGroupIndex(6);
    other.SetDown(true);

    ClickAt(a);
    EXPECT_TRUE(a.Down());
    EXPECT_EQ(a.State(), TBmpButtonState::bbsExclusive);
    EXPECT_EQ(Centre(a), kDownColor) << "latched without StayDown shows Down";
    ClickAt(b);
    EXPECT_FALSE(a.Down());
    EXPECT_EQ(a.State(), TBmpButtonState::bbsUp);
    EXPECT_EQ(Centre(a), kUpColor);
    EXPECT_TRUE(b.Down());
    EXPECT_FALSE(c.Down());
    EXPECT_TRUE(other.Down()) << "another group is not touched";

    // Clicking the latched button of an exclusive group leaves it down, still clicking.
    ClickAt(b);
    EXPECT_TRUE(b.Down());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsExclusive);
    EXPECT_EQ(clicks_.size(), 3u);

    // The same by keyboard: space on the latched button must not show it raised.
    Key(b, WM_KEYDOWN, VK_SPACE);
    Key(b, WM_KEYUP, VK_SPACE);
    EXPECT_TRUE(b.Down());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsExclusive);
    EXPECT_EQ(Centre(b), kDownColor);

    c.SetDown(true);
    EXPECT_FALSE(b.Down());
    EXPECT_TRUE(c.Down());
    c.SetDown(false);
    EXPECT_TRUE(c.Down()) << "a latched button of an exclusive group is not raised directly";
}

TEST_F(ButtonTest, OptionTogglesInSeparateGroupsFlipIndependently) {
    TSkBmpButton* toggles[3];
    const int groups[3] = {1, 20, 50};
    for (int i = 0; i < 3; ++i) {
        toggles[i] = AddButton(10, 10 + 32 * i);
        toggles[i]->SetGroupIndex(groups[i]);
        toggles[i]->SetAllowAllUp(true);
        toggles[i]->SetShowFocus(false);
    }
    ClickAt(*toggles[1]);
    EXPECT_FALSE(toggles[0]->Down());
    EXPECT_TRUE(toggles[1]->Down()) << "Down reads True after the first click";
    EXPECT_FALSE(toggles[2]->Down());
    ClickAt(*toggles[0]);
    ClickAt(*toggles[2]);
    EXPECT_TRUE(toggles[0]->Down() && toggles[1]->Down() && toggles[2]->Down());

    // While the pointer holds the latched button it keeps showing Down.
    Press(*toggles[1]);
    EXPECT_EQ(Centre(*toggles[1]), kDownColor);
    Release(*toggles[1]);
    EXPECT_FALSE(toggles[1]->Down()) << "the second click raises it";
    EXPECT_EQ(Centre(*toggles[1]), kUpColor);
    EXPECT_TRUE(toggles[0]->Down());
    EXPECT_TRUE(toggles[2]->Down());
    EXPECT_EQ(std::count(clicks_.begin(), clicks_.end(), toggles[1]), 2);

    // While the pointer holds the raised button it shows Down; released outside, no flip.
    Press(*toggles[1]);
    EXPECT_EQ(Centre(*toggles[1]), kDownColor);
    Release(*toggles[1], 100, 100);
    EXPECT_FALSE(toggles[1]->Down());
    EXPECT_EQ(Centre(*toggles[1]), kUpColor);
}

TEST_F(ButtonTest, AllowAllUpIsSharedAcrossTheGroup) {
    TSkBmpButton& a = *AddButton(10, 10);
    TSkBmpButton& b = *AddButton(60, 10);
    a.SetGroupIndex(3);
    b.SetGroupIndex(3);
    a.SetAllowAllUp(true);
    EXPECT_TRUE(b.AllowAllUp()) << "the group takes the sender's AllowAllUp";
    b.SetDown(true);
    b.SetDown(false);
    EXPECT_FALSE(b.Down()) << "with AllowAllUp the latched button may be raised";
}

TEST_F(ButtonTest, ForgedGroupMessageIsIgnored) {
    TSkBmpButton& a = *AddButton(10, 10);
    a.SetGroupIndex(7);
    a.SetDown(true);
    // A pointer that is no sibling button must not be followed.
    int notAButton = 0;
    SendMessageA(a.Handle(), CM_SKBUTTONPRESSED, 7, reinterpret_cast<LPARAM>(&notAButton));
    EXPECT_TRUE(a.Down());
}

// ---- Setter rules -----------------------------------------------------------------------

TEST_F(ButtonTest, SetterRules) {
    TSkBmpButton& b = *AddButton(10, 10);
    b.SetDown(true);
    EXPECT_FALSE(b.Down()) << "Down stays False without a group";
    EXPECT_EQ(b.Margin(), -1);
    b.SetMargin(-2);
    EXPECT_EQ(b.Margin(), -1);
    b.SetMargin(3);
    b.SetMargin(-5);
    EXPECT_EQ(b.Margin(), 3);
    b.SetMargin(-1);
    EXPECT_EQ(b.Margin(), -1);

    // Leaving the group raises the latched state.
    b.SetGroupIndex(4);
    b.SetDown(true);
    EXPECT_TRUE(b.Down());
    b.SetGroupIndex(0);
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
    EXPECT_FALSE(b.Down()) << "no latch without a group";
}

// ---- Modal result -----------------------------------------------------------------------

TEST_F(ButtonTest, ClickCopiesModalResultToTheForm) {
    TSkBmpButton& b = *AddButton(10, 10);
    b.SetModalResult(mrOk);
    ClickAt(b);
    EXPECT_EQ(test::SharedForm().ModalResult(), mrOk);
    b.SetModalResult(mrNone);
    ClickAt(b);
    EXPECT_EQ(test::SharedForm().ModalResult(), mrNone) << "copied also when it is 0";
}

TEST_F(ButtonTest, ClickEndsAModalLoopWithTheButtonsResult) {
    TForm dialog(nullptr);
    dialog.SetBorderStyle(TFormBorderStyle::bsNone);
    dialog.SetClientSize(100, 60);
    auto* b = dialog.Make<TSkBmpButton>();
    b->SetParent(&dialog);
    b->SetBounds(10, 10, 40, 20);
    b->SetModalResult(mrOk);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    PostMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    PostMessageA(b->Handle(), WM_LBUTTONUP, 0, Point(5, 5));
    // Should the click not end the loop, the close ends it with a different result.
    PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
    Pump();
}

// ---- Painting ---------------------------------------------------------------------------

void ExpectBackdropAt(const TBitmap& face, int x, int y, int left, int top) {
    EXPECT_EQ(face.Pixel(x, y), BackdropPixel(left + x, top + y))
        << "pixel " << x << "," << y << " shows the parent's picture";
}

TEST_F(ButtonTest, TransparentCornersShowTheParentsPicture24Bit) {
    TSkBmpButton& b = *AddButton(33, 47);
    auto face = Face(b);
    ASSERT_EQ(face->Width(), 40);
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {39, 0}, {0, 19}, {39, 19}, {38, 18}})
        ExpectBackdropAt(*face, x, y, 33, 47);
    EXPECT_EQ(face->Pixel(2, 2), kUpColor);
    EXPECT_EQ(face->Pixel(20, 10), kUpColor);
}

TEST_F(ButtonTest, TransparentCornersShowTheParentsPicture16BitBitfields) {
    TSkBmpButton& b = *AddButton(101, 61, true);
    auto face = Face(b);
    for (auto [x, y] : {std::pair{0, 0}, {39, 19}, {0, 19}}) ExpectBackdropAt(*face, x, y, 101, 61);
    // 5-6-5 keeps the top bits of each channel.
    EXPECT_EQ(face->Pixel(20, 10), RGB(0, 0, (200 & 0xF8) | (200 >> 5)));
}

TEST_F(ButtonTest, OliveTransparentColourAndTheWindowOnScreen) {
    auto* b = NewButton();
    b->SetBounds(70, 90, 10, 10);
    auto up = MakeBmp24(27, 25, [](int x, int y) {
        return x < 5 ? RGB(128, 128, 0) : (y < 5 ? RGB(0, 255, 0) : RGB(10, 20, 30));
    });
    b->Bitmaps().LoadImage(TButtonImage::Up, up.data(), up.size());
    EXPECT_EQ(b->Width(), 27);
    EXPECT_EQ(b->Height(), 25);
    Pump();
    UpdateWindow(b->Handle());
    // Read what the window itself shows after its real paint.
    TBitmap screen;
    screen.SetSize(27, 25);
    HDC windowDc = GetDC(b->Handle());
    BitBlt(screen.Canvas().Handle(), 0, 0, 27, 25, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(b->Handle(), windowDc);
    GdiFlush();
    EXPECT_EQ(screen.Pixel(2, 12), BackdropPixel(72, 102)) << "olive is see-through by default";
    EXPECT_EQ(screen.Pixel(10, 2), RGB(0, 255, 0)) << "lime is an ordinary colour here";
    EXPECT_EQ(screen.Pixel(10, 12), RGB(10, 20, 30));
}

TEST_F(ButtonTest, DisabledImageAndBackToUp) {
    TSkBmpButton& b = *AddButton(10, 10);
    auto disabled = MakeBmp24(40, 20, LimeCorners(40, 20, kDisabledColor));
    b.Bitmaps().LoadImage(TButtonImage::Disabled, disabled.data(), disabled.size());
    b.SetEnabled(false);
    EXPECT_EQ(Centre(b), kDisabledColor);
    EXPECT_EQ(b.State(), TBmpButtonState::bbsDisabled);
    b.SetEnabled(true);
    EXPECT_EQ(Centre(b), kUpColor);
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
}

TEST_F(ButtonTest, LatchedButtonDisabledAndEnabledAgainShowsLatched) {
    TSkBmpButton& b = *AddButton(10, 10);
    b.SetGroupIndex(2);
    b.SetDown(true);
    b.SetEnabled(false);
    Face(b);
    b.SetEnabled(true);
    EXPECT_EQ(b.State(), TBmpButtonState::bbsExclusive);
    EXPECT_EQ(Centre(b), kDownColor);
}

TEST_F(ButtonTest, DisabledWithoutDisabledImageShowsASilhouette) {
    TSkBmpButton& b = *AddButton(10, 10);
    b.SetEnabled(false);
    auto face = Face(b);
    EXPECT_EQ(face->Pixel(20, 10), GetSysColor(COLOR_BTNSHADOW)) << "dark body in shadow";
    EXPECT_EQ(face->Pixel(38, 18), RGB(255, 255, 255)) << "highlight one pixel down and right";
    EXPECT_EQ(face->Pixel(0, 0), GetSysColor(COLOR_BTNFACE)) << "transparent part is face";
}

TEST_F(ButtonTest, StayDownImageWinsWhileLatched) {
    TSkBmpButton& b = *AddButton(10, 10);
    auto stay = MakeBmp24(40, 20, LimeCorners(40, 20, kStayDownColor));
    b.Bitmaps().LoadImage(TButtonImage::StayDown, stay.data(), stay.size());
    b.SetGroupIndex(9);
    b.SetDown(true);
    EXPECT_EQ(Centre(b), kStayDownColor);
}

TEST_F(ButtonTest, HotImageWhileThePointerIsInside) {
    TSkBmpButton& b = *AddButton(10, 10);
    auto hot = MakeBmp24(40, 20, LimeCorners(40, 20, kHotColor));
    b.Bitmaps().LoadImage(TButtonImage::Hot, hot.data(), hot.size());
    int entered = 0;
    b.OnMouseEnter = [&](TObject*) { ++entered; };
    SendMessageA(b.Handle(), WM_MOUSEMOVE, 0, Point(5, 5));
    EXPECT_EQ(entered, 1);
    EXPECT_TRUE(b.PointerInside());
    EXPECT_EQ(Centre(b), kHotColor);
    SendMessageA(b.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(b.PointerInside());
    EXPECT_EQ(Centre(b), kUpColor);
}

TEST_F(ButtonTest, SingleBorderFramesAndLatchedFaceUsesTheDownPattern) {
    auto* b = NewButton();
    b->SetButtonSize(TBtnSize::bszNeither);
    b->SetButtonBorder(TButtonBorder::bbSingle);
    b->SetBounds(10, 10, 30, 20);
    b->SetGroupIndex(8);
    b->SetDown(true);
    auto face = Face(*b);
    EXPECT_EQ(face->Pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(face->Pixel(29, 19), RGB(0, 0, 0));
    // Inside the frame the checkerboard of white and button face.
    COLORREF a = face->Pixel(5, 5), c = face->Pixel(6, 5);
    EXPECT_NE(a, c);
    EXPECT_TRUE(a == RGB(255, 255, 255) || c == RGB(255, 255, 255));
    b->SetShowDownPattern(false);
    b->SetColor(RGB(1, 2, 3));
    face = Face(*b);
    EXPECT_EQ(face->Pixel(5, 5), RGB(1, 2, 3));
    EXPECT_EQ(face->Pixel(6, 5), RGB(1, 2, 3));
}

TEST_F(ButtonTest, TileModeRepeatsTheImageAndCutsTheLastTile) {
    auto* b = NewButton();
    b->SetButtonSize(TBtnSize::bszTileToButton);
    b->SetBounds(10, 10, 25, 7);
    auto up = MakeBmp24(10, 5, [](int x, int) { return x == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
    b->Bitmaps().LoadImage(TButtonImage::Up, up.data(), up.size());
    EXPECT_EQ(b->Width(), 25) << "only bszButtonToBitmap fits the size";
    auto face = Face(*b);
    EXPECT_EQ(face->Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(face->Pixel(10, 0), RGB(255, 0, 0));
    EXPECT_EQ(face->Pixel(20, 6), RGB(255, 0, 0));
    EXPECT_EQ(face->Pixel(24, 6), RGB(0, 0, 255));
}

TEST_F(ButtonTest, CaptionIsCentredAndDrawnInTheFontColour) {
    auto* b = NewButton();
    b->SetButtonBorder(TButtonBorder::bbSingle);
    b->SetColor(RGB(255, 255, 255));
    b->SetBounds(10, 10, 120, 40);
    b->Font().SetColor(RGB(0, 0, 0));
    b->Font().SetHeight(-20);
    b->SetCaption("WWW");
    auto face = Face(*b);
    int dark = 0, left = 120, right = 0;
    for (int y = 1; y < 39; ++y)
        for (int x = 1; x < 119; ++x)
            if (face->Pixel(x, y) == RGB(0, 0, 0)) {
                ++dark;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GT(dark, 20);
    EXPECT_LE(std::abs((left + right) / 2 - 60), 3) << "centred horizontally";
}

// ---- Size fitting -----------------------------------------------------------------------

TEST_F(ButtonTest, SizeSnapsBackToTheUpBitmap) {
    TSkBmpButton& b = *AddButton(10, 10);
    EXPECT_EQ(b.Width(), 40);
    EXPECT_EQ(b.Height(), 20);
    b.SetBounds(10, 10, 200, 100);
    EXPECT_EQ(b.Width(), 40);
    EXPECT_EQ(b.Height(), 20);
    // Sized from outside through the window itself.
    MoveWindow(b.Handle(), 10, 10, 150, 90, TRUE);
    Pump();
    RECT client;
    GetClientRect(b.Handle(), &client);
    EXPECT_EQ(client.right, 40);
    EXPECT_EQ(client.bottom, 20);
    b.SetButtonBorder(TButtonBorder::bbSingle);
    EXPECT_EQ(b.Width(), 42);
    b.SetButtonBorder(TButtonBorder::bbButton);
    EXPECT_EQ(b.Width(), 44);
    b.SetButtonStyle(TButtonStyle::bsWin31);
    EXPECT_EQ(b.Width(), 46);
    b.SetButtonSize(TBtnSize::bszStretchToButton);
    b.SetWidth(100);
    EXPECT_EQ(b.Width(), 100);
}

// ---- Bitmap set -----------------------------------------------------------------------

TEST(ButtonBitmaps, DataBlocksWriteBackIdentically) {
    TSkButtonBitmaps bitmaps;
    int changes = 0;
    bitmaps.OnChange = [&](TObject*) { ++changes; };
    auto bmp16 = Block(MakeBmp16(144, 36, LimeCorners(144, 36, RGB(90, 72, 35))));
    auto bmp24 = Block(MakeBmp24(57, 38, LimeCorners(57, 38, RGB(176, 141, 68))));
    bitmaps.LoadData(TButtonImage::Up, bmp16.data(), bmp16.size());
    bitmaps.LoadData(TButtonImage::Down, bmp24.data(), bmp24.size());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(bitmaps.Data(TButtonImage::Up), bmp16);
    EXPECT_EQ(bitmaps.Data(TButtonImage::Down), bmp24);
    EXPECT_EQ(bitmaps.Up().SourceBitCount(), 16);
    EXPECT_EQ(bitmaps.Data(TButtonImage::Hot), std::vector<uint8_t>(4, 0)) << "empty: count 0";

    // A copied set writes the same blocks.
    TSkButtonBitmaps copy;
    copy.Assign(bitmaps);
    EXPECT_EQ(copy.Data(TButtonImage::Up), bmp16);
    EXPECT_EQ(copy.Data(TButtonImage::Down), bmp24);

    bitmaps.SetTransparentColor(clLime);
    bitmaps.SetTransparentColor(clLime);
    EXPECT_EQ(changes, 3) << "only a different colour notifies";
}

TEST(ButtonBitmaps, DamagedBlocksAreRefusedAndLoseNothing) {
    TSkButtonBitmaps bitmaps;
    auto good = Block(MakeBmp24(8, 8, LimeCorners(8, 8, RGB(1, 2, 3))));
    bitmaps.LoadData(TButtonImage::Up, good.data(), good.size());

    auto shortBlock = good;
    shortBlock.resize(shortBlock.size() - 1);
    EXPECT_THROW(bitmaps.LoadData(TButtonImage::Up, shortBlock.data(), shortBlock.size()),
                 EReadError);
    EXPECT_THROW(bitmaps.LoadData(TButtonImage::Up, good.data(), 3), EReadError);
    auto notBmp = good;
    notBmp[4] = 'X';
    EXPECT_THROW(bitmaps.LoadData(TButtonImage::Up, notBmp.data(), notBmp.size()), Exception);
    auto truncatedImage = Block(std::vector<uint8_t>(good.begin() + 4, good.end() - 20));
    EXPECT_THROW(bitmaps.LoadData(TButtonImage::Up, truncatedImage.data(), truncatedImage.size()),
                 Exception);
    EXPECT_EQ(bitmaps.Data(TButtonImage::Up), good) << "the image is unchanged";

    const std::vector<uint8_t> empty(4, 0);
    bitmaps.LoadData(TButtonImage::Up, empty.data(), empty.size());
    EXPECT_TRUE(bitmaps.Up().Empty());
}

TEST(ButtonBitmaps, ImageMadeInMemoryIsWrittenAs24BitBmpThatLoadsBack) {
    TSkButtonBitmaps bitmaps;
    TBitmap made;
    made.SetSize(5, 3);
    SetPixelV(made.Canvas().Handle(), 4, 2, RGB(10, 20, 30));
    bitmaps.SetImage(TButtonImage::Hot, made);
    auto block = bitmaps.Data(TButtonImage::Hot);
    TSkButtonBitmaps loaded;
    loaded.LoadData(TButtonImage::Hot, block.data(), block.size());
    EXPECT_EQ(loaded.Hot().Width(), 5);
    EXPECT_EQ(loaded.Hot().Pixel(4, 2), RGB(10, 20, 30));
    EXPECT_EQ(loaded.Data(TButtonImage::Hot), block);
}

// ---- Shared down pattern ----------------------------------------------------------------

TEST(DownPattern, CountsLiveButtonsAndFreesThePatternWithTheLast) {
    TDownPatternStore& store = TDownPatternStore::Shared();
    const int before = store.LiveButtons();
    {
        TForm form(nullptr);
        auto* a = form.Make<TSkBmpButton>();
        form.Make<TSkBmpButton>();
        (void)a;
        EXPECT_EQ(store.LiveButtons(), before + 2);
        TBitmap& pattern = store.Pattern();
        ASSERT_EQ(pattern.Width(), 8);
        EXPECT_EQ(pattern.Pixel(0, 0), RGB(255, 255, 255));
        EXPECT_EQ(pattern.Pixel(3, 5), RGB(255, 255, 255));
        EXPECT_EQ(pattern.Pixel(1, 0), GetSysColor(COLOR_BTNFACE));
        EXPECT_TRUE(store.Allocated());
    }
    EXPECT_EQ(store.LiveButtons(), before);
    if (before == 0) {
        EXPECT_FALSE(store.Allocated()) << "freed with the last button";
    }
}

// ---- Accelerator and double click ------------------------------------------------------

TEST_F(ButtonTest, AcceleratorClicksAnEnabledButton) {
    TSkBmpButton& b = *AddButton(10, 10);
    b.SetCaption("&Выход");
    EXPECT_EQ(SendMessageA(b.Handle(), CM_SKDIALOGCHAR, static_cast<unsigned char>('в'), 0), 1);
    EXPECT_EQ(clicks_.size(), 1u) << "matched without regard to case";
    EXPECT_FALSE(b.DialogChar('x'));
    b.SetCaption("A&&B");
    EXPECT_FALSE(b.DialogChar('b')) << "a doubled ampersand is no accelerator";
    b.SetCaption("&Go");
    b.SetEnabled(false);
    EXPECT_FALSE(b.DialogChar('g'));
    EXPECT_EQ(clicks_.size(), 1u);
}

TEST_F(ButtonTest, TypedAcceleratorReachesTheButtonThroughTheFocusedOne) {
    TSkBmpButton& exit = *AddButton(10, 10);
    TSkBmpButton& focused = *AddButton(60, 10);
    exit.SetCaption("&Выход");
    focused.SetFocus();
    Post(focused, WM_CHAR, static_cast<unsigned char>('в'), 1);
    ASSERT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(clicks_[0], &exit);
    Post(focused, WM_SYSCHAR, static_cast<unsigned char>('В'), 1 | (1 << 29));
    EXPECT_EQ(clicks_.size(), 2u);
    Post(focused, WM_CHAR, 'q', 1);
    EXPECT_EQ(clicks_.size(), 2u);
}

TEST_F(ButtonTest, PressEndsWithoutClickWhenAnotherWindowTakesTheMouse) {
    TSkBmpButton& b = *AddButton(10, 10);
    TSkBmpButton& other = *AddButton(60, 10);
    Press(b);
    ASSERT_TRUE(b.Pressing());
    SetCapture(other.Handle());
    Pump();
    EXPECT_FALSE(b.Pressing());
    EXPECT_EQ(b.State(), TBmpButtonState::bbsUp);
    ReleaseCapture();
    Release(b);
    EXPECT_TRUE(clicks_.empty());
}

TEST_F(ButtonTest, FocusedButtonShowsUpAndFocusedUnlessShowFocusIsOff) {
    TSkBmpButton& b = *AddButton(10, 10);
    auto focusedImage = MakeBmp24(40, 20, LimeCorners(40, 20, kHotColor));
    b.Bitmaps().LoadImage(TButtonImage::UpAndFocused, focusedImage.data(), focusedImage.size());
    EXPECT_EQ(Centre(b), kUpColor);
    b.SetFocus();
    Pump();
    EXPECT_EQ(Centre(b), kHotColor);
    b.SetShowFocus(false);
    EXPECT_EQ(Centre(b), kUpColor);
}

TEST_F(ButtonTest, StretchModeFillsTheWholeButton) {
    auto* b = NewButton();
    b->SetButtonSize(TBtnSize::bszStretchToButton);
    b->SetBounds(10, 10, 30, 30);
    auto up = MakeBmp24(
        3, 3, [](int x, int y) { return x == 2 && y == 2 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
    b->Bitmaps().LoadImage(TButtonImage::Up, up.data(), up.size());
    auto face = Face(*b);
    EXPECT_EQ(face->Pixel(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(face->Pixel(19, 19), RGB(0, 0, 255));
    EXPECT_EQ(face->Pixel(21, 21), RGB(255, 0, 0));
    EXPECT_EQ(face->Pixel(29, 29), RGB(255, 0, 0));
}

TEST_F(ButtonTest, DoubleClickFiresOnlyWhileDown) {
    TSkBmpButton& b = *AddButton(10, 10);
    int doubles = 0;
    b.OnDblClick = [&](TObject*) { ++doubles; };
    Post(b, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(5, 5));
    Release(b);
    EXPECT_EQ(doubles, 0);
    b.SetGroupIndex(1);
    b.SetAllowAllUp(true);
    b.SetDown(true);
    Post(b, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(5, 5));
    EXPECT_EQ(doubles, 1);
}

// ---- Layout -----------------------------------------------------------------------------

TEST(ButtonLayout, GlyphAndCaptionPlacement) {
    const SIZE area{100, 30}, glyph{20, 10}, text{30, 12};
    auto p = PlaceGlyphAndCaption(area, glyph, text, TButtonLayout::blGlyphLeft, -1, 4);
    EXPECT_EQ(p.glyph.x, 23);  // 50 - (20 + 4 + 30) div 2
    EXPECT_EQ(p.caption.x, 47);
    EXPECT_EQ(p.glyph.y, 10);
    EXPECT_EQ(p.caption.y, 9);
    p = PlaceGlyphAndCaption(area, glyph, text, TButtonLayout::blGlyphRight, -1, 4);
    EXPECT_EQ(p.glyph.x, 57);
    EXPECT_EQ(p.caption.x, 23);
    p = PlaceGlyphAndCaption(area, glyph, text, TButtonLayout::blGlyphLeft, -1, -1);
    EXPECT_EQ(p.glyph.x, 16);  // (100 - 50) div 3, spacing the same
    EXPECT_EQ(p.caption.x, 52);
    p = PlaceGlyphAndCaption(area, glyph, text, TButtonLayout::blGlyphLeft, 5, -1);
    EXPECT_EQ(p.caption.x, 5 + 20 + (100 - 5 - 20) / 2 - 15);
    p = PlaceGlyphAndCaption({40, 100}, glyph, text, TButtonLayout::blGlyphBottom, 2, 4);
    EXPECT_EQ(p.glyph.y, 88);
    EXPECT_EQ(p.caption.y, 72);
    EXPECT_EQ(p.glyph.x, 10);
    // Without a glyph the spacing drops out and the caption is centred.
    p = PlaceGlyphAndCaption(area, {0, 0}, text, TButtonLayout::blGlyphLeft, -1, 4);
    EXPECT_EQ(p.caption.x, 35);
    // Odd sizes truncate toward zero, also when negative.
    p = PlaceGlyphAndCaption({10, 10}, {0, 0}, {31, 12}, TButtonLayout::blGlyphLeft, -1, 4);
    EXPECT_EQ(p.caption.x, 5 - 15);
    EXPECT_EQ(p.caption.y, 5 - 6);
}

}  // namespace
}  // namespace mvt

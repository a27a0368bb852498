// What a form and its graphic children put on the screen.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/stdctrls.h"

using namespace mvt;

namespace {

// The window's client area as the screen shows it.
void Capture(HWND window, int width, int height, TBitmap& image) {
    image.SetSize(width, height);
    HDC dc = GetDC(window);
    BitBlt(image.Canvas().Handle(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A 24-bit BMP of one colour with a different bottom-left pixel.
std::vector<uint8_t> SolidBmp(int width, int height, COLORREF colour, COLORREF corner) {
    int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> b{'B', 'M'};
    Put32(b, 54 + stride * height);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, width);
    Put32(b, height);
    b.insert(b.end(), {1, 0, 24, 0});
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    for (int row = 0; row < height; ++row) {  // bottom-up: row 0 is the bottom
        for (int x = 0; x < width; ++x) {
            COLORREF c = (row == 0 && x == 0) ? corner : colour;
            b.insert(b.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
        }
        b.resize(b.size() + stride - width * 3);
    }
    return b;
}

class PaintingTest : public ::testing::Test {
  protected:
    TComponent owner{nullptr};
    TForm* form = owner.Make<TForm>();
    void SetUp() override {
        form->SetBorderStyle(TFormBorderStyle::bsNone);
        form->SetStayOnTop(true);
        form->SetClientSize(200, 100);
        form->SetColor(0x111A26);
    }
    TBitmap& Shown() {
        form->Show();
        form->Repaint();
        Application().ProcessMessages();
        Capture(form->Handle(), 200, 100, shown_);
        return shown_;
    }
    TBitmap shown_;
};

TEST_F(PaintingTest, FormColourImageAndTransparentPicture) {
    auto* image = CreateChild<TImage>(&owner, form, 10, 10, 40, 40);
    auto bytes = SolidBmp(20, 20, RGB(200, 0, 0), RGB(0, 255, 0));
    image->Picture().LoadFromBytes(bytes.data(), bytes.size());
    auto* overlay = CreateChild<TImage>(&owner, form, 100, 10, 20, 20);
    auto green = SolidBmp(20, 20, RGB(0, 255, 0), RGB(0, 255, 0));
    overlay->Picture().LoadFromBytes(green.data(), green.size());
    overlay->SetTransparent(true);  // all of it is the bottom-left colour

    TBitmap& shown = Shown();
    EXPECT_EQ(shown.Pixel(5, 5), RGB(0x26, 0x1A, 0x11)) << "form colour";
    EXPECT_EQ(shown.Pixel(15, 15), RGB(200, 0, 0)) << "picture at its own size";
    EXPECT_EQ(shown.Pixel(40, 40), RGB(0x26, 0x1A, 0x11)) << "no stretching beyond the picture";
    EXPECT_EQ(shown.Pixel(110, 20), RGB(0x26, 0x1A, 0x11)) << "transparent picture shows the form";
}

// The transparent drawing of a picture at its size leaves exactly the pixels the system's
// transparent copy leaves, also after the picture was drawn on and drawn again.
TEST_F(PaintingTest, TransparentPictureDrawsAsTheSystemsTransparentCopy) {
    TBitmap picture, background, ours, systems;
    picture.SetSize(64, 48);
    background.SetSize(64, 48);
    uint32_t seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245 + 12345; };
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            // About a third white, the transparent colour (the bottom-left pixel's).
            const bool see = next() % 3 == 0 || (x == 0 && y == 47);
            SetPixel(picture.Canvas().Handle(), x, y, see ? RGB(255, 255, 255) : next() & 0xFFFFFF);
            SetPixel(background.Canvas().Handle(), x, y, next() & 0xFFFFFF);
        }
    picture.Modified();
    picture.SetTransparent(true);
    for (int round = 0; round < 2; ++round) {
        for (TBitmap* target : {&ours, &systems}) {
            target->SetSize(64, 48);
            BitBlt(target->Canvas().Handle(), 0, 0, 64, 48, background.Canvas().Handle(), 0, 0,
                   SRCCOPY);
        }
        picture.Draw(ours.Canvas().Handle(), 0, 0);
        GdiTransparentBlt(systems.Canvas().Handle(), 0, 0, 64, 48, picture.Canvas().Handle(), 0, 0,
                          64, 48, RGB(255, 255, 255));
        GdiFlush();
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(ours.Pixel(x, y), systems.Pixel(x, y)) << x << "," << y << " " << round;
        // Drawn on: the next drawing shows what is there now.
        SetPixel(picture.Canvas().Handle(), 5, 5, RGB(255, 255, 255));
        SetPixel(picture.Canvas().Handle(), 6, 5, RGB(1, 2, 3));
    }
}

TEST_F(PaintingTest, StretchedImageFillsItsControl) {
    auto* image = CreateChild<TImage>(&owner, form, 0, 0, 100, 100);
    auto bytes = SolidBmp(4, 4, RGB(0, 0, 200), RGB(0, 0, 200));
    image->Picture().LoadFromBytes(bytes.data(), bytes.size());
    image->SetStretch(true);
    EXPECT_EQ(Shown().Pixel(95, 95), RGB(0, 0, 200));
}

TEST_F(PaintingTest, TransparentLabelDrawsOnlyItsTextOverThePicture) {
    auto* image = CreateChild<TImage>(&owner, form, 0, 0, 200, 100);
    auto bytes = SolidBmp(200, 100, RGB(250, 240, 200), RGB(250, 240, 200));
    image->Picture().LoadFromBytes(bytes.data(), bytes.size());
    auto* label = CreateChild<TLabel>(&owner, form, 10, 10, 180, 80);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->Font().SetHeight(-30);
    label->Font().SetColor(RGB(0, 0, 0));
    label->SetCaption("WWW");
    TBitmap& shown = Shown();
    int dark = 0, other = 0;
    for (int y = 10; y < 90; ++y)
        for (int x = 10; x < 190; ++x) {
            COLORREF c = shown.Pixel(x, y);
            if (c == RGB(250, 240, 200)) continue;
            (GetRValue(c) < 128 ? dark : other)++;
        }
    EXPECT_GT(dark, 30) << "no text drawn";
    EXPECT_EQ(shown.Pixel(180, 80), RGB(250, 240, 200)) << "label filled its background";
}

TEST_F(PaintingTest, CentredLabelLayoutMovesTextToTheMiddle) {
    auto* label = CreateChild<TLabel>(&owner, form, 0, 0, 200, 100);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetAlignment(TAlignment::taCenter);
    label->SetLayout(TTextLayout::tlCenter);
    label->Font().SetHeight(-20);
    label->Font().SetColor(RGB(255, 255, 255));
    label->SetCaption("I");
    TBitmap& shown = Shown();
    int top = 100, bottom = 0, left = 200, right = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (GetRValue(shown.Pixel(x, y)) > 200) {
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
    ASSERT_LT(top, bottom) << "nothing drawn";
    EXPECT_NEAR((top + bottom) / 2, 50, 8);
    EXPECT_NEAR((left + right) / 2, 100, 8);
}

TEST_F(PaintingTest, AutoSizeAndWordWrapMeasureTheText) {
    auto* label = CreateChild<TLabel>(&owner, form, 0, 0, 60, 10);
    label->Font().SetHeight(-16);
    label->SetCaption("one two three four");
    int oneLine = label->Height();
    EXPECT_GT(label->Width(), 60) << "auto size widens a label without word wrap";
    label->SetWidth(60);
    label->SetWordWrap(true);
    EXPECT_EQ(label->Width(), 60);
    EXPECT_GE(label->Height(), 2 * oneLine) << "wrapped text is taller";
    label->SetShowAccelChar(true);
    label->SetCaption("&&");
    int withPrefix = label->TextBounds(0).right;
    label->SetShowAccelChar(false);
    EXPECT_GT(label->TextBounds(0).right, withPrefix) << "'&&' is one '&' only with accelerators";
}

}  // namespace

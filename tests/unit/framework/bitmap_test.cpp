#include <gtest/gtest.h>

#include <cstring>

#include "framework/graphics.h"
#include "framework/sysutils.h"

using namespace mvt;

namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A bottom-up BMP whose pixel (x, y) comes from colour(x, y) as 0xRRGGBB.
template <class F>
std::vector<uint8_t> MakeBmp(int width, int height, int bits, F colour) {
    bool bitfields = bits == 16;
    int stride = ((width * bits + 31) / 32) * 4;
    uint32_t offset = 14 + 40 + (bitfields ? 12 : 0);
    std::vector<uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, offset + stride * height);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, width);
    Put32(b, height);
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, bitfields ? 3 : 0);
    Put32(b, stride * height);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    if (bitfields) {
        Put32(b, 0xF800);
        Put32(b, 0x07E0);
        Put32(b, 0x001F);
    }
    for (int row = height - 1; row >= 0; --row) {
        size_t start = b.size();
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, row);
            uint8_t r = c >> 16, g = c >> 8, bl = c;
            if (bits == 24) {
                b.push_back(bl);
                b.push_back(g);
                b.push_back(r);
            } else {
                Put16(b, uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (bl >> 3)));
            }
        }
        while (b.size() - start < size_t(stride)) b.push_back(0);
    }
    return b;
}

TEST(BitmapTest, Loads24BitAndKeepsTheFileBytes) {
    auto bytes = MakeBmp(
        5, 3, 24, [](int x, int y) { return x == 0 && y == 2 ? 0x00FF00u : 0x102030u * (x + 1); });
    TBitmap bitmap;
    bitmap.LoadFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.SourceBitCount(), 24);
    EXPECT_EQ(bitmap.Pixel(1, 0), RGB(0x20, 0x40, 0x60));
    EXPECT_EQ(bitmap.SourceBytes(), bytes);
    // The bottom-left pixel decides the transparent colour unless one is set.
    EXPECT_EQ(bitmap.TransparentColor(), RGB(0, 255, 0));
    bitmap.SetTransparentColor(0x008080);
    EXPECT_EQ(bitmap.TransparentColor(), 0x008080u);
}

TEST(BitmapTest, Loads16BitBitfields) {
    auto bytes = MakeBmp(4, 2, 16, [](int, int) { return 0x00FF00u; });
    EXPECT_EQ(bytes[10], 66);  // pixel data after the three masks
    TBitmap bitmap;
    bitmap.LoadFromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(bitmap.SourceBitCount(), 16);
    EXPECT_EQ(bitmap.Pixel(3, 1), RGB(0, 255, 0));
}

TEST(BitmapTest, TransparentDrawLeavesTheKeyColourOut) {
    auto bytes = MakeBmp(4, 4, 24, [](int x, int) { return x < 2 ? 0x00FF00u : 0xFF0000u; });
    TBitmap picture;
    picture.LoadFromBytes(bytes.data(), bytes.size());
    picture.SetTransparent(true);
    TBitmap target;
    target.SetSize(4, 4);
    target.Canvas().Brush().color = 0xFFFFFF;
    target.Canvas().FillRect({0, 0, 4, 4});
    picture.Draw(target.Canvas().Handle(), 0, 0);
    GdiFlush();
    EXPECT_EQ(target.Pixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(target.Pixel(3, 3), RGB(255, 0, 0));
}

TEST(BitmapTest, DamagedImagesAreRefusedWithoutReadingPastTheEnd) {
    auto good = MakeBmp(8, 8, 24, [](int, int) { return 0u; });
    TBitmap bitmap;
    auto truncated = good;
    truncated.resize(good.size() - 10);
    EXPECT_THROW(bitmap.LoadFromBytes(truncated.data(), truncated.size()), Exception);
    auto notBmp = good;
    notBmp[0] = 'X';
    EXPECT_THROW(bitmap.LoadFromBytes(notBmp.data(), notBmp.size()), Exception);
    auto hugeWidth = good;
    hugeWidth[18] = 0xFF;
    hugeWidth[19] = 0xFF;
    hugeWidth[20] = 0xFF;
    hugeWidth[21] = 0x7F;
    EXPECT_THROW(bitmap.LoadFromBytes(hugeWidth.data(), hugeWidth.size()), Exception);
    EXPECT_TRUE(bitmap.Empty());
}

}  // namespace

#include "test_bitmaps.h"

#include <algorithm>

#include "framework/forms.h"

namespace mvt::test {

namespace {

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> Header(int width, int height, int bitCount, uint32_t compression,
                            size_t offBits, size_t stride) {
    std::vector<uint8_t> bytes(offBits + stride * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    Put32(bytes, 10, static_cast<uint32_t>(offBits));
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<uint32_t>(width));
    Put32(bytes, 22, static_cast<uint32_t>(height));
    Put16(bytes, 26, 1);
    Put16(bytes, 28, static_cast<uint16_t>(bitCount));
    Put32(bytes, 30, compression);
    Put32(bytes, 34, static_cast<uint32_t>(stride * height));
    return bytes;
}

}  // namespace

std::vector<uint8_t> MakeBmp24(int width, int height, const PixelSource& pixel) {
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> bytes = Header(width, height, 24, BI_RGB, 54, stride);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixel(x, y);
            uint8_t* p = bytes.data() + 54 + stride * (height - 1 - y) + x * 3;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return bytes;
}

std::vector<uint8_t> MakeBmp16(int width, int height, const PixelSource& pixel) {
    const size_t stride = (size_t(width) * 2 + 3) & ~size_t(3);
    std::vector<uint8_t> bytes = Header(width, height, 16, BI_BITFIELDS, 66, stride);
    Put32(bytes, 54, 0xF800);
    Put32(bytes, 58, 0x07E0);
    Put32(bytes, 62, 0x001F);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixel(x, y);
            uint16_t value = static_cast<uint16_t>((GetRValue(c) >> 3) << 11 |
                                                   (GetGValue(c) >> 2) << 5 | GetBValue(c) >> 3);
            Put16(bytes, 66 + stride * (height - 1 - y) + x * 2, value);
        }
    return bytes;
}

PixelSource LimeCorners(int width, int height, COLORREF body) {
    return [=](int x, int y) -> COLORREF {
        const bool cornerX = x < 2 || x >= width - 2, cornerY = y < 2 || y >= height - 2;
        return cornerX && cornerY ? RGB(0, 255, 0) : body;
    };
}

std::vector<uint8_t> Block(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> block(4 + payload.size());
    Put32(block, 0, static_cast<uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), block.begin() + 4);
    return block;
}

void Pump() {
    Application().ProcessMessages();
}

TForm& SharedForm() {
    static const std::unique_ptr<TForm> form = [] {
        auto made = std::make_unique<TForm>(nullptr);
        made->SetBorderStyle(TFormBorderStyle::bsNone);
        made->SetClientSize(kStageWidth, kStageHeight);
        made->SetBounds(40, 40, made->Width(), made->Height());
        made->Show();
        Pump();
        return made;
    }();
    return *form;
}

std::unique_ptr<TWinControl> MakeStage(TColor color) {
    auto stage = std::make_unique<TWinControl>(nullptr);
    stage->SetBounds(0, 0, kStageWidth, kStageHeight);
    stage->SetColor(color);
    stage->SetParent(&SharedForm());
    Pump();
    return stage;
}

}  // namespace mvt::test

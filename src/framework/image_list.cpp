#include "framework/image_list.h"

#include <algorithm>

#include "framework/sysutils.h"

namespace mvt {

namespace {

uint32_t Le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The mask bits of a 32-bit BI_RGB BMP: one bit per pixel, rows of whole 16-bit words, top
// row first, 1 where the fourth byte is not 255.
std::vector<uint8_t> MaskBits(const std::vector<uint8_t>& bmp, int width, int height) {
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M')
        throw Exception("Image list: not a bitmap file");
    const uint32_t offset = Le32(&bmp[10]);
    const int32_t fileWidth = static_cast<int32_t>(Le32(&bmp[18]));
    const int32_t fileHeight = static_cast<int32_t>(Le32(&bmp[22]));
    const int bits = bmp[28] | bmp[29] << 8;
    const uint32_t compression = Le32(&bmp[30]);
    const bool bottomUp = fileHeight > 0;
    if (bits != 32 || compression != BI_RGB || fileWidth != width ||
        (bottomUp ? fileHeight : -fileHeight) != height)
        throw Exception(
            Format("Image list: a %dx%d picture with a 32-bit mask is required", width, height));
    const size_t stride = size_t(width) * 4;
    if (offset > bmp.size() || bmp.size() - offset < stride * height)
        throw Exception("Image list: the picture is cut short");
    const size_t maskStride = ((size_t(width) + 15) / 16) * 2;
    std::vector<uint8_t> mask(maskStride * height, 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &bmp[offset + stride * (bottomUp ? height - 1 - y : y)];
        for (int x = 0; x < width; ++x)
            if (row[x * 4 + 3] != 255) mask[maskStride * y + x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    return mask;
}

}  // namespace

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {}

TImageList::~TImageList() {
    // A listener removes itself while it hears of the end: work on a copy.
    std::vector<Listener*> listeners = listeners_;
    for (Listener* listener : listeners) listener->ImageListDestroyed(*this);
}

void TImageList::AddMasked(const std::vector<uint8_t>& bmp) {
    std::vector<uint8_t> bits = MaskBits(bmp, width_, height_);
    auto frame = std::make_unique<Frame>();
    frame->image.LoadFromBytes(bmp.data(), bmp.size());
    frame->mask.reset(CreateBitmap(width_, height_, 1, 1, bits.data()));
    if (!frame->mask) throw Exception("Image list: no mask bitmap");
    // Transparent pixels black, so that OR-ing the picture over the cut-out changes nothing
    // there.
    HDC dc = frame->image.Canvas().Handle();
    const size_t maskStride = ((size_t(width_) + 15) / 16) * 2;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (bits[maskStride * y + x / 8] & (0x80 >> (x % 8))) SetPixel(dc, x, y, RGB(0, 0, 0));
    frame->image.Modified();
    frames_.push_back(std::move(frame));
    Changed();
}

void TImageList::Clear() {
    if (frames_.empty()) return;
    frames_.clear();
    Changed();
}

void TImageList::Draw(HDC dc, int x, int y, int index) const {
    if (index < 0 || index >= Count()) return;
    const Frame& frame = *frames_[static_cast<size_t>(index)];
    UniqueDc maskDc(CreateCompatibleDC(dc));
    SelectGuard select(maskDc.get(), frame.mask.get());
    // A monochrome source: its 1 bits take the background colour, its 0 bits the text colour.
    const COLORREF background = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, x, y, width_, height_, maskDc.get(), 0, 0, SRCAND);
    BitBlt(dc, x, y, width_, height_, const_cast<TBitmap&>(frame.image).Canvas().Handle(), 0, 0,
           SRCPAINT);
    SetBkColor(dc, background);
    SetTextColor(dc, text);
}

void TImageList::AddListener(Listener* listener) {
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void TImageList::RemoveListener(Listener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void TImageList::Changed() {
    std::vector<Listener*> listeners = listeners_;
    for (Listener* listener : listeners) listener->ImageListChanged(*this);
}

}  // namespace mvt

#include "framework/graphics.h"

#include <algorithm>
#include <cstring>

#include "framework/sysutils.h"

namespace mvt {

COLORREF ColorToRGB(TColor color) {
    if (color & clSystemBit) return GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0xFFFFFF;
}

// ---- TFont ----------------------------------------------------------------------------

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    if (OnChange) OnChange();
}

void TFont::SetStyle(uint8_t style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::Assign(const TFont& other) {
    name_ = other.name_;
    height_ = other.height_;
    color_ = other.color_;
    style_ = other.style_;
    Changed();
}

void TFont::Changed() {
    if (handle_) retired_ = std::move(handle_);
    if (OnChange) OnChange();
}

HFONT TFont::Handle() {
    if (!handle_) {
        LOGFONTA font{};
        font.lfHeight = height_;
        font.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        font.lfItalic = (style_ & fsItalic) != 0;
        font.lfUnderline = (style_ & fsUnderline) != 0;
        font.lfStrikeOut = (style_ & fsStrikeOut) != 0;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = DEFAULT_QUALITY;
        lstrcpynA(font.lfFaceName, name_.c_str(), LF_FACESIZE);
        handle_.reset(CreateFontIndirectA(&font));
        if (!handle_) throw EOutOfResources("Out of system resources");
    }
    return handle_.get();
}

// ---- TCanvas --------------------------------------------------------------------------

void TCanvas::SetHandle(HDC dc) {
    if (dc == dc_) return;
    Release();
    dc_ = dc;
}

void TCanvas::Release() {
    if (!dc_) return;
    if (originalBrush_) SelectObject(dc_, originalBrush_);
    if (originalPen_) SelectObject(dc_, originalPen_);
    if (originalFont_) SelectObject(dc_, originalFont_);
    originalBrush_ = originalPen_ = originalFont_ = nullptr;
}

static void SelectKeepingOriginal(HDC dc, HGDIOBJ object, HGDIOBJ& original) {
    HGDIOBJ previous = SelectObject(dc, object);
    if (!original) original = previous;
}

void TCanvas::RealizeBrush() {
    HGDIOBJ brush;
    if (brush_.style == TBrushStyle::bsClear) {
        brush = GetStockObject(NULL_BRUSH);
    } else {
        UniqueBrush fresh(CreateSolidBrush(ColorToRGB(brush_.color)));
        SelectKeepingOriginal(dc_, fresh.get(), originalBrush_);
        brushHandle_ = std::move(fresh);  // the previous brush is no longer selected
        return;
    }
    SelectKeepingOriginal(dc_, brush, originalBrush_);
    brushHandle_.reset();
}

void TCanvas::RealizePen() {
    UniquePen fresh(CreatePen(pen_.style == TPenStyle::psClear ? PS_NULL : PS_SOLID, pen_.width,
                              ColorToRGB(pen_.color)));
    SelectKeepingOriginal(dc_, fresh.get(), originalPen_);
    penHandle_ = std::move(fresh);
}

void TCanvas::RealizeFont() {
    SelectKeepingOriginal(dc_, font_.Handle(), originalFont_);
    font_.FreeRetiredHandle();
    SetTextColor(dc_, ColorToRGB(font_.Color()));
    SetBkMode(dc_, brush_.style == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
    SetBkColor(dc_, ColorToRGB(brush_.color));
}

void TCanvas::FillRect(const RECT& rect) {
    if (brush_.style == TBrushStyle::bsClear) return;
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(brush_.color)));
    ::FillRect(dc_, &rect, brush.get());
}

void TCanvas::FrameRect(const RECT& rect) {
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(brush_.color)));
    ::FrameRect(dc_, &rect, brush.get());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    RealizePen();
    RealizeBrush();
    ::Rectangle(dc_, left, top, right, bottom);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    RealizePen();
    RealizeBrush();
    ::Ellipse(dc_, left, top, right, bottom);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    RealizePen();
    RealizeBrush();
    ::Pie(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::MoveTo(int x, int y) {
    MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    RealizePen();
    ::LineTo(dc_, x, y);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    RealizeFont();
    ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
}

SIZE TCanvas::TextExtent(const std::string& text) {
    RealizeFont();
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::TextRect(const RECT& clip, int x, int y, const std::string& text) {
    RealizeFont();
    ExtTextOutA(dc_, x, y, ETO_CLIPPED | (brush_.style == TBrushStyle::bsClear ? 0 : ETO_OPAQUE),
                &clip, text.data(), static_cast<UINT>(text.size()), nullptr);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
    StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               source.Handle(), sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, CopyMode);
}

// ---- TBitmap --------------------------------------------------------------------------

// Where the picture is transparent: `keep` white (all bits set) and `picture` black; elsewhere
// `keep` black and `picture` the picture's pixel.
struct TBitmap::TransparencyMask {
    TBitmap keep, picture;
    std::vector<RECT> stale;  // parts of the picture changed since they were made
};

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::Changed(std::optional<std::vector<RECT>> parts) {
    if (!parts)
        mask_.reset();
    else if (mask_)
        mask_->stale.insert(mask_->stale.end(), parts->begin(), parts->end());
    changedParts_ = std::move(parts);
    if (OnChange) OnChange();
}

std::vector<RECT> TBitmap::DifferingParts(const TBitmap& other, const RECT& area) const {
    // Columns closer than this go into one rectangle.
    constexpr int kGap = 8;
    const int width = area.right - area.left;
    std::vector<std::pair<int, int>> rows(width, {height_, -1});  // first, last differing
    for (int y = area.top; y < area.bottom; ++y) {
        const uint32_t* mine = pixels_ + size_t(y) * width_ + area.left;
        const uint32_t* theirs = other.pixels_ + size_t(y) * width_ + area.left;
        if (std::memcmp(mine, theirs, size_t(width) * 4) == 0) continue;
        for (int x = 0; x < width; ++x) {
            if (mine[x] == theirs[x]) continue;
            rows[x].first = std::min(rows[x].first, y);
            rows[x].second = y;
        }
    }
    std::vector<RECT> parts;
    for (int x = 0; x < width; ++x) {
        if (rows[x].second < 0) continue;
        const int column = area.left + x;
        if (parts.empty() || column - parts.back().right > kGap)
            parts.push_back({column, height_, column, 0});
        RECT& part = parts.back();
        part.right = column + 1;
        part.top = std::min<LONG>(part.top, rows[x].first);
        part.bottom = std::max<LONG>(part.bottom, rows[x].second + 1);
    }
    return parts;
}

bool TBitmap::SameFrame(const TBitmap& other) const {
    return other.width_ == width_ && other.height_ == height_ && pixels_ &&
           other.transparent_ == transparent_ && other.TransparentColor() == TransparentColor();
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    mask_.reset();
}

void TBitmap::DrawTransparent(HDC dc, int x, int y) const {
    if (!mask_) {
        mask_ = std::make_unique<TransparencyMask>();
        mask_->keep.Create(width_, height_);
        mask_->picture.Create(width_, height_);
        mask_->stale = {RECT{0, 0, width_, height_}};
    }
    // Only what changed is made again (a sliver of the progress ring per percent), once
    // the system has done drawing with the masks.
    if (!mask_->stale.empty()) GdiFlush();
    const COLORREF transparent = ColorToRGB(TransparentColor());
    const uint32_t key = uint32_t{GetRValue(transparent)} << 16 |
                         uint32_t{GetGValue(transparent)} << 8 | GetBValue(transparent);
    for (const RECT& part : mask_->stale) {
        for (int row = part.top; row < part.bottom; ++row) {
            for (size_t i = size_t(row) * width_ + part.left, end = i + (part.right - part.left);
                 i < end; ++i) {
                const bool see = (pixels_[i] & 0xFFFFFF) == key;
                mask_->keep.pixels_[i] = see ? 0xFFFFFFFF : 0;
                mask_->picture.pixels_[i] = see ? 0 : pixels_[i];
            }
        }
    }
    mask_->stale.clear();
    BitBlt(dc, x, y, width_, height_, mask_->keep.dc_.get(), 0, 0, SRCAND);
    BitBlt(dc, x, y, width_, height_, mask_->picture.dc_.get(), 0, 0, SRCPAINT);
}

void TBitmap::Create(int width, int height) {
    mask_.reset();
    canvas_.reset();
    if (dc_ && originalBitmap_) SelectObject(dc_.get(), originalBitmap_);
    originalBitmap_ = nullptr;
    dc_.reset();
    bitmap_.reset();
    pixels_ = nullptr;
    width_ = height_ = 0;
    if (width <= 0 || height <= 0) return;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_.reset(CreateCompatibleDC(nullptr));
    if (!bitmap_ || !dc_) throw EOutOfResources("Out of system resources");
    originalBitmap_ = SelectObject(dc_.get(), bitmap_.get());
    pixels_ = static_cast<uint32_t*>(bits);
    std::memset(pixels_, 0, size_t(width) * height * 4);
    width_ = width;
    height_ = height;
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Create(width, height);
    source_.clear();
    sourceBitCount_ = 32;
    Changed();
}

void TBitmap::Clear() {
    Create(0, 0);
    source_.clear();
    Changed();
}

TCanvas& TBitmap::Canvas() {
    mask_.reset();  // whatever is drawn next changes the pixels
    if (!canvas_) canvas_ = std::make_unique<TCanvas>(dc_.get());
    return *canvas_;
}

void TBitmap::Modified() {
    source_.clear();
    sourceBitCount_ = 32;
    Changed();
}

COLORREF TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    uint32_t value = pixels_[size_t(y) * width_ + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

namespace {

uint32_t ReadLe32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t ReadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

[[noreturn]] void InvalidBitmap() {
    throw Exception("Bitmap image is not valid");
}

// Checks that a BMP file image is complete and returns a pointer to its BITMAPINFO.
const BITMAPINFO* CheckBmp(const uint8_t* bytes, size_t size, const uint8_t** bits) {
    constexpr size_t kFileHeader = 14;
    if (size < kFileHeader + 40 || bytes[0] != 'B' || bytes[1] != 'M') InvalidBitmap();
    uint32_t offBits = ReadLe32(bytes + 10);
    const uint8_t* header = bytes + kFileHeader;
    uint32_t headerSize = ReadLe32(header);
    if (headerSize < 40 || headerSize > size - kFileHeader) InvalidBitmap();
    int32_t width = static_cast<int32_t>(ReadLe32(header + 4));
    int32_t height = static_cast<int32_t>(ReadLe32(header + 8));
    uint16_t bitCount = ReadLe16(header + 14);
    uint32_t compression = ReadLe32(header + 16);
    uint32_t colorsUsed = ReadLe32(header + 32);
    constexpr int32_t kMaxSide = 32768;
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        InvalidBitmap();
    bool bitfields = compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32);
    if (compression != BI_RGB && !bitfields) InvalidBitmap();
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        InvalidBitmap();
    uint64_t tableBytes = 0;
    if (bitCount <= 8) tableBytes = uint64_t(colorsUsed ? colorsUsed : 1u << bitCount) * 4;
    if (bitfields && headerSize == 40) tableBytes = 12;
    uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
    uint64_t imageBytes = stride * uint64_t(height < 0 ? -int64_t(height) : height);
    if (kFileHeader + headerSize + tableBytes > size || offBits < kFileHeader + headerSize ||
        offBits > size || imageBytes > size - offBits)
        InvalidBitmap();
    *bits = bytes + offBits;
    return reinterpret_cast<const BITMAPINFO*>(header);
}

}  // namespace

void TBitmap::LoadFromBytes(const uint8_t* bytes, size_t size) {
    const uint8_t* bits = nullptr;
    const BITMAPINFO* info = CheckBmp(bytes, size, &bits);
    int width = info->bmiHeader.biWidth;
    int height =
        info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    // Keep the bytes first: the header we read points into them.
    std::vector<uint8_t> source(bytes, bytes + size);
    info = reinterpret_cast<const BITMAPINFO*>(source.data() + 14);
    bits = source.data() + (bits - bytes);
    Create(width, height);
    SetDIBitsToDevice(dc_.get(), 0, 0, width, height, 0, 0, 0, height, bits, info, DIB_RGB_COLORS);
    GdiFlush();
    sourceBitCount_ = info->bmiHeader.biBitCount;
    source_ = std::move(source);
    Changed();
}

void TBitmap::LoadFromFile(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        throw Exception(Format("Cannot open file \"%s\". %s", path.c_str(),
                               SysErrorMessage(GetLastError()).c_str()));
    LARGE_INTEGER size{};
    GetFileSizeEx(file.get(), &size);
    if (size.QuadPart > 64 * 1024 * 1024) InvalidBitmap();
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), bytes.size(), &read, nullptr) || read != bytes.size()))
        throw EReadError("Stream read error");
    LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::LoadFromResource(const char* name) {
    std::vector<uint8_t> bytes = ResourceBytes(name);
    if (bytes.empty()) throw Exception(Format("Resource %s not found", name));
    LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::Assign(const TBitmap& other) {
    if (&other == this) return;
    // The pixels are copied as they are (a loaded bitmap's pixels are its bytes decoded);
    // the bytes go along, so the copy stores itself exactly like the original.
    // A picture of the same size and look changes where its pixels do: painted again only
    // there, the progress screen's ring costs a sliver per percent instead of all of it.
    std::optional<std::vector<RECT>> parts;
    if (SameFrame(other)) parts = DifferingParts(other, RECT{0, 0, width_, height_});
    if (other.width_ != width_ || other.height_ != height_) Create(other.width_, other.height_);
    if (pixels_) std::memcpy(pixels_, other.pixels_, size_t(width_) * height_ * 4);
    source_ = other.source_;
    sourceBitCount_ = other.sourceBitCount_;
    transparent_ = other.transparent_;
    transparentColor_ = other.transparentColor_;
    Changed(std::move(parts));
}

void TBitmap::AssignPart(const TBitmap& other, const RECT& part) {
    if (&other == this) return;
    if (!SameFrame(other)) return Assign(other);
    RECT area;
    const RECT all{0, 0, width_, height_};
    if (!IntersectRect(&area, &part, &all)) return;
    GdiFlush();  // the pixels as drawn so far
    std::vector<RECT> parts = DifferingParts(other, area);
    if (parts.empty()) return;
    const size_t rowBytes = size_t(area.right - area.left) * 4;
    for (int y = area.top; y < area.bottom; ++y) {
        const size_t at = size_t(y) * width_ + area.left;
        std::memcpy(pixels_ + at, other.pixels_ + at, rowBytes);
    }
    // A mix of two pictures is neither's file any more.
    source_.clear();
    sourceBitCount_ = 32;
    Changed(std::move(parts));
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clNone) return transparentColor_;
    return Empty() ? clNone : Pixel(0, height_ - 1);
}

void TBitmap::Draw(HDC dc, int x, int y) const {
    if (Empty()) return;
    RECT dest{x, y, x + width_, y + height_};
    StretchDraw(dc, dest);
}

void TBitmap::StretchDraw(HDC dc, const RECT& dest) const {
    if (Empty()) return;
    int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (transparent_ && w == width_ && h == height_) {
        DrawTransparent(dc, dest.left, dest.top);
    } else if (transparent_) {
        // gdi32's own call: msimg32's TransparentBlt only forwards to it, and msimg32, not
        // protected as a KnownDLL, would be looked for beside the program first.
        GdiTransparentBlt(dc, dest.left, dest.top, w, h, dc_.get(), 0, 0, width_, height_,
                          ColorToRGB(TransparentColor()));
    } else if (w == width_ && h == height_) {
        BitBlt(dc, dest.left, dest.top, w, h, dc_.get(), 0, 0, SRCCOPY);
    } else {
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dest.left, dest.top, w, h, dc_.get(), 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
}

void TBitmap::DrawClipped(HDC dc, int x, int y, const RECT& clip) const {
    int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    Draw(dc, x, y);
    RestoreDC(dc, saved);
}

std::vector<uint8_t> ResourceBytes(const char* name) {
    HRSRC found = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
    DWORD size = SizeofResource(nullptr, found);
    if (!data) return {};
    return std::vector<uint8_t>(data, data + size);
}

std::vector<uint8_t> EncodeBmp24(const TBitmap& bitmap) {
    const int width = bitmap.Width(), height = bitmap.Height();
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t imageSize = stride * height;
    std::vector<uint8_t> bytes(54 + imageSize, 0);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;   // planes
    bytes[28] = 24;  // bits per pixel
    put32(34, static_cast<uint32_t>(imageSize));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bytes.data() + 54 + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            COLORREF color = bitmap.Pixel(x, y);
            row[x * 3] = GetBValue(color);
            row[x * 3 + 1] = GetGValue(color);
            row[x * 3 + 2] = GetRValue(color);
        }
    }
    return bytes;
}

}  // namespace mvt

// Colours, fonts, pens, brushes, canvases and bitmaps over GDI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace mvt {

// A colour is either an RGB value with red in the lowest byte or a system colour code
// 0x800000nn (nn = the GetSysColor index).
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clGray = 0x808080, clOlive = 0x008080,
                 clLime = 0x00FF00, clSilver = 0xC0C0C0, clRed = 0x0000FF;
constexpr TColor clSystemBit = 0x80000000;
constexpr TColor clBtnFace = clSystemBit | COLOR_BTNFACE, clWindow = clSystemBit | COLOR_WINDOW,
                 clWindowFrame = clSystemBit | COLOR_WINDOWFRAME,
                 clWindowText = clSystemBit | COLOR_WINDOWTEXT;
constexpr TColor clNone = 0x1FFFFFFF;

COLORREF ColorToRGB(TColor color);

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont {
  public:
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    // Points at the screen's 96 pixels per inch.
    void SetSize(int points) { SetHeight(-MulDiv(points, 96, 72)); }
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    uint8_t Style() const { return style_; }
    void SetStyle(uint8_t style);
    void Assign(const TFont& other);
    HFONT Handle();
    // A handle replaced after a change stays alive until the canvas that may still have it
    // selected has selected the new one.
    void FreeRetiredHandle() { retired_.reset(); }
    std::function<void()> OnChange;

  private:
    void Changed();
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    uint8_t style_ = 0;
    UniqueFont handle_;
    UniqueFont retired_;
};

enum class TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TColor color = clWhite;
    TBrushStyle style = TBrushStyle::bsSolid;
};

enum class TPenStyle { psSolid, psClear };

struct TPen {
    TColor color = clBlack;
    int width = 1;
    TPenStyle style = TPenStyle::psSolid;  // psClear: shapes get no outline
};

// Drawing on a device context the canvas does not own (a window's paint context or a
// bitmap's memory context). Pen, brush and font are realised when a drawing call needs them.
class TCanvas {
  public:
    explicit TCanvas(HDC dc = nullptr) : dc_(dc) {}
    ~TCanvas() { Release(); }
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return dc_; }
    void SetHandle(HDC dc);

    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }
    TFont& Font() { return font_; }
    DWORD CopyMode = SRCCOPY;

    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Ellipse(int left, int top, int right, int bottom);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    void TextRect(const RECT& clip, int x, int y, const std::string& text);
    // Block copy from another canvas with the raster operation in CopyMode.
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

  private:
    void RealizeBrush();
    void RealizePen();
    void RealizeFont();
    void Release();

    HDC dc_;
    TBrush brush_;
    TPen pen_;
    TFont font_;
    UniqueBrush brushHandle_;
    UniquePen penHandle_;
    HGDIOBJ originalBrush_ = nullptr, originalPen_ = nullptr, originalFont_ = nullptr;
};

// A device-independent bitmap held as a 32-bit top-down DIB section with a memory device
// context, whatever depth it was loaded from. The original file bytes are kept so that a
// bitmap read from stored data writes back exactly the same bytes.
class TBitmap {
  public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    // Bits per pixel of the source the bitmap was loaded from (32 for bitmaps made here).
    int SourceBitCount() const { return sourceBitCount_; }
    void SetSize(int width, int height);
    void Clear();

    // Loads a complete BMP file image ("BM" header); raises on anything else.
    void LoadFromBytes(const uint8_t* bytes, size_t size);
    void LoadFromFile(const std::string& path);
    // Loads a BMP image stored as raw data (RT_RCDATA) in the program's resources.
    void LoadFromResource(const char* name);
    // Copies another bitmap; of the same size and transparency, only the pixels that
    // differ count as changed (ChangedParts).
    void Assign(const TBitmap& other);
    // Copies the pixels of `part` from a bitmap of the same size and transparency, the rest
    // staying as it is; only those that differ count as changed. From any other bitmap it
    // copies all of it, as Assign does.
    void AssignPart(const TBitmap& other, const RECT& part);
    // The BMP file bytes this bitmap was loaded from (empty for bitmaps made in memory).
    const std::vector<uint8_t>& SourceBytes() const { return source_; }

    TCanvas& Canvas();
    // To be called after drawing on the canvas: the file bytes the bitmap was loaded from
    // no longer describe its pixels, so copies and stored forms take the pixels instead.
    void Modified();
    HBITMAP Handle() const { return bitmap_.get(); }
    // Pixel access on the DIB (0x00RRGGBB as stored; use Pixel for a COLORREF).
    COLORREF Pixel(int x, int y) const;

    // Transparent drawing: pixels equal to TransparentColor are left out. Without an
    // explicit colour the bottom-left pixel decides, as for any transparent picture.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);

    // Draws the bitmap onto a device context at (x, y), or stretched into dest.
    void Draw(HDC dc, int x, int y) const;
    void StretchDraw(HDC dc, const RECT& dest) const;
    // Draws the part of the bitmap that falls inside clip (device coordinates).
    void DrawClipped(HDC dc, int x, int y, const RECT& clip) const;

    std::function<void()> OnChange;
    // What the latest change touched, when OnChange is told: parts of the picture, its size
    // and transparency unchanged (none when no pixel changed), or nothing for all of it.
    const std::optional<std::vector<RECT>>& ChangedParts() const { return changedParts_; }

  private:
    // Transparent drawing in two plain copies: the destination kept where the picture is
    // transparent, then the picture's other pixels put in. The system's transparent copy
    // made its masks anew on every call, which for the progress screen's ring cost more
    // than the rest of the screen's painting; these are made again only where the picture
    // changed.
    struct TransparencyMask;
    void DrawTransparent(HDC dc, int x, int y) const;

    void Changed(std::optional<std::vector<RECT>> parts = std::nullopt);
    void Create(int width, int height);
    // Rectangles holding every pixel that differs from `other`'s, of the same size: one
    // around each group of columns with differing pixels, so that changes apart (the two
    // sides of the progress ring) are not one rectangle around both.
    std::vector<RECT> DifferingParts(const TBitmap& other, const RECT& area) const;
    // Of the same size and transparency: a copy of it changes pixels, not the picture.
    bool SameFrame(const TBitmap& other) const;

    int width_ = 0, height_ = 0;
    int sourceBitCount_ = 32;
    uint32_t* pixels_ = nullptr;
    UniqueBitmap bitmap_;
    UniqueDc dc_;
    HGDIOBJ originalBitmap_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    std::vector<uint8_t> source_;
    bool transparent_ = false;
    TColor transparentColor_ = clNone;
    mutable std::unique_ptr<TransparencyMask> mask_;
    std::optional<std::vector<RECT>> changedParts_;
};

// Raw bytes of a RT_RCDATA resource of the program (empty when it does not exist).
std::vector<uint8_t> ResourceBytes(const char* name);

// Writes a bitmap's pixels as a bottom-up 24-bit BMP file image.
std::vector<uint8_t> EncodeBmp24(const TBitmap& bitmap);

}  // namespace mvt

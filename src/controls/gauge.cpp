#include "controls/gauge.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "framework/sysutils.h"

namespace mvt {

void TBltBitmap::MakeLike(const TBitmap& templateBitmap) {
    SetSize(templateBitmap.Width(), templateBitmap.Height());
    Canvas().Brush().color = clWindowFrame;
    Canvas().Brush().style = TBrushStyle::bsSolid;
    Canvas().FillRect({0, 0, Width(), Height()});
}

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner) {
    width_ = 100;
    height_ = 100;
    SetColor(clWindow);
}

// Nearest integer with ties to even, as the drawing coordinates are rounded.
static int Nearest(double value) {
    return static_cast<int>(std::nearbyint(value));
}

int TGauge::PercentDone() const {
    if (maxValue_ - minValue_ == 0) return 0;
    return static_cast<int>(
        std::trunc(double(progress_ - minValue_) * 100.0 / double(maxValue_ - minValue_)));
}

void TGauge::Refresh() {
    Repaint();
}

void TGauge::SetProgress(int value) {
    if (value < minValue_) value = minValue_;
    if (value > maxValue_) value = maxValue_;
    if (value == progress_) return;
    int before = PercentDone();
    progress_ = value;
    if (PercentDone() != before) Refresh();
}

void TGauge::SetMinValue(int value) {
    if (value == minValue_) return;
    if (value > maxValue_ && !loading_)
        throw EInvalidOperation(
            Format("Value must be between %d and %d", -2147483647, maxValue_ - 1));
    minValue_ = value;
    if (progress_ < value) progress_ = value;
    Refresh();
}

void TGauge::SetMaxValue(int value) {
    if (value == maxValue_) return;
    if (value < minValue_ && !loading_)
        throw EInvalidOperation(
            Format("Value must be between %d and %d", minValue_ + 1, 2147483647));
    maxValue_ = value;
    if (progress_ > value) progress_ = value;
    Refresh();
}

#define GAUGE_SETTER(Name, field, Type)  \
    void TGauge::Set##Name(Type value) { \
        if (value == field) return;      \
        field = value;                   \
        Refresh();                       \
    }
GAUGE_SETTER(Kind, kind_, TGaugeKind)
GAUGE_SETTER(ShowText, showText_, bool)
GAUGE_SETTER(BorderStyle, borderStyle_, TBorderStyle)
GAUGE_SETTER(ForeColor, foreColor_, TColor)
GAUGE_SETTER(BackColor, backColor_, TColor)
#undef GAUGE_SETTER

void TGauge::Paint(TCanvas& canvas) {
    TBitmap image;
    PaintTo(image);
    image.Draw(canvas.Handle(), 0, 0);
}

void TGauge::PaintTo(TBitmap& image) {
    image.SetSize(Width(), Height());
    if (image.Empty()) return;
    BitBlt(image.Canvas().Handle(), 0, 0, Width(), Height(), nullptr, 0, 0, BLACKNESS);
    RECT r = ClientRect();
    if (borderStyle_ == TBorderStyle::bsSingle) InflateRect(&r, -1, -1);

    TBltBitmap overlay;
    overlay.MakeLike(image);
    BitBlt(overlay.Canvas().Handle(), 0, 0, Width(), Height(), nullptr, 0, 0, BLACKNESS);
    DrawKind(overlay.Canvas(), r);
    // The overlay lands on black unchanged; outside R the black stays as the frame.
    BitBlt(image.Canvas().Handle(), 0, 0, Width(), Height(), overlay.Canvas().Handle(), 0, 0,
           SRCINVERT);
    if (showText_) DrawPercentText(image, r);
}

void TGauge::DrawKind(TCanvas& canvas, const RECT& r) {
    switch (kind_) {
        case TGaugeKind::gkText:
            canvas.Brush().color = backColor_;
            canvas.FillRect(r);
            break;
        case TGaugeKind::gkHorizontalBar:
            DrawBar(canvas, r, false);
            break;
        case TGaugeKind::gkVerticalBar:
            DrawBar(canvas, r, true);
            break;
        case TGaugeKind::gkPie:
            DrawPie(canvas, r);
            break;
        case TGaugeKind::gkNeedle:
            DrawNeedle(canvas, r);
            break;
    }
}

void TGauge::DrawBar(TCanvas& canvas, const RECT& r, bool vertical) {
    canvas.Brush().style = TBrushStyle::bsSolid;
    canvas.Brush().color = backColor_;
    canvas.FillRect(r);
    canvas.Pen() = {foreColor_, 1};
    canvas.Brush().color = foreColor_;
    // One more than R's size, so the bar reaches into the bottom (and right) frame line.
    int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    if (!vertical) {
        int fill = std::min(w, static_cast<int>(std::trunc(w * (PercentDone() * 0.01))));
        if (fill >= 1) canvas.FillRect({r.left, r.top, r.left + fill, r.top + h});
    } else {
        int fill = static_cast<int>(std::trunc(h * (PercentDone() * 0.01)));
        if (fill >= h) fill = h - 1;
        canvas.FillRect({r.left, h - fill, r.left + w, h - fill + h});
    }
}

SIZE TGauge::PrepareRoundKind(TCanvas& canvas, const RECT& r) {
    int border = borderStyle_ == TBorderStyle::bsSingle ? 1 : 0;
    canvas.Brush().style = TBrushStyle::bsSolid;
    canvas.Brush().color = Color();
    canvas.FillRect(r);
    canvas.Brush().color = backColor_;
    canvas.Pen() = {foreColor_, 1};
    return {r.right - r.left + border, r.bottom - r.top + border};
}

void TGauge::DrawPie(TCanvas& canvas, const RECT& r) {
    auto [w, h] = PrepareRoundKind(canvas, r);
    canvas.Ellipse(r.left, r.top, w, h);
    if (PercentDone() > 0) {
        canvas.Brush().color = foreColor_;
        int hw = w / 2, hh = h / 2;
        double angle = (PercentDone() / 50.0 + 0.5) * std::numbers::pi;
        canvas.Pie(r.left, r.top, w, h, Nearest(hw * (1 - std::cos(angle))),
                   Nearest(hh * (1 - std::sin(angle))), hw, 0);
    }
}

void TGauge::DrawNeedle(TCanvas& canvas, const RECT& r) {
    auto [w, h] = PrepareRoundKind(canvas, r);
    canvas.Pie(r.left, r.top, w, 2 * h - 1, r.left + w, r.bottom - 1, r.left, r.bottom - 1);
    canvas.MoveTo(r.left, r.bottom);
    canvas.LineTo(r.left + w, r.bottom);
    if (PercentDone() > 0) {
        int cx = Width() / 2;
        double angle = PercentDone() / 100.0 * std::numbers::pi;
        canvas.MoveTo(cx, r.bottom - 1);
        canvas.LineTo(Nearest(cx * (1 - std::cos(angle))),
                      Nearest((r.bottom - 1) * (1 - std::sin(angle))));
    }
}

void TGauge::DrawPercentText(TBitmap& image, const RECT& r) {
    std::string text = Format("%d%%", PercentDone());
    TBltBitmap scratch;
    scratch.MakeLike(image);
    TCanvas& canvas = scratch.Canvas();
    BitBlt(canvas.Handle(), 0, 0, Width(), Height(), nullptr, 0, 0, BLACKNESS);
    canvas.Font().Assign(Font());
    canvas.Font().SetColor(clWhite);
    canvas.Brush().style = TBrushStyle::bsClear;
    SIZE extent = canvas.TextExtent(text);
    int x = (r.right - r.left + 1 - extent.cx) / 2;
    int y = (r.bottom - r.top + 1 - extent.cy) / 2;
    canvas.TextRect(r, x, y, text);
    // XOR: the text shows every pixel beneath it in inverted colour.
    BitBlt(image.Canvas().Handle(), 0, 0, Width(), Height(), canvas.Handle(), 0, 0, SRCINVERT);
}

}  // namespace mvt

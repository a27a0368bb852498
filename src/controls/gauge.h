// A percentage gauge: text, horizontal or vertical bar, pie or needle.
#pragma once

#include "framework/controls.h"
#include "framework/graphics.h"

namespace mvt {

// A bitmap that can take the size of another and fill itself with the window-frame colour,
// for building same-sized scratch images.
class TBltBitmap : public TBitmap {
  public:
    void MakeLike(const TBitmap& templateBitmap);
};

enum class TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum class TBorderStyle { bsNone, bsSingle };

class TGauge : public TGraphicControl {
  public:
    explicit TGauge(TComponent* owner);

    TGaugeKind Kind() const { return kind_; }
    void SetKind(TGaugeKind kind);
    int MinValue() const { return minValue_; }
    void SetMinValue(int value);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value);
    int Progress() const { return progress_; }
    void SetProgress(int value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool show);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TColor ForeColor() const { return foreColor_; }
    void SetForeColor(TColor color);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor color);
    int PercentDone() const;

    // While loading stored settings the range checks of MinValue and MaxValue are off.
    void SetLoading(bool loading) { loading_ = loading; }

    bool Opaque() const override { return true; }
    void Paint(TCanvas& canvas) override;
    // Draws the gauge into a bitmap of its own size (what Paint copies to the screen).
    void PaintTo(TBitmap& image);

  private:
    void Refresh();
    void DrawKind(TCanvas& overlay, const RECT& r);
    void DrawBar(TCanvas& canvas, const RECT& r, bool vertical);
    // The pie and needle background (Color), outline pen and brush; their width and height.
    SIZE PrepareRoundKind(TCanvas& canvas, const RECT& r);
    void DrawPie(TCanvas& canvas, const RECT& r);
    void DrawNeedle(TCanvas& canvas, const RECT& r);
    void DrawPercentText(TBitmap& image, const RECT& r);

    TGaugeKind kind_ = TGaugeKind::gkHorizontalBar;
    int minValue_ = 0, maxValue_ = 100, progress_ = 0;
    bool showText_ = true;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    TColor foreColor_ = clBlack, backColor_ = clWhite;
    bool loading_ = false;
};

}  // namespace mvt

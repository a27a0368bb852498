// Pictures, text labels and timers.
#pragma once

#include <string>

#include "framework/controls.h"

namespace mvt {

// Shows a bitmap: at its own size from the top-left corner (clipped to the control), or
// stretched to the control. With Transparent the bitmap's transparent colour shows what
// lies beneath.
class TImage : public TGraphicControl {
  public:
    explicit TImage(TComponent* owner);
    TBitmap& Picture() { return picture_; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool Transparent() const { return picture_.Transparent(); }
    void SetTransparent(bool transparent);
    bool Opaque() const override { return !Transparent() && !stretch_; }
    void Paint(TCanvas& canvas) override;
    // A picture with lettering in it is static text with those words (its accessible
    // name); any other is nothing to assistive technology.
    long AccessibleRole() const override;

  private:
    TBitmap picture_;
    bool stretch_ = false;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
  public:
    explicit TLabel(TComponent* owner);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    // With AutoSize the label takes the size of its text (the width stays with WordWrap).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

    void Paint(TCanvas& canvas) override;
    // The rectangle the text needs inside the given width (DrawText's measuring).
    RECT TextBounds(int width);

    // Static text with the caption's words.
    long AccessibleRole() const override;
    std::string AccessibleName() const override;

  protected:
    void FontChanged() override;
    virtual void CaptionChanged();

  private:
    UINT DrawFlags() const;
    // Whether all the device context lets through lies below the text starting at `top`:
    // the label is painted only for a neighbour's change that overlaps its last rows.
    bool BelowText(HDC dc, int top) const;
    void AdjustBounds();

    std::string caption_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    bool autoSize_ = true;
};

// A container window without border. A transparent panel shows what its parent paints
// behind it; its children are drawn only inside it (a viewport onto a larger child).
class TPanel : public TWinControl {
  public:
    using TWinControl::TWinControl;
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

  protected:
    void PaintBackground(TCanvas& canvas) override;

  private:
    bool transparent_ = false;
};

// Calls OnTimer every Interval milliseconds on the GUI thread while enabled.
class TTimer : public TComponent {
  public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TNotifyEvent OnTimer;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Update();

    HWND window_ = nullptr;
    unsigned interval_ = 1000;
    bool enabled_ = true;
};

}  // namespace mvt

#include "framework/stdctrls.h"

#include <algorithm>
#include <oleacc.h>

#include "framework/accessibility.h"
#include "framework/forms.h"
#include "framework/hidden_window.h"

namespace mvt {

// ---- TImage ---------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    picture_.OnChange = [this] {
        // A hidden picture (the progress screen's work pictures lie under the ring) shows
        // nothing that changed; one drawn at the top-left corner, not stretched, is painted
        // again where the changed parts lie.
        if (!Visible()) return;
        if (picture_.ChangedParts() && !stretch_) {
            InvalidateParts(*picture_.ChangedParts());
        } else {
            Invalidate();
        }
    };
}

void TImage::SetStretch(bool stretch) {
    if (stretch == stretch_) return;
    stretch_ = stretch;
    Invalidate();
}

void TImage::SetTransparent(bool transparent) {
    if (transparent == picture_.Transparent()) return;
    picture_.SetTransparent(transparent);
    Invalidate();
}

long TImage::AccessibleRole() const {
    return AccessibleName().empty() ? 0 : ROLE_SYSTEM_STATICTEXT;
}

void TImage::Paint(TCanvas& canvas) {
    if (stretch_)
        picture_.StretchDraw(canvas.Handle(), ClientRect());
    else
        picture_.DrawClipped(canvas.Handle(), 0, 0, ClientRect());
}

// ---- TLabel ---------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 17;
}

void TLabel::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    CaptionChanged();
}

void TLabel::CaptionChanged() {
    AdjustBounds();
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
}

long TLabel::AccessibleRole() const {
    return ROLE_SYSTEM_STATICTEXT;
}

std::string TLabel::AccessibleName() const {
    const std::string given = TGraphicControl::AccessibleName();
    return given.empty() ? AccessibleWords(caption_) : given;
}

void TLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

#define LABEL_SETTER(Name, field, Type, adjust) \
    void TLabel::Set##Name(Type value) {        \
        if (value == field) return;             \
        field = value;                          \
        if (adjust) AdjustBounds();             \
        Invalidate();                           \
    }
LABEL_SETTER(Alignment, alignment_, TAlignment, false)
LABEL_SETTER(Layout, layout_, TTextLayout, false)
LABEL_SETTER(WordWrap, wordWrap_, bool, true)
LABEL_SETTER(Transparent, transparent_, bool, false)
LABEL_SETTER(ShowAccelChar, showAccelChar_, bool, true)
LABEL_SETTER(AutoSize, autoSize_, bool, true)
#undef LABEL_SETTER

UINT TLabel::DrawFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (alignment_ == TAlignment::taCenter) flags |= DT_CENTER;
    if (alignment_ == TAlignment::taRightJustify) flags |= DT_RIGHT;
    return flags;
}

RECT TLabel::TextBounds(int width) {
    RECT bounds{0, 0, width, 0};
    WindowDc screen(nullptr);
    SelectGuard font(screen.get(), Font().Handle());
    std::string text = caption_.empty() ? std::string(" ") : caption_;
    DrawTextA(screen.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
              DrawFlags() | DT_CALCRECT);
    return bounds;
}

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    RECT bounds = TextBounds(wordWrap_ ? width_ : 0);
    int width = wordWrap_ ? width_ : bounds.right;
    int left = left_;
    if (!wordWrap_ && alignment_ == TAlignment::taRightJustify) left += width_ - width;
    if (!wordWrap_ && alignment_ == TAlignment::taCenter) left += (width_ - width) / 2;
    SetBounds(left, top_, width, bounds.bottom);
}

void TLabel::Paint(TCanvas& canvas) {
    HDC dc = canvas.Handle();
    RECT client = ClientRect();
    if (!transparent_) {
        canvas.Brush().color = Color();
        canvas.FillRect(client);
    }
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font().Color()));
    UINT flags = DrawFlags();
    RECT text = client;
    if (layout_ != TTextLayout::tlTop) {
        RECT needed = TextBounds(client.right);
        int offset = client.bottom - needed.bottom;
        text.top += layout_ == TTextLayout::tlCenter ? offset / 2 : offset;
    }
    if (!Enabled()) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    if (BelowText(dc, text.top)) return;
    DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text, flags);
}

bool TLabel::BelowText(HDC dc, int top) const {
    // Only for lines as written: wrapped ones would have to be measured, which costs about
    // what drawing them does.
    if (wordWrap_) return false;
    RECT visible;
    TEXTMETRICA metrics;
    if (GetClipBox(dc, &visible) == NULLREGION || !GetTextMetricsA(dc, &metrics)) return false;
    const auto lines = 1 + std::count(caption_.begin(), caption_.end(), '\n');
    // A few rows to spare for glyphs that reach past their line.
    constexpr int kSpare = 3;
    return visible.top >= top + lines * metrics.tmHeight + kSpare;
}

// ---- TPanel ---------------------------------------------------------------------------

void TPanel::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TPanel::PaintBackground(TCanvas& canvas) {
    if (transparent_ && Parent())
        Parent()->PaintBackgroundBehind(this, canvas.Handle());
    else
        TWinControl::PaintBackground(canvas);
}

// ---- TTimer ---------------------------------------------------------------------------

namespace {
constexpr char kTimerClass[] = "MVTTimer";
constexpr UINT_PTR kTimerId = 1;
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    RegisterHiddenWindowClass(kTimerClass, &TTimer::WindowProc);
    window_ = CreateMessageWindow(kTimerClass);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Update();
}

TTimer::~TTimer() {
    KillTimer(window_, kTimerId);
    DestroyWindow(window_);
}

void TTimer::SetInterval(unsigned interval) {
    if (interval == interval_) return;
    interval_ = interval;
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void TTimer::Update() {
    KillTimer(window_, kTimerId);
    if (enabled_ && interval_ > 0) SetTimer(window_, kTimerId, interval_, nullptr);
}

LRESULT CALLBACK TTimer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (timer && timer->enabled_ && timer->OnTimer) {
            try {
                timer->OnTimer(timer);
            } catch (const std::exception& error) {
                Application().ShowException(error);
            }
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace mvt

#include "controls/skbmpbutton.h"

#include <windowsx.h>

#include <oleacc.h>

#include <algorithm>

#include "framework/byteblock.h"

namespace mvt {

namespace {

char UpperAnsi(char c) {
    char buffer[2] = {c, 0};
    CharUpperBuffA(buffer, 1);
    return buffer[0];
}

}  // namespace

// ---- TSkButtonBitmaps -------------------------------------------------------------------

TSkButtonBitmaps::TSkButtonBitmaps() {
    for (TBitmap& image : images_) image.OnChange = [this] { Changed(); };
}

void TSkButtonBitmaps::Changed() {
    if (!assigning_ && OnChange) OnChange(this);
}

void TSkButtonBitmaps::SetTransparentColor(TColor color) {
    if (color == transparentColor_) return;
    transparentColor_ = color;
    Changed();
}

std::vector<uint8_t> TSkButtonBitmaps::Data(TButtonImage which) const {
    const TBitmap& image = Image(which);
    if (image.Empty()) return WriteByteBlock({});
    if (!image.SourceBytes().empty()) return WriteByteBlock(image.SourceBytes());
    return WriteByteBlock(EncodeBmp24(image));
}

void TSkButtonBitmaps::LoadData(TButtonImage which, const uint8_t* block, size_t size) {
    std::vector<uint8_t> bmp = ReadByteBlock(block, size);
    if (bmp.empty()) {
        Image(which).Clear();
        return;
    }
    LoadImage(which, bmp.data(), bmp.size());
}

void TSkButtonBitmaps::LoadImage(TButtonImage which, const uint8_t* bmp, size_t size) {
    Image(which).LoadFromBytes(bmp, size);
}

void TSkButtonBitmaps::Assign(const TSkButtonBitmaps& other) {
    if (&other == this) return;
    // One change notification for the whole copy, not one per image.
    assigning_ = true;
    try {
        for (size_t i = 0; i < 6; ++i) images_[i].Assign(other.images_[i]);
    } catch (...) {
        assigning_ = false;
        throw;
    }
    assigning_ = false;
    transparentColor_ = other.transparentColor_;
    Changed();
}

// ---- TDownPatternStore ------------------------------------------------------------------

TDownPatternStore& TDownPatternStore::Shared() {
    static TDownPatternStore store;
    return store;
}

TBitmap& TDownPatternStore::Pattern() {
    if (!pattern_) {
        auto pattern = std::make_unique<TBitmap>();
        pattern->SetSize(8, 8);
        TCanvas& canvas = pattern->Canvas();
        canvas.Brush().color = clBtnFace;
        canvas.FillRect({0, 0, 8, 8});
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (x % 2 == y % 2) SetPixelV(canvas.Handle(), x, y, RGB(255, 255, 255));
        pattern_ = std::move(pattern);
    }
    return *pattern_;
}

void TDownPatternStore::RemoveButton() {
    if (--liveButtons_ == 0) pattern_.reset();
}

// ---- Layout -----------------------------------------------------------------------------

TButtonPlacement PlaceGlyphAndCaption(SIZE area, SIZE glyph, SIZE text, TButtonLayout layout,
                                      int margin, int spacing) {
    const bool horizontal =
        layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
    // Main axis values (a) and cross axis values (c).
    const int areaA = horizontal ? area.cx : area.cy, areaC = horizontal ? area.cy : area.cx;
    const int glyphA = horizontal ? glyph.cx : glyph.cy, glyphC = horizontal ? glyph.cy : glyph.cx;
    const int textA = horizontal ? text.cx : text.cy, textC = horizontal ? text.cy : text.cx;

    const int glyphCross = areaC / 2 - glyphC / 2;
    const int textCross = areaC / 2 - textC / 2;

    int s = spacing, m = margin;
    if (text.cx == 0 || glyph.cx == 0) s = 0;
    if (m == -1) {
        if (s == -1) {
            m = (areaA - (glyphA + textA)) / 3;
            s = m;
        } else {
            m = areaA / 2 - (glyphA + s + textA) / 2;
        }
    } else if (s == -1) {
        s = (areaA - m - glyphA) / 2 - textA / 2;
    }

    int glyphMain, textMain;
    if (layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphTop) {
        glyphMain = m;
        textMain = m + glyphA + s;
    } else {
        glyphMain = areaA - m - glyphA;
        textMain = glyphMain - s - textA;
    }
    TButtonPlacement placement;
    placement.glyph = horizontal ? POINT{glyphMain, glyphCross} : POINT{glyphCross, glyphMain};
    placement.caption = horizontal ? POINT{textMain, textCross} : POINT{textCross, textMain};
    return placement;
}

// ---- TSkBmpButton: properties -----------------------------------------------------------

TSkBmpButton::TSkBmpButton(TComponent* owner) : TWinControl(owner) {
    width_ = 80;
    height_ = 30;
    SetTabStop(true);
    bitmaps_.OnChange = [this](TObject*) { BitmapsChanged(); };
}

TSkBmpButton::~TSkBmpButton() {
    // The window goes while this class's message handling still exists.
    if (GetCapture() == handle_ && handle_) ReleaseCapture();
    DestroyHandle();
}

void TSkBmpButton::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TSkBmpButton::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    // A button that leaves its group cannot stay latched: Down is False without a group.
    if (groupIndex_ == 0 && down_) {
        down_ = false;
        Invalidate();
    }
    UpdateExclusive();
}

void TSkBmpButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    // A latched button of an exclusive group is raised only by latching another one.
    if (down_ && !allowAllUp_) return;
    down_ = value;
    state_ = value ? TBmpButtonState::bbsExclusive : TBmpButtonState::bbsUp;
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
    if (value) UpdateExclusive();
}

void TSkBmpButton::SetButtonBorder(TButtonBorder value) {
    if (value == buttonBorder_) return;
    buttonBorder_ = value;
    FitSize();
    Invalidate();
}

void TSkBmpButton::SetButtonSize(TBtnSize value) {
    if (value == buttonSize_) return;
    buttonSize_ = value;
    FitSize();
    Invalidate();
}

void TSkBmpButton::SetButtonStyle(TButtonStyle value) {
    if (value == buttonStyle_) return;
    buttonStyle_ = value;
    FitSize();
    Invalidate();
}

#define SKBUTTON_SETTER(Name, field, Type)     \
    void TSkBmpButton::Set##Name(Type value) { \
        if (value == field) return;            \
        field = value;                         \
        Invalidate();                          \
    }
SKBUTTON_SETTER(CaptionDownOffset, captionDownOffset_, int)
SKBUTTON_SETTER(Layout, layout_, TButtonLayout)
SKBUTTON_SETTER(ShowDownPattern, showDownPattern_, bool)
SKBUTTON_SETTER(ShowFocus, showFocus_, bool)
SKBUTTON_SETTER(Spacing, spacing_, int)
#undef SKBUTTON_SETTER

void TSkBmpButton::SetMargin(int value) {
    // -1 means centred; anything below it has no meaning and is ignored.
    if (value == margin_ || value < -1) return;
    margin_ = value;
    Invalidate();
}

void TSkBmpButton::BitmapsChanged() {
    if (buttonSize_ == TBtnSize::bszButtonToBitmap) FitSize();
    Invalidate();
}

bool TSkBmpButton::NewStyle() const {
    // Every system this program runs on has new-style controls.
    return buttonStyle_ != TButtonStyle::bsWin31;
}

int TSkBmpButton::BorderWidth() const {
    switch (buttonBorder_) {
        case TButtonBorder::bbNone:
            return 0;
        case TButtonBorder::bbSingle:
            return 1;
        case TButtonBorder::bbButton:
            return NewStyle() ? 2 : 3;
    }
    return 0;
}

void TSkBmpButton::FitSize() {
    if (buttonSize_ != TBtnSize::bszButtonToBitmap || bitmaps_.Up().Empty()) return;
    const int b = BorderWidth();
    const int width = bitmaps_.Up().Width() + 2 * b, height = bitmaps_.Up().Height() + 2 * b;
    if (width != width_ || height != height_) {
        TWinControl::SetBounds(left_, top_, width, height);
    } else if (handle_) {
        // The window itself was sized behind our back (a size message): put it back.
        RECT client;
        GetClientRect(handle_, &client);
        if (client.right != width || client.bottom != height)
            SetWindowPos(handle_, nullptr, 0, 0, width, height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Invalidate();
}

void TSkBmpButton::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    FitSize();
}

// ---- Groups and clicks ------------------------------------------------------------------

void TSkBmpButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !Parent()) {
        if (groupIndex_ == 0) state_ = TBmpButtonState::bbsUp;
        return;
    }
    std::vector<TControl*> siblings = Parent()->Controls();
    for (TControl* control : siblings)
        if (auto* windowed = dynamic_cast<TWinControl*>(control))
            windowed->WndProc(CM_SKBUTTONPRESSED, static_cast<WPARAM>(groupIndex_),
                              reinterpret_cast<LPARAM>(this));
}

void TSkBmpButton::GroupNotified(int groupIndex, LPARAM senderValue) {
    if (groupIndex != groupIndex_ || !Parent()) return;
    // Trust the sender pointer only when it is one of our siblings.
    TSkBmpButton* sender = nullptr;
    for (TControl* control : Parent()->Controls())
        if (reinterpret_cast<LPARAM>(control) == senderValue)
            sender = dynamic_cast<TSkBmpButton*>(control);
    if (!sender || sender == this) return;
    if (sender->down_ && down_) {
        // Released directly: no setter, so no broadcast back.
        down_ = false;
        state_ = TBmpButtonState::bbsUp;
        Invalidate();
        NotifyAccessible(EVENT_OBJECT_STATECHANGE);
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TSkBmpButton::FinishPress(bool inside) {
    if (groupIndex_ != 0) {
        if (inside) SetDown(!down_);
        // The face follows the latch, also when the setter refused the change or the
        // release came outside without a move out first.
        state_ = down_ ? TBmpButtonState::bbsExclusive : TBmpButtonState::bbsUp;
    }
    Repaint();
    if (inside) Click();
}

void TSkBmpButton::Click() {
    if (TForm* form = ParentForm(); form && form != static_cast<TControl*>(this))
        form->SetModalResult(modalResult_);
    TWinControl::Click();
}

void TSkBmpButton::Press() {
    if (!enabled_) return;
    UpdateExclusive();
    FinishPress(true);
}

long TSkBmpButton::AccessibleRole() const {
    return groupIndex_ != 0 ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON;
}

long TSkBmpButton::AccessibleState() const {
    long state = 0;
    if (groupIndex_ != 0 && Checked()) state |= STATE_SYSTEM_CHECKED;
    if (state_ == TBmpButtonState::bbsDown) state |= STATE_SYSTEM_PRESSED;
    return state;
}

std::string TSkBmpButton::AccessibleAction() const {
    if (groupIndex_ == 0) return "Нажать";
    return Checked() ? "Снять флажок" : "Установить флажок";
}

void TSkBmpButton::DoAccessibleAction() {
    if (handle_) PostMessageA(handle_, CM_SKACCESSIBLEPRESS, 0, 0);
}

std::string TSkBmpButton::AccessibleName() const {
    const std::string given = TWinControl::AccessibleName();
    return given.empty() && captionLabel_ ? captionLabel_->AccessibleName() : given;
}

RECT TSkBmpButton::FocusMarkBounds() const {
    if (!captionLabel_) return TWinControl::FocusMarkBounds();
    // Around the caption's words, not the whole label: the label may reach much further.
    const int textWidth = captionLabel_->TextBounds(captionLabel_->Width()).right;
    RECT text = captionLabel_->BoundsRect();
    text.right = std::min<LONG>(text.right, text.left + textWidth);
    RECT both = BoundsRect();
    UnionRect(&both, &both, &text);
    // Clear of the last letter's overhang too.
    InflateRect(&both, 2, 1);
    return both;
}

void TSkBmpButton::SetFocusMarkMargins(int x, int y) {
    if (x == focusMarkX_ && y == focusMarkY_) return;
    focusMarkX_ = x;
    focusMarkY_ = y;
    if (focused_) Invalidate();
}

bool TSkBmpButton::DialogChar(char key) {
    const std::string& caption = Caption();
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;  // "&&" is a plain ampersand
            continue;
        }
        if (UpperAnsi(caption[i + 1]) != UpperAnsi(key)) return false;
        if (!Enabled() || !Visible()) return false;
        Click();
        return true;
    }
    return false;
}

bool OfferDialogChar(TWinControl& root, char key) {
    const std::vector<TControl*> children = root.Controls();
    for (TControl* child : children) {
        auto* windowed = dynamic_cast<TWinControl*>(child);
        if (!windowed) continue;
        if (windowed->WndProc(CM_SKDIALOGCHAR, static_cast<unsigned char>(key), 0) != 0)
            return true;
        if (OfferDialogChar(*windowed, key)) return true;
    }
    return false;
}

// ---- Input ------------------------------------------------------------------------------

void TSkBmpButton::MouseDown(TMouseButton button, unsigned, int, int) {
    if (enabled_ && !focused_ && handle_ && IsWindowVisible(handle_)) SetFocus();
    if (button != TMouseButton::mbLeft || !enabled_ || !focused_) return;
    if (!down_) {
        state_ = TBmpButtonState::bbsDown;
        Repaint();
    }
    pressing_ = true;
    mouseCaptured_ = true;
    SetCapture(handle_);
}

void TSkBmpButton::MouseMove(unsigned, int x, int y) {
    if (!pressing_) return;
    TBmpButtonState next;
    if (down_)
        next = TBmpButtonState::bbsExclusive;
    else if (x >= 0 && x < width_ && y >= 0 && y < height_)
        next = TBmpButtonState::bbsDown;
    else
        next = TBmpButtonState::bbsUp;
    if (next == state_) return;
    state_ = next;
    Repaint();
}

void TSkBmpButton::MouseUp(TMouseButton button, unsigned, int x, int y) {
    if (button != TMouseButton::mbLeft || !pressing_) return;
    pressing_ = false;
    mouseCaptured_ = false;
    if (GetCapture() == handle_) ReleaseCapture();
    UpdateExclusive();
    FinishPress(x >= 0 && x < width_ && y >= 0 && y < height_);
}

bool TSkBmpButton::KeyDown(WORD& key, unsigned shift) {
    if (TWinControl::KeyDown(key, shift)) return true;
    if (key == VK_RETURN) {
        // A latching button leaves Enter to the window's default button, as a check box
        // does; a disabled one presses nothing.
        if (groupIndex_ != 0 || !enabled_) return false;
        Click();
        return true;
    }
    if (key == VK_SPACE && enabled_) {
        if (!down_) {
            state_ = TBmpButtonState::bbsDown;
            Repaint();
        }
        pressing_ = true;
        return true;
    }
    return false;
}

bool TSkBmpButton::KeyUp(WORD& key, unsigned shift) {
    bool handled = TWinControl::KeyUp(key, shift);
    if (pressing_) {
        pressing_ = false;
        mouseCaptured_ = false;
        if (GetCapture() == handle_) ReleaseCapture();
        state_ = TBmpButtonState::bbsUp;
        FinishPress(true);
    }
    return handled;
}

bool TSkBmpButton::KeyPress(char& key) {
    if (TWinControl::KeyPress(key)) return true;
    // A button wants no characters: a printable one may be some button's accelerator.
    if (static_cast<unsigned char>(key) <= ' ') return false;
    TForm* form = ParentForm();
    return form && OfferDialogChar(*form, key);
}

void TSkBmpButton::MouseEnter() {
    pointerInside_ = true;
    if (OnMouseEnter) OnMouseEnter(this);
    if (!bitmaps_.Hot().Empty()) Invalidate();
}

void TSkBmpButton::MouseLeave() {
    pointerInside_ = false;
    if (OnMouseLeave) OnMouseLeave(this);
    if (!bitmaps_.Hot().Empty()) Invalidate();
}

void TSkBmpButton::FocusChanged(bool focused) {
    focused_ = focused;
    Invalidate();
    TWinControl::FocusChanged(focused);
}

void TSkBmpButton::EnabledChanged() {
    SyncDisabledState();
    if (!enabled_ && mouseCaptured_) {
        mouseCaptured_ = false;
        if (GetCapture() == handle_) ReleaseCapture();
    }
    TWinControl::EnabledChanged();
}

LRESULT TSkBmpButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case CM_SKBUTTONPRESSED:
            GroupNotified(static_cast<int>(wParam), lParam);
            return 0;
        case CM_SKDIALOGCHAR:
            return DialogChar(static_cast<char>(wParam)) ? 1 : 0;
        case CM_SKACCESSIBLEPRESS:
            Press();
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse in the middle of a press (a dialog opened):
            // the press ends without a click.
            if (mouseCaptured_ && reinterpret_cast<HWND>(lParam) != handle_) {
                mouseCaptured_ = false;
                if (pressing_) {
                    pressing_ = false;
                    state_ = down_ ? TBmpButtonState::bbsExclusive : TBmpButtonState::bbsUp;
                    Invalidate();
                }
            }
            break;
        case WM_SYSCHAR:
            // Alt+letter while the button has the focus.
            if (TForm* form = ParentForm();
                form && OfferDialogChar(*form, static_cast<char>(wParam)))
                return 0;
            break;
        case WM_SIZE:
            FitSize();
            return 0;
        case WM_PRINTCLIENT:
            PaintFace(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SYSCOLORCHANGE:
            Invalidate();
            break;
        case WM_LBUTTONDBLCLK: {
            LRESULT result = TWinControl::WndProc(message, wParam, lParam);
            if (down_ && OnDblClick) OnDblClick(this);
            return result;
        }
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

// ---- Painting ---------------------------------------------------------------------------

void TSkBmpButton::PaintWindow(HDC dc) {
    PaintFace(dc);
}

void TSkBmpButton::SyncDisabledState() {
    if (!enabled_) {
        state_ = TBmpButtonState::bbsDisabled;
        pressing_ = false;
    } else if (state_ == TBmpButtonState::bbsDisabled) {
        // Back to the face that matches the latch.
        state_ = down_ ? TBmpButtonState::bbsExclusive : TBmpButtonState::bbsUp;
    }
}

void TSkBmpButton::PaintFace(HDC dc) {
    RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0) return;
    SyncDisabledState();

    TBitmap face;
    face.SetSize(client.right, client.bottom);
    RECT inner = client;
    PaintBorder(face, inner);
    HDC faceDc = face.Canvas().Handle();

    if (state_ == TBmpButtonState::bbsExclusive && buttonBorder_ != TButtonBorder::bbNone) {
        if (showDownPattern_) {
            UniqueBrush pattern(CreatePatternBrush(TDownPatternStore::Shared().Pattern().Handle()));
            FillRect(faceDc, &inner, pattern.get());
        } else {
            UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
            FillRect(faceDc, &inner, brush.get());
        }
    }

    std::unique_ptr<TBitmap> synthesised;
    TBitmap* image = ChooseImage(synthesised);

    // Layout of glyph and caption inside the inner rectangle.
    const SIZE area{inner.right - inner.left, inner.bottom - inner.top};
    SIZE glyph{0, 0};
    if (image && buttonSize_ == TBtnSize::bszNeither) glyph = {image->Width(), image->Height()};
    SIZE text{0, 0};
    const std::string& caption = Caption();
    if (!caption.empty()) {
        SelectGuard font(faceDc, Font().Handle());
        RECT measured{0, 0, 0, 0};
        DrawTextA(faceDc, caption.c_str(), static_cast<int>(caption.size()), &measured,
                  DT_CALCRECT | DT_SINGLELINE);
        text = {measured.right - measured.left, measured.bottom - measured.top};
    }
    TButtonPlacement placement =
        PlaceGlyphAndCaption(area, glyph, text, layout_, margin_, spacing_);
    RECT imageRect = inner;
    if (glyph.cx != 0 || glyph.cy != 0) {
        imageRect = {inner.left + placement.glyph.x, inner.top + placement.glyph.y, 0, 0};
        imageRect.right = imageRect.left + glyph.cx;
        imageRect.bottom = imageRect.top + glyph.cy;
    }
    if (image) DrawImage(faceDc, *image, inner, imageRect);
    if (!caption.empty()) {
        RECT captionRect{inner.left + placement.caption.x, inner.top + placement.caption.y, 0, 0};
        captionRect.right = captionRect.left + text.cx;
        captionRect.bottom = captionRect.top + text.cy;
        DrawCaption(faceDc, captionRect);
    }
    DrawFocusMark(faceDc, client);

    GdiFlush();
    BitBlt(dc, 0, 0, client.right, client.bottom, faceDc, 0, 0, SRCCOPY);
}

void TSkBmpButton::PaintBorder(TBitmap& face, RECT& inner) {
    HDC dc = face.Canvas().Handle();
    const RECT client = inner;
    switch (buttonBorder_) {
        case TButtonBorder::bbNone: {
            if (TWinControl* parent = Parent()) {
                // What the parent shows behind us becomes our face, clipped to its client
                // area.
                int saved = SaveDC(dc);
                RECT parentArea = parent->ClientRect();
                if (parent->HandleAllocated()) GetClientRect(parent->Handle(), &parentArea);
                IntersectClipRect(dc, parentArea.left - left_, parentArea.top - top_,
                                  parentArea.right - left_, parentArea.bottom - top_);
                parent->PaintBackgroundBehind(this, dc);
                RestoreDC(dc, saved);
            } else {
                UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
                FillRect(dc, &client, brush.get());
            }
            // The borderless face waits a moment after rendering the background, which
            // keeps a train of repaints (a button held over an animated screen) from
            // starving the parent's own painting.
            Sleep(10);
            break;
        }
        case TButtonBorder::bbSingle: {
            UniqueBrush brush(CreateSolidBrush(ColorToRGB(Color())));
            FillRect(dc, &client, brush.get());
            UniqueBrush frame(CreateSolidBrush(RGB(0, 0, 0)));
            FrameRect(dc, &client, frame.get());
            InflateRect(&inner, -1, -1);
            break;
        }
        case TButtonBorder::bbButton: {
            // A plain 3-D face: fill, then bevels of 1 (new style) or 2 (old style) pixels,
            // light on the top-left and dark on the bottom-right, reversed when sunken.
            const bool sunken =
                state_ == TBmpButtonState::bbsDown || state_ == TBmpButtonState::bbsExclusive;
            UniqueBrush faceBrush(CreateSolidBrush(ColorToRGB(Color())));
            FillRect(dc, &client, faceBrush.get());
            UniqueBrush light(CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT)));
            UniqueBrush dark(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
            UniqueBrush black(CreateSolidBrush(RGB(0, 0, 0)));
            RECT r = client;
            if (!NewStyle()) {
                FrameRect(dc, &r, black.get());
                InflateRect(&r, -1, -1);
            }
            const int bevel = NewStyle() ? 1 : 2;
            for (int i = 0; i < bevel; ++i) {
                HBRUSH topLeft = sunken ? dark.get() : light.get();
                HBRUSH bottomRight =
                    sunken ? light.get() : (NewStyle() && i == 0 ? black.get() : dark.get());
                RECT top{r.left, r.top, r.right, r.top + 1},
                    left{r.left, r.top, r.left + 1, r.bottom};
                RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
                RECT right{r.right - 1, r.top, r.right, r.bottom};
                FillRect(dc, &bottom, bottomRight);
                FillRect(dc, &right, bottomRight);
                FillRect(dc, &top, topLeft);
                FillRect(dc, &left, topLeft);
                InflateRect(&r, -1, -1);
            }
            InflateRect(&inner, -1, -1);
            break;
        }
    }
}

TBitmap* TSkBmpButton::ChooseImage(std::unique_ptr<TBitmap>& synthesised) {
    const bool hasUp = !bitmaps_.Up().Empty();
    const bool hasDisabled = !bitmaps_.Disabled().Empty();
    if (!hasUp && !(hasDisabled && state_ == TBmpButtonState::bbsDisabled)) return nullptr;
    auto has = [this](TButtonImage which) { return !bitmaps_.Image(which).Empty(); };
    switch (state_) {
        case TBmpButtonState::bbsUp:
            if (pointerInside_ && has(TButtonImage::Hot)) return &bitmaps_.Hot();
            if (focused_ && showFocus_ && has(TButtonImage::UpAndFocused))
                return &bitmaps_.UpAndFocused();
            return &bitmaps_.Up();
        case TBmpButtonState::bbsDisabled:
            if (hasDisabled) return &bitmaps_.Disabled();
            synthesised = SynthesiseDisabled();
            return synthesised.get();
        case TBmpButtonState::bbsDown:
            return has(TButtonImage::Down) ? &bitmaps_.Down() : &bitmaps_.Up();
        case TBmpButtonState::bbsExclusive:
            if (has(TButtonImage::StayDown)) return &bitmaps_.StayDown();
            return has(TButtonImage::Down) ? &bitmaps_.Down() : &bitmaps_.Up();
    }
    return &bitmaps_.Up();
}

std::unique_ptr<TBitmap> TSkBmpButton::SynthesiseDisabled() {
    // The silhouette of Up: every pixel that is neither the transparent colour nor light
    // (average of red, green and blue of 192 or more), as a colour-to-monochrome copy over
    // a white background would keep it. Drawn in white one pixel down and right, then in
    // the shadow colour in its place, on the button face colour.
    TBitmap& up = bitmaps_.Up();
    const COLORREF key = ColorToRGB(bitmaps_.TransparentColor());
    auto image = std::make_unique<TBitmap>();
    image->SetSize(up.Width(), up.Height());
    HDC dc = image->Canvas().Handle();
    RECT all{0, 0, up.Width(), up.Height()};
    UniqueBrush face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    FillRect(dc, &all, face.get());
    std::vector<bool> silhouette(size_t(up.Width()) * up.Height());
    for (int y = 0; y < up.Height(); ++y)
        for (int x = 0; x < up.Width(); ++x) {
            COLORREF c = up.Pixel(x, y);
            int light = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
            silhouette[size_t(y) * up.Width() + x] = c != key && light < 192;
        }
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    for (int pass = 0; pass < 2; ++pass)
        for (int y = 0; y < up.Height(); ++y)
            for (int x = 0; x < up.Width(); ++x)
                if (silhouette[size_t(y) * up.Width() + x]) {
                    if (pass == 0)
                        SetPixelV(dc, x + 1, y + 1, RGB(255, 255, 255));
                    else
                        SetPixelV(dc, x, y, shadow);
                }
    return image;
}

void TSkBmpButton::DrawImage(HDC dc, TBitmap& image, const RECT& inner, const RECT& imageRect) {
    const COLORREF key = ColorToRGB(bitmaps_.TransparentColor());
    HDC source = image.Canvas().Handle();
    const int iw = image.Width(), ih = image.Height();
    auto blit = [&](int x, int y, int w, int h, int sw, int sh) {
        if (w <= 0 || h <= 0) return;
        // gdi32's call, not msimg32's forwarder of it (see TBitmap::StretchDraw).
        GdiTransparentBlt(dc, x, y, w, h, source, 0, 0, sw, sh, key);
    };
    switch (buttonSize_) {
        case TBtnSize::bszNeither:
            blit(imageRect.left, imageRect.top, iw, ih, iw, ih);
            break;
        case TBtnSize::bszButtonToBitmap:
        case TBtnSize::bszStretchToButton:
            blit(inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, iw, ih);
            break;
        case TBtnSize::bszTileToButton:
            for (int y = inner.top; y < inner.bottom; y += ih)
                for (int x = inner.left; x < inner.right; x += iw) {
                    const int w = std::min(iw, int(inner.right - x));
                    const int h = std::min(ih, int(inner.bottom - y));
                    blit(x, y, w, h, w, h);
                }
            break;
    }
}

void TSkBmpButton::DrawFocusMark(HDC dc, const RECT& client) {
    const TColor colour = FocusMarkColour();
    if (!focused_ || !FocusCuesShown() || colour == clNone) return;
    RECT mark = client;
    InflateRect(&mark, -focusMarkX_, -focusMarkY_);
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(colour)));
    FrameRect(dc, &mark, brush.get());
}

void TSkBmpButton::DrawCaption(HDC dc, RECT captionRect) {
    const std::string& caption = Caption();
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    auto draw = [&](RECT r, COLORREF color) {
        SetTextColor(dc, color);
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &r, flags);
    };
    if (state_ == TBmpButtonState::bbsDisabled) {
        RECT shifted = captionRect;
        OffsetRect(&shifted, 1, 1);
        draw(shifted, RGB(255, 255, 255));
        draw(captionRect, ColorToRGB(clGray));
    } else {
        RECT r = captionRect;
        if (state_ == TBmpButtonState::bbsDown || state_ == TBmpButtonState::bbsExclusive)
            OffsetRect(&r, captionDownOffset_, captionDownOffset_);
        draw(r, ColorToRGB(Font().Color()));
    }
    if (focused_ && showFocus_) {
        RECT focus = captionRect;
        InflateRect(&focus, 2, 2);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &focus);
    }
}

}  // namespace mvt

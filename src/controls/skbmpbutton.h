// The skinned push button of the wizard screens: a windowed control that shows one of a set
// of bitmaps by its state, lets the parent's picture show through the bitmaps' transparent
// colour, and latches in groups when GroupIndex is set.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"

namespace mvt {

// ---- Bitmap set -----------------------------------------------------------------------

enum class TButtonImage { Disabled, Down, StayDown, Hot, Up, UpAndFocused };

// The six state images of a bitmap button and the colour that stays see-through. Owns its
// bitmaps; assigning copies the image into the owned bitmap.
class TSkButtonBitmaps : public TObject {
  public:
    TSkButtonBitmaps();
    TSkButtonBitmaps(const TSkButtonBitmaps&) = delete;
    TSkButtonBitmaps& operator=(const TSkButtonBitmaps&) = delete;

    TBitmap& Image(TButtonImage which) { return images_[Index(which)]; }
    const TBitmap& Image(TButtonImage which) const { return images_[Index(which)]; }
    void SetImage(TButtonImage which, const TBitmap& source) { Image(which).Assign(source); }

    TBitmap& Up() { return Image(TButtonImage::Up); }
    TBitmap& UpAndFocused() { return Image(TButtonImage::UpAndFocused); }
    TBitmap& Disabled() { return Image(TButtonImage::Disabled); }
    TBitmap& Down() { return Image(TButtonImage::Down); }
    TBitmap& StayDown() { return Image(TButtonImage::StayDown); }
    TBitmap& Hot() { return Image(TButtonImage::Hot); }
    const TBitmap& Up() const { return Image(TButtonImage::Up); }

    // Stored colour value (an RGB value or a system colour code); default clOlive.
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor color);

    // The stored form of one image: a 32-bit little-endian count, then the BMP file bytes.
    // An image loaded from stored bytes writes back exactly those bytes; an image made in
    // memory is written as a 24-bit BMP; an empty image as a count of 0.
    std::vector<uint8_t> Data(TButtonImage which) const;
    // Loads one image from its stored block. A count of 0 empties the image. A short block
    // raises EReadError, a damaged BMP raises Exception; the image is then left unchanged.
    void LoadData(TButtonImage which, const uint8_t* block, size_t size);
    // Loads one image from complete BMP file bytes.
    void LoadImage(TButtonImage which, const uint8_t* bmp, size_t size);

    // Copies every image and the transparent colour of another set.
    void Assign(const TSkButtonBitmaps& other);

    // Fired when any image changes or the transparent colour takes a different value.
    TNotifyEvent OnChange;

  private:
    static size_t Index(TButtonImage which) { return static_cast<size_t>(which); }
    void Changed();

    TBitmap images_[6];
    TColor transparentColor_ = clOlive;
    bool assigning_ = false;
};

// ---- Shared down pattern --------------------------------------------------------------

// The 8 x 8 checkerboard that latched bordered buttons fill their face with. One bitmap
// serves every button: it is made on first need and freed when the last live button goes.
// The store counts the live buttons through the leases they hold.
class TDownPatternStore {
  public:
    // The one store of the process (the buttons share it; the program owns it).
    static TDownPatternStore& Shared();

    // Held by each button for its lifetime.
    class Lease {
      public:
        Lease() { Shared().AddButton(); }
        ~Lease() { Shared().RemoveButton(); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
    };

    int LiveButtons() const { return liveButtons_; }
    bool Allocated() const { return pattern_ != nullptr; }
    // The pattern, made when missing.
    TBitmap& Pattern();

  private:
    void AddButton() { ++liveButtons_; }
    void RemoveButton();

    int liveButtons_ = 0;
    std::unique_ptr<TBitmap> pattern_;
};

// ---- Layout ---------------------------------------------------------------------------

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

struct TButtonPlacement {
    POINT glyph;    // relative to the inner rectangle's top-left corner
    POINT caption;  // likewise
};

// Places a glyph of size glyph and a caption of size text inside an area of size area.
// margin -1 centres the content; spacing -1 spreads it evenly.
TButtonPlacement PlaceGlyphAndCaption(SIZE area, SIZE glyph, SIZE text, TButtonLayout layout,
                                      int margin, int spacing);

// ---- Button ---------------------------------------------------------------------------

enum class TButtonBorder { bbNone, bbSingle, bbButton };
enum class TBtnSize { bszNeither, bszButtonToBitmap, bszStretchToButton, bszTileToButton };
enum class TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum class TBmpButtonState { bbsUp, bbsDisabled, bbsDown, bbsExclusive };

// Sent to every windowed control of a button's parent when a grouped button runs its group
// update: wParam = GroupIndex, lParam = the sending TSkBmpButton.
constexpr UINT CM_SKBUTTONPRESSED = 0x2420;
// Asks a control whether a typed character is its accelerator: wParam = the character;
// the result is nonzero when the control took it.
constexpr UINT CM_SKDIALOGCHAR = 0x2421;
// Posted by a button to itself when assistive technology asks for its default action.
constexpr UINT CM_SKACCESSIBLEPRESS = 0x2422;

// Offers a typed character as an accelerator to every windowed control below root, depth
// first, through CM_SKDIALOGCHAR; true when one of them took it. A form calls this for
// Alt+letter; a focused bitmap button does it for the characters it receives itself.
bool OfferDialogChar(TWinControl& root, char key);

class TSkBmpButton : public TWinControl {
  public:
    explicit TSkBmpButton(TComponent* owner);
    ~TSkBmpButton() override;

    bool AllowAllUp() const { return allowAllUp_; }
    virtual void SetAllowAllUp(bool value);
    TButtonBorder ButtonBorder() const { return buttonBorder_; }
    virtual void SetButtonBorder(TButtonBorder value);
    TBtnSize ButtonSize() const { return buttonSize_; }
    virtual void SetButtonSize(TBtnSize value);
    TButtonStyle ButtonStyle() const { return buttonStyle_; }
    virtual void SetButtonStyle(TButtonStyle value);
    bool Down() const { return down_; }
    virtual void SetDown(bool value);
    int CaptionDownOffset() const { return captionDownOffset_; }
    virtual void SetCaptionDownOffset(int value);
    int GroupIndex() const { return groupIndex_; }
    virtual void SetGroupIndex(int value);
    TButtonLayout Layout() const { return layout_; }
    virtual void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    virtual void SetMargin(int value);
    bool ShowDownPattern() const { return showDownPattern_; }
    virtual void SetShowDownPattern(bool value);
    bool ShowFocus() const { return showFocus_; }
    virtual void SetShowFocus(bool value);
    int Spacing() const { return spacing_; }
    virtual void SetSpacing(int value);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    TSkButtonBitmaps& Bitmaps() { return bitmaps_; }
    void SetBitmaps(const TSkButtonBitmaps& bitmaps) { bitmaps_.Assign(bitmaps); }

    // Run-time state.
    TBmpButtonState State() const { return state_; }
    bool Pressing() const { return pressing_; }
    bool PointerInside() const { return pointerInside_; }

    // Copies ModalResult to the parent form, then fires OnClick.
    void Click() override;
    // A whole press, as a click with the mouse makes it: a latching button flips, then
    // the click runs. Nothing for a disabled button.
    void Press();

    // A latching button is a check box to assistive technology: checked while down, or,
    // with CheckedWhenUp, while up (for pictures that show the tick on the raised face).
    bool CheckedWhenUp() const { return checkedWhenUp_; }
    void SetCheckedWhenUp(bool value) { checkedWhenUp_ = value; }
    bool Checked() const { return down_ != checkedWhenUp_; }
    long AccessibleRole() const override;
    long AccessibleState() const override;
    std::string AccessibleAction() const override;
    // Presses the button once the caller has returned (a press may open a modal window).
    void DoAccessibleAction() override;

    // The focus mark, drawn on the face once the keyboard is used in the window: a
    // rectangle `x` and `y` pixels inside the button's edges.
    void SetFocusMarkMargins(int x, int y);
    bool DrawsOwnFocusMark() const override { return !captionLabel_; }

    // The label beside a button whose picture has no lettering (a check box's caption): it
    // names the button, and the focus mark frames the picture and the label's text.
    void SetCaptionLabel(TLabel* label) { captionLabel_ = label; }
    std::string AccessibleName() const override;
    RECT FocusMarkBounds() const override;
    // A typed character that matches the caption's accelerator clicks an enabled button;
    // true when the button took the character.
    bool DialogChar(char key);

    bool Opaque() const override { return true; }
    void SetBounds(int left, int top, int width, int height) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Composes the whole face off screen and copies it to dc at (0, 0) in one block copy.
    void PaintFace(HDC dc);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnDblClick;

  protected:
    void PaintWindow(HDC dc) override;
    bool KeyDown(WORD& key, unsigned shift) override;
    bool KeyUp(WORD& key, unsigned shift) override;
    bool KeyPress(char& key) override;
    void MouseDown(TMouseButton button, unsigned shift, int x, int y) override;
    void MouseUp(TMouseButton button, unsigned shift, int x, int y) override;
    void MouseMove(unsigned shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void FocusChanged(bool focused) override;
    void EnabledChanged() override;

  private:
    void UpdateExclusive();
    void GroupNotified(int groupIndex, LPARAM sender);
    void FinishPress(bool inside);
    void FitSize();
    void BitmapsChanged();
    bool NewStyle() const;
    int BorderWidth() const;

    // Painting steps.
    void SyncDisabledState();
    void PaintBorder(TBitmap& face, RECT& inner);
    TBitmap* ChooseImage(std::unique_ptr<TBitmap>& synthesised);
    std::unique_ptr<TBitmap> SynthesiseDisabled();
    void DrawImage(HDC dc, TBitmap& image, const RECT& inner, const RECT& imageRect);
    void DrawCaption(HDC dc, RECT captionRect);
    void DrawFocusMark(HDC dc, const RECT& client);

    TDownPatternStore::Lease patternLease_;
    TSkButtonBitmaps bitmaps_;
    bool allowAllUp_ = false;
    TButtonBorder buttonBorder_ = TButtonBorder::bbNone;
    TBtnSize buttonSize_ = TBtnSize::bszButtonToBitmap;
    TButtonStyle buttonStyle_ = TButtonStyle::bsAutoDetect;
    bool down_ = false;
    int captionDownOffset_ = 1;
    int groupIndex_ = 0;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    int margin_ = -1;
    bool showDownPattern_ = true;
    bool showFocus_ = true;
    int spacing_ = 4;
    TModalResult modalResult_ = mrNone;

    bool checkedWhenUp_ = false;
    TLabel* captionLabel_ = nullptr;
    int focusMarkX_ = 1, focusMarkY_ = 1;

    TBmpButtonState state_ = TBmpButtonState::bbsUp;
    bool pressing_ = false;
    bool mouseCaptured_ = false;
    bool focused_ = false;
    bool pointerInside_ = false;
};

}  // namespace mvt

// The control hierarchy: graphic controls painted by their parent, windowed controls with
// a window of their own, and the one window procedure that routes messages to them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/comobj.h"
#include "framework/graphics.h"
#include "framework/sysutils.h"

namespace mvt {

class TWinControl;
class TForm;
class TAccessibleObject;

using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crIBeam = -4, crHourGlass = -11, crHandPoint = -21;
HCURSOR CursorHandle(TCursor cursor);

enum TShiftState : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

using TKeyEvent = std::function<void(TObject* sender, WORD& key, unsigned shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseWheelEvent =
    std::function<void(TObject* sender, unsigned shift, int delta, POINT pos, bool& handled)>;

class TControl : public TComponent {
  public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    TForm* ParentForm() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    RECT ClientRect() const { return {0, 0, width_, height_}; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor) { cursor_ = cursor; }
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFont& Font() { return font_; }

    virtual bool IsWindowed() const { return false; }
    // True when the control paints every pixel of its bounds, so its parent need not
    // paint what lies behind it.
    virtual bool Opaque() const { return false; }
    virtual void Invalidate();
    // Invalidates only `parts` of a control that paints on its parent (the control's own
    // coordinates); all of it for a windowed one.
    void InvalidateParts(const std::vector<RECT>& parts);
    // Invalidate and paint at once.
    virtual void Repaint();
    // Draws the control onto a canvas whose origin is the control's top-left corner.
    virtual void Paint(TCanvas& canvas);
    // What a click on the control does (OnClick); also the Enter key on a form's default
    // control.
    virtual void Click();

    // What assistive technology is told about the control (accessibility.h). The role is
    // one of the system's ROLE_SYSTEM_ values; 0 makes the control no object of its own.
    virtual long AccessibleRole() const { return 0; }
    // The name given with SetAccessibleName, else the control's own (a label's words).
    virtual std::string AccessibleName() const { return accessibleName_; }
    void SetAccessibleName(const std::string& name);
    virtual std::string AccessibleValue() const { return {}; }
    // The control's own STATE_SYSTEM_ flags (checked, read-only…); unavailable, invisible,
    // focusable, focused and default are added from what the framework knows.
    virtual long AccessibleState() const { return 0; }
    // The name of the default action (a button's press) and the action itself.
    virtual std::string AccessibleAction() const { return {}; }
    virtual void DoAccessibleAction() {}
    // Tells assistive technology of a change (EVENT_OBJECT_NAMECHANGE and the like).
    void NotifyAccessible(DWORD event) const;
    // False keeps the control out of what assistive technology sees, for a control that
    // another one speaks for.
    bool AccessibleElement() const { return accessibleElement_; }
    void SetAccessibleElement(bool element) { accessibleElement_ = element; }

    TNotifyEvent OnResize;
    TNotifyEvent OnClick;

  protected:
    virtual void BoundsChanged();
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;

  private:
    TWinControl* parent_ = nullptr;
    TCursor cursor_ = crDefault;
    TColor color_ = clBtnFace;
    TFont font_;
    std::string accessibleName_;
    bool accessibleElement_ = true;
};

// A control drawn by its parent in the parent's paint pass; it has no window.
class TGraphicControl : public TControl {
  public:
    using TControl::TControl;
};

struct TCreateParams {
    const char* className = nullptr;  // nullptr: the framework's own window class
    std::string caption;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
};

class TWinControl : public TControl {
  public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    bool IsWindowed() const override { return true; }
    // The window, created on first use (with the parent's window when there is a parent).
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void Invalidate() override;
    void Repaint() override;

    const std::vector<TControl*>& Controls() const { return controls_; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }
    virtual void SetFocus();
    bool Focused() const;
    bool CanFocus() const;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    // Paints what this control shows behind one of its children (its own background, its
    // own painting and the graphic children below the child) into dc, whose origin is
    // the child's top-left corner. Lets a windowed child look transparent.
    void PaintBackgroundBehind(const TControl* child, HDC dc);

    // Focus cues, as Windows keeps them for each window (WM_CHANGEUISTATE and
    // WM_UPDATEUISTATE with UISF_HIDEFOCUS): hidden in a window until the keyboard is
    // used there. Only then does the focused control show the skin's focus mark.
    bool FocusCuesShown() const { return !(uiState_ & UISF_HIDEFOCUS); }
    // Where the mark goes around the focused control, in its parent's coordinates: one
    // pixel outside its bounds unless the control says otherwise.
    virtual RECT FocusMarkBounds() const;
    // A control that composes its own face draws its mark itself; for any other the
    // parent draws it around FocusMarkBounds.
    virtual bool DrawsOwnFocusMark() const { return false; }
    // The colour of the focus mark of the control's form; clNone when the form has none.
    TColor FocusMarkColour() const;
    // Whether a key that otherwise works the window (Enter, Escape) is the control's own:
    // a system control answers as the system's dialogs ask it (WM_GETDLGCODE).
    virtual bool WantsKey(WORD key);
    // A control of a system window class (edit, list, tree…), not one of ours.
    bool SystemControl() const { return defaultProc_ != DefWindowProcA; }

    // The object that answers assistive technology for this window (made on first use).
    TAccessibleObject& AccessibleObject();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Entry of every message of our windows; exceptions from handlers go to the
    // application's default handler.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    friend class TControl;
    virtual void CreateParams(TCreateParams& params);
    void CreateHandle();
    void DestroyHandle();
    // Called once the window exists (children are created afterwards).
    virtual void HandleCreated() {}

    // Paints the whole client area into dc (composed off screen by WMPaint).
    virtual void PaintWindow(HDC dc);
    // The background fill under everything (the control's colour).
    virtual void PaintBackground(TCanvas& canvas);
    void PaintGraphicChildren(HDC dc, const TControl* upTo);

    // Keyboard and mouse hooks for derived controls; return true when handled.
    virtual bool KeyDown(WORD& key, unsigned shift);
    virtual bool KeyUp(WORD& key, unsigned shift);
    virtual bool KeyPress(char& key);
    virtual void MouseDown(TMouseButton /*button*/, unsigned /*shift*/, int /*x*/, int /*y*/) {}
    virtual void MouseUp(TMouseButton /*button*/, unsigned /*shift*/, int /*x*/, int /*y*/) {}
    virtual void MouseMove(unsigned /*shift*/, int /*x*/, int /*y*/) {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual bool MouseWheel(unsigned shift, int delta, POINT pos);
    virtual void FocusChanged(bool focused);
    // A notification (WM_COMMAND code) the system control sent to its parent; true when
    // handled.
    virtual bool CommandNotify(WORD /*code*/) { return false; }
    // A WM_NOTIFY the system control sent to its parent; true when handled, with the
    // message's result in `result`.
    virtual bool Notify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // An owner-drawn system control asks its parent to draw one of its items (WM_DRAWITEM);
    // true when drawn.
    virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
    // Colours of a system control, asked through its parent; null leaves the system's.
    virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }
    // ControlColor for controls drawn in their own Color and Font colour.
    HBRUSH OwnColours(HDC dc);
    void VisibleChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;

    HWND handle_ = nullptr;
    WNDPROC defaultProc_ = DefWindowProcA;

  private:
    static LRESULT CALLBACK RoutingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void AddControl(TControl* control);
    void RemoveControl(TControl* control);
    void WMPaint();
    // Composes `area` of the window off screen and copies it to `screen` at once.
    void PaintOffScreen(HDC screen, const RECT& area);
    bool WMSetCursor();
    void TrackMouse();
    LRESULT KeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ChangeUiState(WPARAM change);
    void UpdateUiState(WPARAM change);
    void PaintFocusMarks(HDC dc);
    void InvalidateFocusMark();
    void PassFocusOn();

    std::vector<TControl*> controls_;
    OffScreenSurface offScreen_;  // where WMPaint composes its parts
    UniqueBrush colourBrush_;
    TColor colourBrushColour_ = clNone;
    std::string caption_;
    bool tabStop_ = false;
    bool mouseInside_ = false;
    WORD uiState_ = UISF_HIDEFOCUS | UISF_HIDEACCEL;
    ComPtr<TAccessibleObject> accessible_;
};

unsigned KeyboardShiftState();

}  // namespace mvt

namespace mvt {

// Creates a control owned by owner, placed on parent at the given bounds.
template <class T>
T* CreateChild(TComponent* owner, TWinControl* parent, int left, int top, int width, int height) {
    T* control = owner->Make<T>();
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
}

}  // namespace mvt

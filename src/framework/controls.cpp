#include "framework/controls.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/accessibility.h"
#include "framework/forms.h"

namespace mvt {

namespace {

constexpr char kControlProperty[] = "MVT.Control";
constexpr char kWindowClass[] = "MVTWindow";

TWinControl* ControlOf(HWND window) {
    return static_cast<TWinControl*>(GetPropA(window, kControlProperty));
}

ATOM RegisterWindowClass(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = procedure;
        windowClass.cbWndExtra = sizeof(LONG_PTR);  // the window's control
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExA(&windowClass);
    }();
    return atom;
}

}  // namespace

HCURSOR CursorHandle(TCursor cursor) {
    LPCSTR id;
    switch (cursor) {
        case crHourGlass:
            id = MAKEINTRESOURCEA(32514);
            break;
        case crIBeam:
            id = MAKEINTRESOURCEA(32513);
            break;
        case crHandPoint:
            id = MAKEINTRESOURCEA(32649);
            break;
        default:
            id = MAKEINTRESOURCEA(32512);
            break;
    }
    return LoadCursorA(nullptr, id);
}

unsigned KeyboardShiftState() {
    unsigned shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    return shift;
}

// ---- TControl -------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        Invalidate();
        parent_->RemoveControl(this);
    }
    parent_ = parent;
    if (parent_) {
        parent_->AddControl(this);
        Invalidate();
    }
}

TForm* TControl::ParentForm() const {
    const TControl* control = this;
    while (control->parent_) control = control->parent_;
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    BoundsChanged();
}

void TControl::BoundsChanged() {
    if (OnResize) OnResize(this);
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (!visible) Invalidate();
    visible_ = visible;
    if (visible) Invalidate();
    VisibleChanged();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

void TControl::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Invalidate();
}

void TControl::Invalidate() {
    if (parent_ && parent_->HandleAllocated()) {
        RECT bounds = BoundsRect();
        InvalidateRect(parent_->handle_, &bounds, FALSE);
    }
}

void TControl::InvalidateParts(const std::vector<RECT>& parts) {
    if (IsWindowed()) return Invalidate();
    if (!parent_ || !parent_->HandleAllocated()) return;
    // One region for all of them: each invalidation is a trip to the window server.
    const UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    const RECT bounds = BoundsRect();
    for (RECT area : parts) {
        OffsetRect(&area, left_, top_);
        if (!IntersectRect(&area, &area, &bounds)) continue;
        const UniqueRegion piece(CreateRectRgnIndirect(&area));
        CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
    }
    RECT covered;
    if (GetRgnBox(region.get(), &covered) != NULLREGION)
        InvalidateRgn(parent_->handle_, region.get(), FALSE);
}

void TControl::Repaint() {
    Invalidate();
    if (parent_ && parent_->HandleAllocated()) UpdateWindow(parent_->handle_);
}

void TControl::Paint(TCanvas&) {}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::SetAccessibleName(const std::string& name) {
    if (name == accessibleName_) return;
    accessibleName_ = name;
    NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
}

void TControl::NotifyAccessible(DWORD event) const {
    NotifyAccessibleEvent(*this, event);
}

// ---- TWinControl ----------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Assistive technology may hold the object longer: from now on it answers that the
    // control is gone.
    if (accessible_) accessible_->Disconnect();
    if (TForm* form = ParentForm(); form && form != this) form->ForgetControl(this);
    // Children that live on this control must go while the window still exists.
    DestroyComponents();
    for (TControl* child : std::vector<TControl*>(controls_)) child->SetParent(nullptr);
    DestroyHandle();
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.caption = caption_;
    params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (visible_) params.style |= WS_VISIBLE;
    if (!enabled_) params.style |= WS_DISABLED;
    if (tabStop_) params.style |= WS_TABSTOP;
    if (Parent()) params.parent = Parent()->Handle();
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    // The parent's window first: making it creates the windows of its children, this one
    // included, which must not be made a second time below.
    if (Parent() && !Parent()->HandleAllocated()) Parent()->Handle();
    if (handle_) return;
    TCreateParams params;
    CreateParams(params);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (params.className) {
        // A system control class: create it, then route its messages through us.
        handle_ = CreateWindowExA(params.exStyle, params.className, params.caption.c_str(),
                                  params.style, left_, top_, width_, height_, params.parent,
                                  nullptr, instance, nullptr);
        if (handle_) {
            SetPropA(handle_, kControlProperty, this);
            defaultProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::SubclassProc)));
        }
    } else {
        RegisterWindowClass(&TWinControl::RoutingProc);
        handle_ =
            CreateWindowExA(params.exStyle, kWindowClass, params.caption.c_str(), params.style,
                            left_, top_, width_, height_, params.parent, nullptr, instance, this);
    }
    if (!handle_) throw EOutOfResources("Error creating window");
    // A new child shows the focus cues as its window does.
    if (Parent()) uiState_ = Parent()->uiState_;
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    HandleCreated();
    for (TControl* child : controls_)
        if (auto* windowed = dynamic_cast<TWinControl*>(child)) windowed->CreateHandle();
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    HWND window = handle_;
    DestroyWindow(window);
    handle_ = nullptr;
}

HWND TWinControl::Handle() {
    if (!handle_) CreateHandle();
    return handle_;
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    TControl::SetParent(parent);
    if (!handle_) {
        if (parent && parent->HandleAllocated()) CreateHandle();
        return;
    }
    ::SetParent(handle_, parent ? parent->Handle() : nullptr);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) MoveWindow(handle_, left, top, width, height, TRUE);
    BoundsChanged();
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

void TWinControl::Repaint() {
    Invalidate();
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::VisibleChanged() {
    if (handle_) ShowWindow(handle_, visible_ ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
    const bool hadFocus = !enabled_ && Focused();
    if (handle_) EnableWindow(handle_, enabled_);
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
    // The system leaves no window with the focus then: the keys would go nowhere.
    if (hadFocus) PassFocusOn();
}

void TWinControl::PassFocusOn() {
    TForm* form = ParentForm();
    if (!form || form == this || !form->HandleAllocated()) return;
    if (!form->SelectNext(this, true)) ::SetFocus(form->Handle());
}

void TWinControl::FontChanged() {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    Invalidate();
}

void TWinControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    if (handle_) SetWindowTextA(handle_, caption_.c_str());
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
}

void TWinControl::SetFocus() {
    // Remembered also when the window cannot take it now (a dialog over it): the form
    // gives it back when it is active again.
    if (TForm* form = ParentForm(); form && form != this) form->ControlFocused(this);
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

bool TWinControl::CanFocus() const {
    for (const TControl* control = this; control; control = control->Parent())
        if (!control->Visible() || !control->Enabled()) return false;
    return true;
}

HBRUSH TWinControl::OwnColours(HDC dc) {
    SetTextColor(dc, ColorToRGB(Font().Color()));
    SetBkColor(dc, ColorToRGB(Color()));
    if (!colourBrush_ || colourBrushColour_ != Color()) {
        colourBrush_.reset(CreateSolidBrush(ColorToRGB(Color())));
        colourBrushColour_ = Color();
    }
    return colourBrush_.get();
}

void TWinControl::AddControl(TControl* control) {
    controls_.push_back(control);
}

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

// ---- Painting -------------------------------------------------------------------------

void TWinControl::PaintBackground(TCanvas& canvas) {
    canvas.Brush().color = Color();
    canvas.Brush().style = TBrushStyle::bsSolid;
    canvas.FillRect(ClientRect());
}

void TWinControl::PaintWindow(HDC dc) {
    TCanvas canvas(dc);
    canvas.Font().Assign(Font());
    PaintBackground(canvas);
    Paint(canvas);
    canvas.SetHandle(nullptr);
    PaintGraphicChildren(dc, nullptr);
    PaintFocusMarks(dc);
}

// ---- Focus cues and the focus mark ----------------------------------------------------

RECT TWinControl::FocusMarkBounds() const {
    RECT bounds = BoundsRect();
    InflateRect(&bounds, 1, 1);
    return bounds;
}

TColor TWinControl::FocusMarkColour() const {
    const TForm* form = ParentForm();
    return form ? form->FocusMarkColour() : clNone;
}

void TWinControl::PaintFocusMarks(HDC dc) {
    const TColor colour = FocusMarkColour();
    if (colour == clNone || !FocusCuesShown()) return;
    const HWND focus = GetFocus();
    for (TControl* child : controls_) {
        if (!child->IsWindowed() || !child->Visible()) continue;
        auto* windowed = static_cast<TWinControl*>(child);
        if (!windowed->handle_ || windowed->DrawsOwnFocusMark()) continue;
        if (focus != windowed->handle_ && !IsChild(windowed->handle_, focus)) continue;
        const RECT mark = windowed->FocusMarkBounds();
        UniqueBrush brush(CreateSolidBrush(ColorToRGB(colour)));
        FrameRect(dc, &mark, brush.get());
    }
}

void TWinControl::InvalidateFocusMark() {
    if (DrawsOwnFocusMark()) {
        Invalidate();
    } else if (Parent() && Parent()->handle_) {
        const RECT mark = FocusMarkBounds();
        InvalidateRect(Parent()->handle_, &mark, FALSE);
    }
}

namespace {

WORD AppliedUiState(WORD state, WPARAM change) {
    const WORD flags = HIWORD(change);
    switch (LOWORD(change)) {
        case UIS_SET:
            return state | flags;
        case UIS_CLEAR:
            return state & ~flags;
        default:
            return state;
    }
}

}  // namespace

// A change asked for anywhere in a window goes up to its top-level window, which decides
// and tells every window below it (as the system's default handling does; Wine's keeps
// no UI state, so ours keeps it for every window of the program).
void TWinControl::ChangeUiState(WPARAM change) {
    if (Parent() && Parent()->handle_) {
        SendMessageA(Parent()->handle_, WM_CHANGEUISTATE, change, 0);
        return;
    }
    if (LOWORD(change) == UIS_INITIALIZE) {
        // A window opened from the keyboard shows its cues at once, one opened by the
        // mouse hides them, as Windows decides by the last input.
        const WORD action = Application().KeyboardInputLast() ? UIS_CLEAR : UIS_SET;
        change = MAKEWPARAM(action, UISF_HIDEFOCUS | UISF_HIDEACCEL);
    }
    if (AppliedUiState(uiState_, change) != uiState_)
        SendMessageA(handle_, WM_UPDATEUISTATE, change, 0);
}

void TWinControl::UpdateUiState(WPARAM change) {
    const WORD next = AppliedUiState(uiState_, change);
    const bool cuesChanged = (next ^ uiState_) & UISF_HIDEFOCUS;
    uiState_ = next;
    for (TControl* child : controls_)
        if (child->IsWindowed() && static_cast<TWinControl*>(child)->handle_)
            SendMessageA(static_cast<TWinControl*>(child)->handle_, WM_UPDATEUISTATE, change, 0);
    if (cuesChanged && Focused()) InvalidateFocusMark();
}

void TWinControl::PaintGraphicChildren(HDC dc, const TControl* upTo) {
    for (TControl* child : controls_) {
        if (child == upTo) break;
        if (child->IsWindowed() || !child->Visible()) continue;
        // A window's invalid parts are composed one by one: a child outside the part being
        // composed would draw nothing there, but its text and pictures would still cost.
        const RECT bounds = child->BoundsRect();
        if (!RectVisible(dc, &bounds)) continue;
        int saved = SaveDC(dc);
        OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
        {
            TCanvas canvas(dc);
            child->Paint(canvas);
        }
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintBackgroundBehind(const TControl* child, HDC dc) {
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, -child->Left(), -child->Top(), nullptr);
    {
        TCanvas canvas(dc);
        PaintBackground(canvas);
        Paint(canvas);
    }
    PaintGraphicChildren(dc, child->IsWindowed() ? nullptr : child);
    RestoreDC(dc, saved);
}

namespace {

// A region keeps its rectangles in horizontal bands: a column invalidated on its own (a sliver
// of the progress ring) comes in pieces wherever another column begins or ends beside it.
// Each piece would be composed and copied apart; joined again, the column is one.
std::vector<RECT> JoinedColumns(const RECT* first, const RECT* last) {
    std::vector<RECT> joined;
    for (const RECT* part = first; part != last; ++part) {
        auto above = std::find_if(joined.begin(), joined.end(), [&](const RECT& earlier) {
            return earlier.left == part->left && earlier.right == part->right &&
                   earlier.bottom == part->top;
        });
        if (above != joined.end())
            above->bottom = part->bottom;
        else
            joined.push_back(*part);
    }
    return joined;
}

// The invalid region of a window and the rectangles it is made of, when they are few; none
// for a single rectangle or many. Read before painting begins, which validates the region.
struct InvalidRegion {
    UniqueRegion region{CreateRectRgn(0, 0, 0, 0)};
    std::vector<RECT> parts;
};

InvalidRegion ReadInvalidRegion(HWND window) {
    constexpr DWORD kMostParts = 8;
    InvalidRegion invalid;
    if (GetUpdateRgn(window, invalid.region.get(), FALSE) != COMPLEXREGION) return invalid;
    std::vector<uint8_t> data(GetRegionData(invalid.region.get(), 0, nullptr));
    auto* parts = reinterpret_cast<RGNDATA*>(data.data());
    if (data.size() < sizeof(RGNDATAHEADER) ||
        !GetRegionData(invalid.region.get(), static_cast<DWORD>(data.size()), parts) ||
        parts->rdh.nCount > kMostParts)
        return invalid;
    const auto* first = reinterpret_cast<const RECT*>(parts->Buffer);
    invalid.parts = JoinedColumns(first, first + parts->rdh.nCount);
    return invalid;
}

}  // namespace

void TWinControl::WMPaint() {
    // Apart, the parts of the invalid region are composed on their own: a changed figure
    // and a sliver of the progress ring are two small pictures, where the rectangle around
    // both held most of the window and cost more than all the rest of a percent's work.
    InvalidRegion invalid = ReadInvalidRegion(handle_);
    if (!invalid.parts.empty()) {
        // A few parts are validated, as BeginPaint would (what is invalidated while they are
        // painted stays invalid), and painted through the window's own device context. What
        // BeginPaint would add costs a trip to the window server each, and they were most
        // of a percent's work on the progress screen: hiding a caret (these windows have
        // none), erasing (they paint all they cover) and painting the frame. A frame still
        // due keeps the window invalid, and the next paint, whose client part is then
        // empty, goes through BeginPaint.
        ValidateRgn(handle_, invalid.region.get());
        const WindowDc screen(handle_);
        for (const RECT& part : invalid.parts) PaintOffScreen(screen.get(), part);
    } else {
        PaintSession paint(handle_);
        PaintOffScreen(paint.get(), paint.Area());
    }
    offScreen_.Trim();
}

void TWinControl::PaintOffScreen(HDC screen, const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    // Compose the area off screen and copy it once: no flicker. The surface outlives the
    // part, so whatever the painting selected or clipped is put back before the next one.
    const HDC memory = offScreen_.Prepare(screen, width, height);
    if (!memory) return;
    const int saved = SaveDC(memory);
    SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
    PaintWindow(memory);
    RestoreDC(memory, saved);
    BitBlt(screen, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
}

// ---- Input ----------------------------------------------------------------------------

bool TWinControl::KeyDown(WORD& key, unsigned shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    return key == 0;
}

bool TWinControl::KeyUp(WORD& key, unsigned shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
    return key == 0;
}

bool TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
    return key == 0;
}

bool TWinControl::MouseWheel(unsigned shift, int delta, POINT pos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, delta, pos, handled);
    return handled;
}

void TWinControl::FocusChanged(bool focused) {
    InvalidateFocusMark();
    if (TForm* form = ParentForm(); focused && form && form != this) form->ControlFocused(this);
    if (focused && OnEnter) OnEnter(this);
    if (!focused && OnExit) OnExit(this);
}

bool TWinControl::WantsKey(WORD key) {
    if (!SystemControl() || !handle_) return false;
    MSG message{handle_, WM_KEYDOWN, key, 0, 0, {0, 0}};
    const LRESULT code =
        SendMessageA(handle_, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&message));
    return code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
}

TAccessibleObject& TWinControl::AccessibleObject() {
    if (!accessible_) accessible_ = TAccessibleObject::Create(*this);
    return *accessible_;
}

bool TWinControl::WMSetCursor() {
    TCursor cursor = Screen().Cursor();
    if (cursor == crDefault) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(handle_, &point);
        cursor = Cursor();
        // The topmost visible graphic child under the pointer decides.
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
            TControl* child = *it;
            RECT bounds = child->BoundsRect();
            if (!child->IsWindowed() && child->Visible() && PtInRect(&bounds, point)) {
                cursor = child->Cursor();
                break;
            }
        }
    }
    if (cursor == crDefault) return false;
    ::SetCursor(CursorHandle(cursor));
    return true;
}

void TWinControl::TrackMouse() {
    if (mouseInside_) return;
    mouseInside_ = true;
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle_, 0};
    TrackMouseEvent(&track);
    MouseEnter();
}

static TMouseButton ButtonOf(UINT message) {
    switch (message) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return TMouseButton::mbRight;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            return TMouseButton::mbMiddle;
        default:
            return TMouseButton::mbLeft;
    }
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    bool ownClass = defaultProc_ == DefWindowProcA;
    switch (message) {
        case WM_PAINT:
            if (!ownClass) break;
            WMPaint();
            return 0;
        case WM_ERASEBKGND:
            if (!ownClass) break;
            return 1;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == handle_ && LOWORD(lParam) == HTCLIENT &&
                WMSetCursor())
                return TRUE;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return KeyMessage(message, wParam, lParam);
        case WM_CHAR: {
            char key = static_cast<char>(wParam);
            // The character of a Tab, Enter or Escape that worked the window: no control of
            // ours types it.
            if (key == '\t' || key == '\r' || key == '\x1b') return 0;
            TForm* form = ParentForm();
            if (form && form != this && form->KeyPreview() && form->OnKeyPress) {
                form->OnKeyPress(form, key);
                if (key == 0) return 0;
            }
            if (KeyPress(key)) return 0;
            wParam = static_cast<unsigned char>(key);
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            MouseDown(ButtonOf(message), KeyboardShiftState(), GET_X_LPARAM(lParam),
                      GET_Y_LPARAM(lParam));
            if (!ownClass) break;
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            MouseUp(ButtonOf(message), KeyboardShiftState(), GET_X_LPARAM(lParam),
                    GET_Y_LPARAM(lParam));
            if (!ownClass) break;
            return 0;
        case WM_MOUSEMOVE:
            TrackMouse();
            MouseMove(KeyboardShiftState(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            break;
        case WM_MOUSELEAVE:
            mouseInside_ = false;
            MouseLeave();
            break;
        case WM_MOUSEWHEEL: {
            POINT pos{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            TForm* form = ParentForm();
            TForm::WheelPass pass(form, this);
            if (MouseWheel(KeyboardShiftState(), GET_WHEEL_DELTA_WPARAM(wParam), pos)) return 0;
            if (form && form->RouteWheel(this, wParam, lParam)) return 0;
            // Unhandled wheel turns go to the parent, up to the form.
            if (Parent() && Parent()->HandleAllocated())
                return Parent()->WndProc(message, wParam, lParam);
            break;
        }
        case WM_COMMAND:
            // Notifications of system controls go back to the control that sent them.
            if (TWinControl* child = lParam ? ControlOf(reinterpret_cast<HWND>(lParam)) : nullptr;
                child && child != this && child->CommandNotify(HIWORD(wParam)))
                return 0;
            break;
        case WM_NOTIFY: {
            // Likewise the notifications of the common controls (tree view and the like).
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (TWinControl* child = header ? ControlOf(header->hwndFrom) : nullptr;
                child && child != this) {
                LRESULT result = 0;
                if (child->Notify(*header, result)) return result;
            }
            break;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (TWinControl* child = item ? ControlOf(item->hwndItem) : nullptr;
                child && child != this && child->DrawItem(*item))
                return TRUE;
            break;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            if (TWinControl* child = ControlOf(reinterpret_cast<HWND>(lParam));
                child && child != this)
                if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam)))
                    return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_CHANGEUISTATE:
            ChangeUiState(wParam);
            return 0;
        case WM_UPDATEUISTATE:
            UpdateUiState(wParam);
            // A system control draws its own focus rectangle by the same state.
            if (ownClass) return 0;
            break;
        case WM_QUERYUISTATE:
            return uiState_;
        case WM_GETOBJECT:
            if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT) &&
                AccessibleRole() != 0)
                if (LRESULT answer = AccessibleObject().Answer(wParam)) return answer;
            break;
        case WM_SETFOCUS:
            FocusChanged(true);
            break;
        case WM_KILLFOCUS:
            FocusChanged(false);
            break;
        case WM_NCDESTROY: {
            offScreen_.Release();
            LRESULT result = DefaultHandler(message, wParam, lParam);
            RemovePropA(handle_, kControlProperty);
            if (defaultProc_ != DefWindowProcA)
                SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
            handle_ = nullptr;
            return result;
        }
    }
    return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::KeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    WORD key = static_cast<WORD>(wParam);
    unsigned shift = KeyboardShiftState();
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    // The keyboard is used in this window: from now on it shows where the focus is.
    if (down && key != VK_SHIFT && key != VK_CONTROL && !FocusCuesShown())
        SendMessageA(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    TForm* form = ParentForm();
    if (form && form != this && form->KeyPreview()) {
        TKeyEvent& preview = down ? form->OnKeyDown : form->OnKeyUp;
        if (preview) preview(form, key, shift);
        if (key == 0) return 0;
    }
    if (down ? KeyDown(key, shift) : KeyUp(key, shift)) return 0;
    const bool repeated = lParam & (1 << 30);
    if (message == WM_KEYDOWN && form && (key == VK_TAB || !WantsKey(key)) &&
        form->DialogKey(*this, key, shift, repeated))
        return 0;
    // Alt+F4 on a system control asks its window to close, as the default handling does:
    // some controls (Wine's combo box, tree view) end every Alt+key themselves.
    if (message == WM_SYSKEYDOWN && key == VK_F4 && SystemControl() && (lParam & (1 << 29))) {
        PostMessageA(GetAncestor(handle_, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    return DefaultHandler(message, key, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(defaultProc_, handle_, message, wParam, lParam);
}

static LRESULT Dispatch(TWinControl* control, HWND window, WNDPROC fallback, UINT message,
                        WPARAM wParam, LPARAM lParam) {
    if (!control) return CallWindowProcA(fallback, window, message, wParam, lParam);
    try {
        return control->WndProc(message, wParam, lParam);
    } catch (const std::exception& error) {
        Application().ShowException(error);
    } catch (...) {
        Application().ShowException(Exception("Unknown error"));
    }
    return 0;
}

LRESULT CALLBACK TWinControl::RoutingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* control = static_cast<TWinControl*>(create->lpCreateParams);
        SetPropA(window, kControlProperty, control);
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(control));
        control->handle_ = window;
    }
    // The control is read from the window's own bytes, which takes no trip to the window
    // server as the property does; that is once for every message.
    auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, 0));
    return Dispatch(control, window, DefWindowProcA, message, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    return Dispatch(ControlOf(window), window, DefWindowProcA, message, wParam, lParam);
}

}  // namespace mvt

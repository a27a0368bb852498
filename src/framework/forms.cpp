#include "framework/forms.h"

#include <oleacc.h>

#include <algorithm>

#include "framework/accessibility.h"
#include "framework/hidden_window.h"

namespace mvt {

// ---- TForm ----------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    visible_ = false;
    SetColor(clBtnFace);
}

TForm::~TForm() {
    activeControl_ = focusedControl_ = defaultControl_ = nullptr;
    // The controls go first, while the form's window still exists.
    DestroyComponents();
}

void TForm::CreateParams(TCreateParams& params) {
    params.caption = Caption();
    params.style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.exStyle = 0;
    if (borderStyle_ != TFormBorderStyle::bsNone) {
        params.style |= WS_CAPTION;
        if (systemMenu_) params.style |= WS_SYSMENU;
    }
    if (borderStyle_ == TFormBorderStyle::bsToolWindow) params.exStyle |= WS_EX_TOOLWINDOW;
    if (stayOnTop_) params.exStyle |= WS_EX_TOPMOST;
    params.parent = Application().Handle();  // the owner of a popup window
}

RECT TForm::OuterRect(int clientWidth, int clientHeight) const {
    TCreateParams params;
    const_cast<TForm*>(this)->CreateParams(params);
    RECT rect{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&rect, params.style, FALSE, params.exStyle);
    return rect;
}

void TForm::UpdateWindowSize() {
    RECT outer = OuterRect(clientWidth_, clientHeight_);
    width_ = outer.right - outer.left;
    height_ = outer.bottom - outer.top;
    if (HandleAllocated()) {
        TCreateParams params;
        CreateParams(params);
        SetWindowLongA(handle_, GWL_STYLE, params.style | (visible_ ? WS_VISIBLE : 0));
        SetWindowLongA(handle_, GWL_EXSTYLE, params.exStyle);
        SetWindowPos(handle_, stayOnTop_ ? HWND_TOPMOST : HWND_NOTOPMOST, left_, top_, width_,
                     height_, SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    UpdateWindowSize();
}

void TForm::SetSystemMenu(bool systemMenu) {
    systemMenu_ = systemMenu;
    UpdateWindowSize();
}

void TForm::SetStayOnTop(bool stayOnTop) {
    stayOnTop_ = stayOnTop;
    UpdateWindowSize();
}

void TForm::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    UpdateWindowSize();
    BoundsChanged();
}

void TForm::SetBounds(int left, int top, int width, int height) {
    positioned_ = true;
    TWinControl::SetBounds(left, top, width, height);
}

void TForm::ApplyPosition() {
    if (positioned_ || position_ != TPosition::poScreenCenter) return;
    positioned_ = true;
    TWinControl::SetBounds((Screen().Width() - width_) / 2, (Screen().Height() - height_) / 2,
                           width_, height_);
}

void TForm::DoCreate() {
    Handle();
    // A failing creation handler is reported and the form stays as far as it got, so
    // that start-up can go on.
    try {
        if (OnCreate) OnCreate(this);
    } catch (const std::exception& error) {
        Application().ShowException(error);
    }
}

void TForm::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (visible) {
        ApplyPosition();
        Handle();
    }
    visible_ = visible;
    if (!HandleAllocated()) return;
    if (visible) {
        SendMessageA(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
        ShowWindow(handle_, SW_SHOW);
        SetForegroundWindow(handle_);
        // Without a window manager the system may not activate the shown window itself.
        if (GetActiveWindow() != handle_) SetActiveWindow(handle_);
        FocusOnActivation(activeControl_);
        if (OnShow) OnShow(this);
    } else {
        ShowWindow(handle_, SW_HIDE);
        focusedControl_ = nullptr;  // shown again, it starts afresh
        if (OnHide) OnHide(this);
    }
}

void TForm::Show() {
    SetVisible(true);
    if (HandleAllocated()) BringWindowToTop(handle_);
}

void TForm::Hide() {
    SetVisible(false);
}

TModalResult TForm::ShowModal() {
    if (visible_ || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) ReleaseCapture();
    HWND previousActive = GetActiveWindow();
    modal_ = true;
    modalResult_ = mrNone;
    std::vector<HWND> disabled = Application().DisableOtherWindows(Handle());
    try {
        Show();
        while (modalResult_ == mrNone) {
            Application().HandleMessage();
            if (Application().Terminated()) modalResult_ = mrCancel;
        }
    } catch (...) {
        for (HWND window : disabled) EnableWindow(window, TRUE);
        modal_ = false;
        throw;
    }
    for (HWND window : disabled) EnableWindow(window, TRUE);
    Hide();
    modal_ = false;
    if (previousActive && IsWindowVisible(previousActive)) SetActiveWindow(previousActive);
    return modalResult_;
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (!CloseQuery()) return;
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
    } else if (Application().MainForm() == this) {
        Hide();
        Application().Terminate();
    } else {
        Hide();
    }
}

namespace {

// The focusable tab stops below `parent`, in placing order, depth first.
void CollectTabStops(const TWinControl& parent, std::vector<TWinControl*>& stops) {
    for (TControl* control : parent.Controls()) {
        if (!control->IsWindowed()) continue;
        auto* windowed = static_cast<TWinControl*>(control);
        if (!windowed->Visible() || !windowed->Enabled()) continue;
        if (windowed->TabStop()) stops.push_back(windowed);
        CollectTabStops(*windowed, stops);
    }
}

}  // namespace

TWinControl* TForm::FindNextControl(const TWinControl* current, bool forward) const {
    std::vector<TWinControl*> stops;
    CollectTabStops(*this, stops);
    if (stops.empty()) return nullptr;
    const auto at = std::find(stops.begin(), stops.end(), current);
    const ptrdiff_t count = static_cast<ptrdiff_t>(stops.size());
    ptrdiff_t index = at - stops.begin();
    if (at == stops.end()) index = forward ? count - 1 : 0;  // from nowhere: first or last
    index = (index + (forward ? 1 : count - 1)) % count;
    return stops[static_cast<size_t>(index)];
}

bool TForm::SelectNext(const TWinControl* current, bool forward) {
    TWinControl* next = FindNextControl(current, forward);
    if (!next) return false;
    next->SetFocus();
    return true;
}

bool TForm::DialogKey(TWinControl& from, WORD key, unsigned shift, bool repeated) {
    switch (key) {
        case VK_TAB:
            return !(shift & (ssCtrl | ssAlt)) && SelectNext(&from, !(shift & ssShift));
        case VK_RETURN:
            // Held down, Enter would walk through one screen after another.
            if (repeated || !defaultControl_ || !defaultControl_->CanFocus()) return false;
            defaultControl_->Click();
            return true;
        case VK_ESCAPE:
            if (repeated || !closeOnEscape_) return false;
            Close();
            return true;
        default:
            return false;
    }
}

long TForm::AccessibleRole() const {
    return ROLE_SYSTEM_DIALOG;
}

std::string TForm::AccessibleName() const {
    const std::string given = TWinControl::AccessibleName();
    return given.empty() ? AccessibleWords(Caption()) : given;
}

void TForm::ForgetControl(const TWinControl* control) {
    for (TWinControl** kept : {&activeControl_, &focusedControl_, &defaultControl_})
        if (*kept == control) *kept = nullptr;
}

// The focus goes to the given control; without one that can take it, to the form itself,
// so that the window's keys (Tab, Enter, Escape) still reach it.
void TForm::FocusOnActivation(TWinControl* control) {
    if (control && control->CanFocus()) {
        control->SetFocus();
        return;
    }
    const HWND focus = GetFocus();
    if (focus != handle_ && !IsChild(handle_, focus)) ::SetFocus(handle_);
}

bool TForm::RouteWheel(const TWinControl* from, WPARAM wParam, LPARAM lParam) {
    if (!wheelTarget_ || from == wheelTarget_ || wheelPassed_ || !wheelTarget_->CanFocus())
        return false;
    wheelTarget_->WndProc(WM_MOUSEWHEEL, wParam, lParam);
    return true;
}

TForm::WheelPass::WheelPass(TForm* form, const TWinControl* control)
    : form_(form && form->wheelTarget_ == control ? form : nullptr) {
    if (!form_) return;
    previous_ = form_->wheelPassed_;
    form_->wheelPassed_ = true;
}

TForm::WheelPass::~WheelPass() {
    if (form_) form_->wheelPassed_ = previous_;
}

void TForm::SetWindowRegion(UniqueRegion region) {
    // On success the system owns the region.
    if (SetWindowRgn(Handle(), region.get(), TRUE)) region.release();
}

void TForm::PaintBackground(TCanvas& canvas) {
    canvas.Brush().color = Color();
    canvas.Brush().style = TBrushStyle::bsSolid;
    canvas.FillRect(ClientRect());
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            Close();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                FocusOnActivation(focusedControl_ && focusedControl_->CanFocus() ? focusedControl_
                                                                                 : activeControl_);
                if (OnActivate) OnActivate(this);
            }
            return 0;
        case WM_WINDOWPOSCHANGED: {
            // Keep Left/Top in step when the user moves the window.
            const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (!(position->flags & SWP_NOMOVE)) {
                left_ = position->x;
                top_ = position->y;
            }
            break;
        }
        case WM_SYSCOMMAND:
            // Minimising any form minimises the program, as the taskbar button shows it.
            if ((wParam & 0xFFF0) == SC_MINIMIZE) {
                Application().Minimize();
                return 0;
            }
            break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

// ---- TApplication ---------------------------------------------------------------------

namespace {

constexpr char kApplicationClass[] = "MVTApplication";

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // Closing the taskbar button closes the main form, with its close query.
        if (TForm* main = Application().MainForm()) main->Close();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK HideOwnedWindow(HWND window, LPARAM owner) {
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsWindowVisible(window))
        ShowWindow(window, SW_HIDE);
    return TRUE;
}

struct DisableContext {
    HWND except;
    std::vector<HWND> disabled;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM data) {
    auto* context = reinterpret_cast<DisableContext*>(data);
    if (window != context->except && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        context->disabled.push_back(window);
    }
    return TRUE;
}

int CALLBACK CollectFont(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM list) {
    auto* fonts = reinterpret_cast<std::vector<std::string>*>(list);
    if (font->lfFaceName[0] != '@' &&
        std::find(fonts->begin(), fonts->end(), font->lfFaceName) == fonts->end())
        fonts->push_back(font->lfFaceName);
    return 1;
}

}  // namespace

TApplication::TApplication() : TComponent(nullptr) {
    RegisterHiddenWindowClass(kApplicationClass, ApplicationProc);
    // A zero-sized visible window: the taskbar shows it with the title, the screen does not.
    handle_ = CreateWindowExA(0, kApplicationClass, "",
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TApplication::~TApplication() {
    Shutdown();
}

void TApplication::Shutdown() {
    mainForm_ = nullptr;
    DestroyComponents();
    if (handle_) DestroyWindow(handle_);
    handle_ = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    SetWindowTextA(handle_, title_.c_str());
}

bool TApplication::ProcessMessage() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)
        keyboardInputLast_ = true;
    else if (message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN ||
             message.message == WM_MBUTTONDOWN || message.message == WM_NCLBUTTONDOWN)
        keyboardInputLast_ = false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void TApplication::HandleMessage() {
    if (!ProcessMessage()) WaitMessage();
}

void TApplication::ShowMainForm() {
    if (!mainForm_) return;
    ShowWindow(handle_, SW_SHOWNA);
    mainForm_->Show();
}

void TApplication::Run() {
    ShowMainForm();
    while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

void TApplication::Minimize() {
    ShowWindow(handle_, SW_MINIMIZE);
    // Owned forms do not follow a zero-sized owner everywhere; hide them explicitly so the
    // desktop is clear, as a minimised program should leave it.
    EnumThreadWindows(GetCurrentThreadId(), HideOwnedWindow, reinterpret_cast<LPARAM>(handle_));
}

void TApplication::ShowException(const std::exception& error) {
    if (OnException) {
        OnException(error);
        return;
    }
    HWND owner = GetActiveWindow();
    MessageBoxA(owner ? owner : handle_, error.what(), title_.c_str(),
                MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

std::vector<HWND> TApplication::DisableOtherWindows(HWND except) {
    DisableContext context{except, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&context));
    return context.disabled;
}

// ---- TScreen --------------------------------------------------------------------------

const std::vector<std::string>& TScreen::Fonts() {
    if (fonts_.empty()) {
        WindowDc screen(nullptr);
        LOGFONTA filter{};
        filter.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExA(screen.get(), &filter, CollectFont, reinterpret_cast<LPARAM>(&fonts_),
                            0);
        std::sort(fonts_.begin(), fonts_.end());
    }
    return fonts_;
}

bool TScreen::HasFont(const std::string& name) {
    const auto& fonts = Fonts();
    return std::any_of(fonts.begin(), fonts.end(), [&](const std::string& font) {
        return lstrcmpiA(font.c_str(), name.c_str()) == 0;
    });
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    POINT point;
    GetCursorPos(&point);
    ::SetCursor(CursorHandle(cursor == crDefault ? crArrow : cursor));
    // Let the window under the pointer choose its own cursor again.
    SetCursorPos(point.x, point.y);
}

TApplication& Application() {
    static TApplication application;
    return application;
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

}  // namespace mvt

// Forms (top-level windows), the application object with its message loop and default
// exception handler, and the screen object.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"

namespace mvt {

enum class TFormBorderStyle { bsNone, bsToolWindow, bsSingle };
enum class TPosition { poDesigned, poScreenCenter };
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2;

using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TForm : public TWinControl {
  public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Window kind; set these before the window is first shown.
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    // With a border: whether the system-menu close icon is shown.
    void SetSystemMenu(bool systemMenu);
    void SetStayOnTop(bool stayOnTop);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }

    // Left and Top are the window's screen position; the client size is what the
    // layout is measured in.
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientSize(int width, int height);
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;

    void Show();
    void Hide();
    // Shows the form modally and runs a nested message loop until it closes; the other
    // windows of the program are disabled meanwhile.
    TModalResult ShowModal();
    // Asks OnCloseQuery; a permitted close hides the form (a modal one ends its loop,
    // the main form ends the application).
    void Close();
    bool Modal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool preview) { keyPreview_ = preview; }
    // Shapes the window; the form takes ownership of the region.
    void SetWindowRegion(UniqueRegion region);
    // The control that gets the focus when the form is shown; when it is activated again
    // (a dialog over it has closed), the control that had the focus last gets it back.
    void SetActiveControl(TWinControl* control) { activeControl_ = control; }
    // A control of the form took the focus, or is going: the form remembers, or forgets.
    void ControlFocused(TWinControl* control) { focusedControl_ = control; }
    void ForgetControl(const TWinControl* control);

    // Tab and Shift+Tab: the next (or previous) focusable tab stop after `current` in the
    // form's tab order (the order in which the controls were placed, depth first),
    // wrapping around; null when the form has none.
    TWinControl* FindNextControl(const TWinControl* current, bool forward) const;
    // Moves the focus there; false when there was nowhere to go.
    bool SelectNext(const TWinControl* current, bool forward);

    // The keys that work the window rather than one control, as in the system's dialogs:
    // Tab and Shift+Tab move the focus, Enter clicks the default control (when it is
    // enabled), Escape is a close request (when CloseOnEscape). `from` had the key and did
    // not take it; a key held down (repeated) presses nothing. True when the key was used.
    bool DialogKey(TWinControl& from, WORD key, unsigned shift, bool repeated);
    TWinControl* DefaultControl() const { return defaultControl_; }
    void SetDefaultControl(TWinControl* control) { defaultControl_ = control; }
    bool CloseOnEscape() const { return closeOnEscape_; }
    void SetCloseOnEscape(bool close) { closeOnEscape_ = close; }
    // The colour of the mark the focused control shows once the keyboard is used in the
    // form; clNone (the default): no mark of the program's own.
    TColor FocusMarkColour() const { return focusMarkColour_; }
    void SetFocusMarkColour(TColor colour) { focusMarkColour_ = colour; }

    // To assistive technology a form is a dialog named by its caption.
    long AccessibleRole() const override;
    std::string AccessibleName() const override;

    // Wheel turns that no control under the pointer takes go to this control, so a screen
    // scrolls wherever the pointer is over it (current Windows sends the wheel to the
    // window under the pointer, not to the focused one).
    TWinControl* WheelTarget() const { return wheelTarget_; }
    void SetWheelTarget(TWinControl* target) { wheelTarget_ = target; }
    // Delivers an unhandled wheel turn that reached `from` to the wheel target; false when
    // there is none or the turn has already passed through it.
    bool RouteWheel(const TWinControl* from, WPARAM wParam, LPARAM lParam);

    // Held by a control while it handles a wheel turn: once the turn has passed through
    // the wheel target, it bubbles up to the form without being routed again.
    class WheelPass {
      public:
        WheelPass(TForm* form, const TWinControl* control);
        ~WheelPass();
        WheelPass(const WheelPass&) = delete;
        WheelPass& operator=(const WheelPass&) = delete;

      private:
        TForm* form_;
        bool previous_ = false;
    };

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TCloseQueryEvent OnCloseQuery;

    // Runs OnCreate; the application calls it once the screen's constructor has built
    // its controls.
    void DoCreate();

  protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintBackground(TCanvas& canvas) override;
    bool CloseQuery();

  private:
    TWinControl* wheelTarget_ = nullptr;
    bool wheelPassed_ = false;

    void ApplyPosition();
    void UpdateWindowSize();
    RECT OuterRect(int clientWidth, int clientHeight) const;

    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsToolWindow;
    bool systemMenu_ = true;
    bool stayOnTop_ = false;
    TPosition position_ = TPosition::poDesigned;
    int clientWidth_ = 0, clientHeight_ = 0;
    bool modal_ = false;
    TModalResult modalResult_ = mrNone;
    bool keyPreview_ = false;
    bool positioned_ = false;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focusedControl_ = nullptr;
    TWinControl* defaultControl_ = nullptr;
    bool closeOnEscape_ = false;
    TColor focusMarkColour_ = clNone;

    void FocusOnActivation(TWinControl* control);
};

class TApplication : public TComponent {
  public:
    TApplication();
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    // The hidden window that owns every form and carries the program's taskbar button.
    HWND Handle() const { return handle_; }

    // Creates a screen owned by the application, stores it in ref, runs its OnCreate.
    // The first form created this way becomes the main form.
    template <class F>
    F* CreateForm(F*& ref) {
        F* form = Make<F>();
        ref = form;
        if (!mainForm_) mainForm_ = form;
        form->DoCreate();
        return form;
    }
    TForm* MainForm() const { return mainForm_; }

    // Shows the taskbar button and the main form.
    void ShowMainForm();
    // Shows the main form and processes messages until Terminate or the main form closes.
    void Run();
    // Handles every pending message, then returns.
    void ProcessMessages();
    // Waits for and handles one message.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Frees every form while the rest of the program still exists; call it when the
    // loop has ended, before the process ends.
    void Shutdown();
    void Minimize();
    // The default exception handler: the message text in a message box; the loop goes on.
    void ShowException(const std::exception& error);
    // Lets tests see exceptions instead of message boxes.
    std::function<void(const std::exception&)> OnException;

    // The windows that a modal form disables while it runs.
    std::vector<HWND> DisableOtherWindows(HWND except);

    // Whether the last key or mouse button the program received was a key: a window shown
    // now starts with its focus cues shown (keyboard) or hidden (mouse).
    bool KeyboardInputLast() const { return keyboardInputLast_; }

  private:
    bool ProcessMessage();

    // The GUI thread is in COM for the program's life: assistive technology reaches the
    // windows' objects through it.
    ComApartment apartment_;
    HWND handle_ = nullptr;
    bool keyboardInputLast_ = false;
    std::string title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

class TScreen {
  public:
    // The typefaces the system knows; read again after a font was added.
    const std::vector<std::string>& Fonts();
    void ResetFonts() { fonts_.clear(); }
    bool HasFont(const std::string& name);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }

  private:
    std::vector<std::string> fonts_;
    TCursor cursor_ = crDefault;
};

// The process-wide application and screen objects of the framework.
TApplication& Application();
TScreen& Screen();

}  // namespace mvt

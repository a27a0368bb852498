// Standard push buttons and edit lines over the system BUTTON and EDIT classes.
#pragma once

#include "framework/forms.h"

namespace mvt {

// A push button. Its parent routes the BN_CLICKED notification to it through
// DispatchButtonCommand; a click sets the parent form's modal result when ModalResult is
// not mrNone. Enter and Escape on any button click the form's default and cancel buttons.
class TButton : public TWinControl {
  public:
    explicit TButton(TComponent* owner);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool cancel) { cancel_ = cancel; }
    void Click() override;

  protected:
    void CreateParams(TCreateParams& params) override;
    bool KeyDown(WORD& key, unsigned shift) override;

  private:
    TModalResult modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

// A single-line edit box; Text reads the window's current text.
class TEdit : public TWinControl {
  public:
    explicit TEdit(TComponent* owner);
    std::string Text();
    void SetText(const std::string& text);
    // '*' hides the typed characters; 0 shows them.
    void SetPasswordChar(char passwordChar) { passwordChar_ = passwordChar; }

  protected:
    void CreateParams(TCreateParams& params) override;
    bool KeyDown(WORD& key, unsigned shift) override;

  private:
    std::string text_;
    char passwordChar_ = 0;
};

// Clicks the child button that sent a WM_COMMAND/BN_CLICKED to `parent`; true when one
// did. Call from the parent's WndProc.
bool DispatchButtonCommand(TWinControl& parent, WPARAM wParam, LPARAM lParam);

// Clicks the parent form's default (Enter) or cancel (Escape) button; true when found.
bool ClickDialogKeyButton(TWinControl& from, WORD key);

}  // namespace mvt

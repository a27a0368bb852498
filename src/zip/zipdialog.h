// TZipDialogBox: the zip component's own message box, and the same form with an edit
// line for password requests.
#pragma once

#include <array>
#include <string>

#include "framework/button_edit.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "zip/zipevents.h"

namespace mvt::zip {

enum class TZipDialogKind { Error, Information, Confirmation, Password };

struct TZipDialogRequest {
    std::string title;
    std::string text;
    TZipDialogKind kind = TZipDialogKind::Information;
    TZipDlgButtons buttons = ButtonBit(TZipDlgButton::zmbOK);
};

class TZipDialogBox : public TForm {
  public:
    TZipDialogBox(TComponent* owner, const TZipDialogRequest& request);
    // Beeps, shows the box modally and returns its modal result (1..10, or zmrCancel when
    // closed otherwise).
    int Execute();
    // The edit line's text (password requests).
    std::string Password();
    TEdit* PasswordEdit() const { return edit_; }

  protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateParams(TCreateParams& params) override;

  private:
    void BuildButtons(TZipDlgButtons buttons, int top, int clientWidth);
    TZipDialogKind kind_;
    TEdit* edit_ = nullptr;
    HICON icon_ = nullptr;
};

// Shows a dialog box for the request; `password` receives the edit line for password
// requests. Returns the modal result.
int ShowZipDialog(const TZipDialogRequest& request, std::string* password = nullptr);

}  // namespace mvt::zip

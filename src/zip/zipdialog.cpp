#include "zip/zipdialog.h"

#include "zip/messages.h"

namespace mvt::zip {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kTextWidth = 320;
constexpr int kEditHeight = 21;

TZipDlgButton DefaultButton(TZipDlgButtons buttons) {
    for (auto candidate : {TZipDlgButton::zmbOK, TZipDlgButton::zmbYes, TZipDlgButton::zmbRetry})
        if (buttons & ButtonBit(candidate)) return candidate;
    return TZipDlgButton(-1);
}

TZipDlgButton CancelButton(TZipDlgButtons buttons) {
    for (auto candidate : {TZipDlgButton::zmbCancel, TZipDlgButton::zmbNo, TZipDlgButton::zmbOK})
        if (buttons & ButtonBit(candidate)) return candidate;
    return TZipDlgButton(-1);
}

// The text's size when drawn in the dialog's font, wrapped at kTextWidth.
SIZE MeasureText(const std::string& text, HFONT font) {
    WindowDc dc(nullptr);
    SelectGuard select(dc.get(), font);
    RECT bounds{0, 0, kTextWidth, 0};
    DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return {bounds.right, bounds.bottom};
}

}  // namespace

TZipDialogBox::TZipDialogBox(TComponent* owner, const TZipDialogRequest& request)
    : TForm(owner), kind_(request.kind) {
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetPosition(TPosition::poScreenCenter);
    SetCaption(request.title);
    icon_ = LoadIconA(nullptr, kind_ == TZipDialogKind::Error          ? IDI_HAND
                               : kind_ == TZipDialogKind::Confirmation ? IDI_QUESTION
                                                                       : IDI_ASTERISK);
    auto* label = Make<TLabel>();
    label->SetParent(this);
    label->SetWordWrap(true);
    label->SetShowAccelChar(false);
    label->SetCaption(request.text);
    const SIZE textSize = MeasureText(request.text, label->Font().Handle());
    const int textLeft = kMargin * 2 + kIconSize;
    label->SetBounds(textLeft, kMargin, std::max<int>(textSize.cx, 1),
                     std::max<int>(textSize.cy, kIconSize));
    int top = kMargin + std::max<int>(textSize.cy, kIconSize) + kMargin;
    int buttonCount = 0;
    for (int i = 0; i < kZipDlgButtonCount; ++i) buttonCount += (request.buttons >> i) & 1;
    const int buttonsWidth = buttonCount * kButtonWidth + (buttonCount - 1) * kButtonGap;
    int clientWidth = std::max<int>(textLeft + textSize.cx + kMargin, buttonsWidth + 2 * kMargin);
    if (kind_ == TZipDialogKind::Password) {
        clientWidth = std::max(clientWidth, textLeft + 200 + kMargin);
        edit_ = Make<TEdit>();
        edit_->SetName("zudlgEdit");
        edit_->SetPasswordChar('*');
        edit_->SetParent(this);
        edit_->SetBounds(textLeft, top, clientWidth - textLeft - kMargin, kEditHeight);
        SetActiveControl(edit_);
        top += kEditHeight + kMargin;
    }
    BuildButtons(request.buttons, top, clientWidth);
    SetClientSize(clientWidth, top + kButtonHeight + kMargin);
}

void TZipDialogBox::CreateParams(TCreateParams& params) {
    TForm::CreateParams(params);
    params.exStyle |= WS_EX_DLGMODALFRAME;
}

void TZipDialogBox::BuildButtons(TZipDlgButtons buttons, int top, int clientWidth) {
    const TZipDlgButton defaultButton = DefaultButton(buttons);
    const TZipDlgButton cancelButton = CancelButton(buttons);
    int count = 0;
    for (int i = 0; i < kZipDlgButtonCount; ++i) count += (buttons >> i) & 1;
    int left = (clientWidth - (count * kButtonWidth + (count - 1) * kButtonGap)) / 2;
    int number = 0;
    for (int i = 0; i < kZipDlgButtonCount; ++i) {
        const auto kind = TZipDlgButton(i);
        if (!(buttons & ButtonBit(kind))) continue;
        auto* button = Make<TButton>();
        button->SetName(Format("zudlg%d", ++number));
        button->SetCaption(ZipMessages().Text(kMsgFirstButton + i));
        button->SetModalResult(ModalResultOf(kind));
        button->SetDefault(kind == defaultButton);
        button->SetCancel(kind == cancelButton);
        button->SetParent(this);
        button->SetBounds(left, top, kButtonWidth, kButtonHeight);
        if (kind == defaultButton && !edit_) SetActiveControl(button);
        left += kButtonWidth + kButtonGap;
    }
}

LRESULT TZipDialogBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (DispatchButtonCommand(*this, wParam, lParam)) return 0;
            break;
        case WM_PAINT: {
            LRESULT result = TForm::WndProc(message, wParam, lParam);
            WindowDc dc(Handle());
            DrawIcon(dc.get(), kMargin, kMargin, icon_);
            return result;
        }
    }
    return TForm::WndProc(message, wParam, lParam);
}

int TZipDialogBox::Execute() {
    MessageBeep(kind_ == TZipDialogKind::Error ? MB_ICONHAND : MB_ICONASTERISK);
    return ShowModal();
}

std::string TZipDialogBox::Password() {
    return edit_ ? edit_->Text() : std::string();
}

int ShowZipDialog(const TZipDialogRequest& request, std::string* password) {
    TZipDialogBox box(nullptr, request);
    const int result = box.Execute();
    if (password) *password = box.Password();
    return result;
}

}  // namespace mvt::zip

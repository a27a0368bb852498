#include "framework/button_edit.h"

namespace mvt {

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.className = "BUTTON";
    params.caption = Caption();
    params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    if (HandleAllocated())
        SendMessageA(handle_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

bool TButton::KeyDown(WORD& key, unsigned shift) {
    if (ClickDialogKeyButton(*this, key)) return true;
    return TWinControl::KeyDown(key, shift);
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

void TEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.className = "EDIT";
    params.caption = text_;
    params.style |= ES_AUTOHSCROLL | (passwordChar_ ? ES_PASSWORD : 0);
    params.exStyle |= WS_EX_CLIENTEDGE;
}

std::string TEdit::Text() {
    if (!HandleAllocated()) return text_;
    std::string text(GetWindowTextLengthA(handle_) + 1, '\0');
    text.resize(GetWindowTextA(handle_, text.data(), static_cast<int>(text.size())));
    return text;
}

void TEdit::SetText(const std::string& text) {
    text_ = text;
    if (HandleAllocated()) SetWindowTextA(handle_, text.c_str());
}

bool TEdit::KeyDown(WORD& key, unsigned shift) {
    if (ClickDialogKeyButton(*this, key)) return true;
    return TWinControl::KeyDown(key, shift);
}

namespace {

TButton* FindButton(TWinControl& parent, auto predicate) {
    for (TControl* control : parent.Controls()) {
        if (auto* button = dynamic_cast<TButton*>(control); button && predicate(*button))
            return button;
        if (auto* inner = dynamic_cast<TWinControl*>(control))
            if (TButton* found = FindButton(*inner, predicate)) return found;
    }
    return nullptr;
}

}  // namespace

bool DispatchButtonCommand(TWinControl& parent, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED || !lParam) return false;
    const auto window = reinterpret_cast<HWND>(lParam);
    TButton* button = FindButton(parent, [window](TButton& candidate) {
        return candidate.HandleAllocated() && candidate.Handle() == window;
    });
    if (!button) return false;
    button->Click();
    return true;
}

bool ClickDialogKeyButton(TWinControl& from, WORD key) {
    if (key != VK_RETURN && key != VK_ESCAPE) return false;
    TForm* form = from.ParentForm();
    if (!form) return false;
    TButton* button = FindButton(*form, [key](TButton& candidate) {
        return key == VK_RETURN ? candidate.Default() : candidate.Cancel();
    });
    if (!button) return false;
    button->Click();
    return true;
}

}  // namespace mvt

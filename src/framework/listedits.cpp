#include "framework/listedits.h"

namespace mvt {

bool TChangeEdit::CommandNotify(WORD code) {
    if (code != EN_CHANGE) return false;
    if (OnChange) OnChange(this);
    return true;
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

void TListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.className = "LISTBOX";
    // Fixed-height items: the system draws each item's text and the selection.
    params.style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    params.style &= ~WS_CLIPCHILDREN;
}

void TListBox::HandleCreated() {
    SendMessageA(handle_, LB_SETITEMHEIGHT, 0, itemHeight_);
}

int TListBox::Count() const {
    return handle_ ? static_cast<int>(SendMessageA(handle_, LB_GETCOUNT, 0, 0)) : 0;
}

std::string TListBox::Item(int index) const {
    LRESULT length = SendMessageA(handle_, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(handle_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

void TListBox::Add(const std::string& item) {
    SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void TListBox::Clear() {
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

int TListBox::ItemIndex() const {
    LRESULT index = handle_ ? SendMessageA(handle_, LB_GETCURSEL, 0, 0) : LB_ERR;
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TListBox::SetItemIndex(int index) {
    SendMessageA(Handle(), LB_SETCURSEL, index, 0);
}

void TListBox::SetItemHeight(int height) {
    itemHeight_ = height;
    if (handle_) SendMessageA(handle_, LB_SETITEMHEIGHT, 0, height);
}

void TListBox::BeginUpdate() {
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListBox::EndUpdate() {
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(handle_, nullptr, TRUE);
}

bool TListBox::CommandNotify(WORD code) {
    if (code != LBN_SELCHANGE) return false;
    if (!keysMoving_) Pick();
    return true;
}

void TListBox::Pick() {
    if (OnClick) OnClick(this);
}

LRESULT TListBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_KEYDOWN && message != WM_CHAR)
        return TWinControl::WndProc(message, wParam, lParam);
    // Arrow keys and typed letters move the highlight through the entries; the change of
    // selection they make is no pick.
    const bool outer = keysMoving_;
    keysMoving_ = true;
    const LRESULT result = TWinControl::WndProc(message, wParam, lParam);
    keysMoving_ = outer;
    return result;
}

bool TListBox::KeyDown(WORD& key, unsigned shift) {
    if (TWinControl::KeyDown(key, shift)) return true;
    // The deliberate choice of the highlighted entry; without one Enter goes on to the
    // window (its default button).
    if ((key != VK_RETURN && key != VK_SPACE) || ItemIndex() < 0) return false;
    Pick();
    return true;
}

bool TListBox::KeyPress(char& key) {
    if (TWinControl::KeyPress(key)) return true;
    // The blank of Space picks; it searches no entry.
    return key == ' ';
}

}  // namespace mvt

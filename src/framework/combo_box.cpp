#include "framework/combo_box.h"

#include <algorithm>

namespace mvt {

namespace {
// The edge the system draws around the selection field, top and bottom together.
constexpr int kFieldFrame = 6;
}  // namespace

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 145, 21);
}

void TComboBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.className = "COMBOBOX";
    params.style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL;
    params.style &= ~WS_CLIPCHILDREN;
}

void TComboBox::HandleCreated() {
    SendMessageA(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                 std::max(1, height_ - kFieldFrame));
    SendMessageA(handle_, CB_SETITEMHEIGHT, 0, itemHeight_);
    ApplyWindowHeight();
}

void TComboBox::ApplyWindowHeight() {
    if (!handle_) return;
    // The system measures a drop-down list's window including the list below the field.
    MoveWindow(handle_, left_, top_, width_, height_ + itemHeight_ * dropDownCount_ + 2, TRUE);
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
    const bool heightChanged = height != height_;
    TWinControl::SetBounds(left, top, width, height);
    if (handle_ && heightChanged)
        SendMessageA(handle_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                     std::max(1, height_ - kFieldFrame));
    ApplyWindowHeight();
}

int TComboBox::Count() const {
    return handle_ ? static_cast<int>(SendMessageA(handle_, CB_GETCOUNT, 0, 0)) : 0;
}

std::string TComboBox::Item(int index) const {
    if (!handle_) return {};
    const LRESULT length = SendMessageA(handle_, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(handle_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

LPARAM TComboBox::ItemData(int index) const {
    if (!handle_) return 0;
    const LRESULT data = SendMessageA(handle_, CB_GETITEMDATA, index, 0);
    return data == CB_ERR ? 0 : data;
}

void TComboBox::Add(const std::string& text, LPARAM data) {
    const LRESULT index =
        SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageA(handle_, CB_SETITEMDATA, index, data);
}

void TComboBox::Clear() {
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
}

int TComboBox::ItemIndex() const {
    const LRESULT index = handle_ ? SendMessageA(handle_, CB_GETCURSEL, 0, 0) : CB_ERR;
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void TComboBox::SetItemIndex(int index) {
    SendMessageA(Handle(), CB_SETCURSEL, index, 0);
}

std::string TComboBox::Text() const {
    const int index = ItemIndex();
    return index < 0 ? std::string() : Item(index);
}

void TComboBox::SetItemHeight(int height) {
    itemHeight_ = height;
    if (!handle_) return;
    SendMessageA(handle_, CB_SETITEMHEIGHT, 0, height);
    ApplyWindowHeight();
}

void TComboBox::SetDropDownCount(int count) {
    dropDownCount_ = std::max(1, count);
    ApplyWindowHeight();
}

bool TComboBox::DroppedDown() const {
    return handle_ && SendMessageA(handle_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TComboBox::SetDroppedDown(bool dropped) {
    SendMessageA(Handle(), CB_SHOWDROPDOWN, dropped, 0);
}

bool TComboBox::CommandNotify(WORD code) {
    if (code != CBN_SELCHANGE) return false;
    Change();
    return true;
}

void TComboBox::Change() {
    if (OnChange) OnChange(this);
}

LRESULT TComboBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dropped-down list asks the combo box itself for its colours.
    if (message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLOREDIT)
        return reinterpret_cast<LRESULT>(OwnColours(reinterpret_cast<HDC>(wParam)));
    return TWinControl::WndProc(message, wParam, lParam);
}

bool TComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF back = selected ? GetSysColor(COLOR_HIGHLIGHT) : ColorToRGB(Color());
    const COLORREF text = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font().Color());
    UniqueBrush brush(CreateSolidBrush(back));
    FillRect(dc, &item.rcItem, brush.get());
    if (item.itemID == static_cast<UINT>(-1)) return true;
    const std::string caption = Item(static_cast<int>(item.itemID));
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT area = item.rcItem;
    area.left += 2;
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    return true;
}

}  // namespace mvt

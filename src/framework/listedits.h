// A list box and an edit line that report their changes and draw in their own colours.
#pragma once

#include <string>

#include "framework/button_edit.h"
#include "framework/controls.h"

namespace mvt {

// A single-line edit whose OnChange follows every change of its text, typed or set.
class TChangeEdit : public TEdit {
  public:
    using TEdit::TEdit;
    TNotifyEvent OnChange;

  protected:
    bool CommandNotify(WORD code) override;
    HBRUSH ControlColor(HDC dc) override { return OwnColours(dc); }
};

// A list of text items with one selection; items keep the order they were added in.
class TListBox : public TWinControl {
  public:
    explicit TListBox(TComponent* owner);
    int Count() const;
    std::string Item(int index) const;
    void Add(const std::string& item);
    void Clear();
    // -1 when nothing is selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    // Stops and restarts redrawing around bulk changes.
    void BeginUpdate();
    void EndUpdate();
    // Fired when the user picks an entry: a click on it, or Enter or Space on the
    // highlighted one. Moving the highlight with the keys picks nothing.
    TNotifyEvent OnClick;

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool CommandNotify(WORD code) override;
    bool KeyDown(WORD& key, unsigned shift) override;
    bool KeyPress(char& key) override;
    HBRUSH ControlColor(HDC dc) override { return OwnColours(dc); }

  private:
    HWND ListHandle() const { return handle_; }
    void Pick();

    int itemHeight_ = 16;
    bool keysMoving_ = false;  // the selection changes because of a key
};

}  // namespace mvt

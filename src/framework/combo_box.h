// A drop-down list over the system COMBOBOX class whose items the control draws itself:
// each item is a text with a number attached, the selection field shows the selected one.
#pragma once

#include <string>

#include "framework/controls.h"

namespace mvt {

class TComboBox : public TWinControl {
  public:
    explicit TComboBox(TComponent* owner);

    int Count() const;
    std::string Item(int index) const;
    LPARAM ItemData(int index) const;
    void Add(const std::string& text, LPARAM data = 0);
    void Clear();
    // -1 when nothing is selected. Setting it fires no OnChange.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The selected item's text; empty when nothing is selected.
    std::string Text() const;
    // Height of the items in the dropped-down list.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    // Items shown at once in the dropped-down list.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count);
    bool DroppedDown() const;
    void SetDroppedDown(bool dropped);
    void SetBounds(int left, int top, int width, int height) override;

    // The user picked an item (mouse or keyboard).
    TNotifyEvent OnChange;

  protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool CommandNotify(WORD code) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH ControlColor(HDC dc) override { return OwnColours(dc); }
    // Draws one item into its rectangle (the selection field too, with ODS_COMBOBOXEDIT).
    // The default draws the text in the control's colours.
    bool DrawItem(const DRAWITEMSTRUCT& item) override;
    virtual void Change();

  private:
    // The window is as high as the control plus its dropped-down list.
    void ApplyWindowHeight();

    int itemHeight_ = 16;
    int dropDownCount_ = 8;
};

}  // namespace mvt

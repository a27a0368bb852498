#include "controls/skin_button.h"

#include <string>

using namespace mvt;

namespace skin {

namespace {

void LoadIfPresent(TBitmap& bitmap, const std::string& name) {
    std::vector<uint8_t> bytes = ResourceBytes(name.c_str());
    if (!bytes.empty()) bitmap.LoadFromBytes(bytes.data(), bytes.size());
}

}  // namespace

TSkBmpButton* AddButton(TForm& form, int left, int top, int width, int height, const char* prefix,
                        TColor transparentColour) {
    auto* button = CreateChild<TSkBmpButton>(&form, &form, left, top, width, height);
    button->SetButtonBorder(TButtonBorder::bbNone);
    button->SetButtonSize(TBtnSize::bszButtonToBitmap);
    button->SetTabStop(false);
    TSkButtonBitmaps& bitmaps = button->Bitmaps();
    bitmaps.SetTransparentColor(transparentColour);
    std::string name = prefix;
    LoadIfPresent(bitmaps.Up(), name + "_UP");
    LoadIfPresent(bitmaps.Down(), name + "_DOWN");
    LoadIfPresent(bitmaps.Disabled(), name + "_DISABLED");
    return button;
}

}  // namespace skin

#include "controls/skin_button.h"

#include <string>

using namespace mvt;

namespace skin {

namespace {

void LoadIfPresent(TBitmap& bitmap, const std::string& name) {
    std::vector<uint8_t> bytes = ResourceBytes(name.c_str());
    if (!bytes.empty()) bitmap.LoadFromBytes(bytes.data(), bytes.size());
}

struct Lettering {
    const char* prefix;
    const char* words;
    bool plaque;  // lettering on a long plaque with rounded ends, which fills the button
};

constexpr Lettering kLettering[] = {
    {"BTN_NEXT", "Далее", true},
    {"BTN_BACK", "Назад", true},
    {"BTN_ABOUT", "О сборке...", true},
    {"BTN_BROWSE", "Обзор...", false},  // a folder picture
    {"BTN_EXIT", "Выход", true},
    {"BTN_FINISH", "Выход", true},
    {"BTN_CANCEL", "Отмена", true},
    {"BTN_CLOSE", "Закрыть", true},
    {"BTN_SELECT", "Выбрать", true},
    {"BTN_NEWFOLDER", "Создать каталог", true},
    {"BTN_OK", "ОК", true},
    {"BTN_RETRY", "Повторить", true},
    {"BTN_SKIP", "Пропустить", true},
    {"ARROW_UP", "Прокрутить вверх", false},
    {"ARROW_DOWN", "Прокрутить вниз", false},
};

const Lettering* Find(const char* prefix) {
    for (const Lettering& lettering : kLettering)
        if (std::string(lettering.prefix) == prefix) return &lettering;
    return nullptr;
}

// The plaque's gold rim is part of its picture: a mark along the button's edge would not
// be seen. Inside, it frames the lettering on the dark face, clear of the rounded ends.
constexpr int kPlaqueMarkY = 6;

}  // namespace

TSkBmpButton* AddButton(TForm& form, int left, int top, int width, int height, const char* prefix,
                        TColor transparentColour) {
    auto* button = CreateChild<TSkBmpButton>(&form, &form, left, top, width, height);
    button->SetButtonBorder(TButtonBorder::bbNone);
    button->SetButtonSize(TBtnSize::bszButtonToBitmap);
    TSkButtonBitmaps& bitmaps = button->Bitmaps();
    bitmaps.SetTransparentColor(transparentColour);
    std::string name = prefix;
    LoadIfPresent(bitmaps.Up(), name + "_UP");
    LoadIfPresent(bitmaps.Down(), name + "_DOWN");
    LoadIfPresent(bitmaps.Disabled(), name + "_DISABLED");
    if (const Lettering* lettering = Find(prefix)) {
        button->SetAccessibleName(lettering->words);
        if (lettering->plaque) button->SetFocusMarkMargins(button->Height() / 2, kPlaqueMarkY);
    }
    return button;
}

}  // namespace skin

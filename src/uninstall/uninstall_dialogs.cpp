#include "uninstall/uninstall_dialogs.h"

#include <windows.h>

#include <vector>

#include "controls/skin_dialog.h"
#include "framework/forms.h"

namespace mvt::uninstall {

namespace {

constexpr char kQuestion[] = "Удалить Трилогию Морвата\rсо всеми её компонентами?";
constexpr char kTitle[] = "Удаление Трилогии Морвата";

}  // namespace

void LoadTypeface() {
    static const std::vector<uint8_t> typeface = ResourceBytes("WINDSOR_TTF");
    DWORD fonts = 0;
    if (!typeface.empty())
        AddFontMemResourceEx(const_cast<uint8_t*>(typeface.data()),
                             static_cast<DWORD>(typeface.size()), nullptr, &fonts);
}

bool AskToRemove() {
    return skin::ShowSkinDialog(kTitle, kQuestion, true);
}

void ShowNotice(const std::string& text) {
    skin::ShowSkinDialog(kTitle, text, false);
}

}  // namespace mvt::uninstall

#include "uninstall/uninstall_dialogs.h"

#include "controls/screen_skin.h"

namespace mvt::uninstall {

namespace {

constexpr int kWidth = 421, kHeight = 144;  // the panel picture of the setup's dialogs
constexpr char kQuestion[] = "Удалить Трилогию Морвата\rсо всеми её компонентами?";
constexpr char kTitle[] = "Удаление Трилогии Морвата";

}  // namespace

TUninstallDialog::TUninstallDialog(TComponent* owner, const std::string& text, bool question)
    : TForm(owner) {
    skin::MakeDialogWindow(*this, kWidth, kHeight, kTitle);
    SetStayOnTop(true);
    Image1 = skin::AddBackground(*this, "BG_CONFIRM");
    Label1 = skin::AddLabel(*this, 28, 16, 365, 65, skin::kGold, text);
    Label1->SetAlignment(TAlignment::taCenter);
    Label1->SetLayout(TTextLayout::tlCenter);
    if (question) {
        SkBmpButton1 = skin::AddButton(*this, 57, 98, 144, 36, "BTN_OK");
        SkBmpButton2 = skin::AddButton(*this, 223, 98, 147, 36, "BTN_CANCEL");
        SkBmpButton2->OnClick = [this](TObject*) { Answer(mrCancel); };
    } else {
        SkBmpButton1 = skin::AddButton(*this, 138, 98, 144, 36, "BTN_OK");
    }
    SkBmpButton1->OnClick = [this](TObject*) { Answer(mrOk); };
    // Enter answers with the focused button, OK at first; Escape is a close request.
    SetDefaultControl(SkBmpButton1);
    SetActiveControl(SkBmpButton1);
    SkWave1 = Make<TSkWave>();
    const std::vector<uint8_t> sound = ResourceBytes("WAVE_CLICK");
    if (!sound.empty()) SkWave1->Sound().LoadFromMemory(sound.data(), sound.size());
    OnCreate = [this](TObject*) { skin::CutRoundedCorners(*this); };
}

void TUninstallDialog::Answer(TModalResult result) {
    if (!SkWave1->Sound().Empty()) SkWave1->Play();
    SetModalResult(result);
}

void LoadTypeface() {
    static const std::vector<uint8_t> typeface = ResourceBytes("WINDSOR_TTF");
    DWORD fonts = 0;
    if (!typeface.empty())
        AddFontMemResourceEx(const_cast<uint8_t*>(typeface.data()),
                             static_cast<DWORD>(typeface.size()), nullptr, &fonts);
}

bool AskToRemove() {
    auto& dialog = *Application().Make<TUninstallDialog>(kQuestion, true);
    dialog.DoCreate();
    const bool yes = dialog.ShowModal() == mrOk;
    Application().FreeComponent(&dialog);
    return yes;
}

void ShowNotice(const std::string& text) {
    auto& dialog = *Application().Make<TUninstallDialog>(text, false);
    dialog.DoCreate();
    dialog.ShowModal();
    Application().FreeComponent(&dialog);
}

}  // namespace mvt::uninstall

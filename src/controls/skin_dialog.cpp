#include "controls/skin_dialog.h"

#include "controls/screen_skin.h"

using namespace mvt;

namespace skin {

namespace {

constexpr int kWidth = 421, kHeight = 144;  // the panel picture of the setup's dialogs

}  // namespace

TSkinDialog::TSkinDialog(TComponent* owner, const std::string& title, const std::string& text,
                         bool question)
    : TForm(owner) {
    MakeDialogWindow(*this, kWidth, kHeight, title);
    SetStayOnTop(true);
    Image1 = AddBackground(*this, "BG_CONFIRM");
    Label1 = AddLabel(*this, 28, 16, 365, 65, kGold, text);
    Label1->SetAlignment(TAlignment::taCenter);
    Label1->SetLayout(TTextLayout::tlCenter);
    if (question) {
        SkBmpButton1 = AddButton(*this, 57, 98, 144, 36, "BTN_OK");
        SkBmpButton2 = AddButton(*this, 223, 98, 147, 36, "BTN_CANCEL");
        SkBmpButton2->OnClick = [this](TObject*) { Answer(mrCancel); };
    } else {
        SkBmpButton1 = AddButton(*this, 138, 98, 144, 36, "BTN_OK");
    }
    SkBmpButton1->OnClick = [this](TObject*) { Answer(mrOk); };
    // Enter answers with the focused button, OK at first; Escape is a close request.
    SetDefaultControl(SkBmpButton1);
    SetActiveControl(SkBmpButton1);
    SkWave1 = Make<TSkWave>();
    const std::vector<uint8_t> sound = ResourceBytes("WAVE_CLICK");
    if (!sound.empty()) SkWave1->Sound().LoadFromMemory(sound.data(), sound.size());
    OnCreate = [this](TObject*) { CutRoundedCorners(*this); };
}

void TSkinDialog::Answer(TModalResult result) {
    if (!SkWave1->Sound().Empty()) SkWave1->Play();
    SetModalResult(result);
}

bool ShowSkinDialog(const std::string& title, const std::string& text, bool question) {
    auto& dialog = *Application().Make<TSkinDialog>(title, text, question);
    dialog.DoCreate();
    const bool ok = dialog.ShowModal() == mrOk;
    Application().FreeComponent(&dialog);
    return ok;
}

}  // namespace skin

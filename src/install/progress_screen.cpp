#include "install/progress_screen.h"

#include "controls/screen_skin.h"

using namespace mvt;

TForm10* Form10 = nullptr;

TForm10::TForm10(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, skin::kWizardWidth, skin::kWizardHeight, false);
    SetPosition(TPosition::poScreenCenter);
    Image1 = skin::AddBackground(*this, "BG_PROGRESS");
    SkWave1 = Make<TSkWave>();
    std::vector<uint8_t> sound = ResourceBytes("WAVE_PROGRESS");
    SkWave1->Sound().LoadFromMemory(sound.data(), sound.size());
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm10::FormCloseQuery(bool& canClose) {
    SkWave1->Play();
    canClose = Tag() == kClosePermitGranted;
    // The decision to leave belongs to the main window's close query and its confirmation.
    if (wizard_) wizard_->PassCloseRequest();
}

void TForm10::Install() {}

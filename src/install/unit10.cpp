#include "install/unit10.h"

#include "wizard/look.h"
#include "wizard/unit1.h"

using namespace mvt;

TForm10* Form10 = nullptr;

TForm10::TForm10(TComponent* owner) : TForm(owner) {
    wizard::MakeWizardWindow(*this, wizard::kWizardWidth, wizard::kWizardHeight, false);
    SetPosition(TPosition::poScreenCenter);
    Image1 = wizard::AddBackground(*this, "BG_PROGRESS");
    SkWave1 = Make<TSkWave>();
    std::vector<uint8_t> sound = ResourceBytes("WAVE_PROGRESS");
    SkWave1->Sound().LoadFromMemory(sound.data(), sound.size());
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm10::FormCloseQuery(bool& canClose) {
    SkWave1->Play();
    canClose = Tag() == kClosePermitGranted;
    // The decision to leave belongs to the welcome screen's close query and its
    // confirmation.
    Form1->Close();
}

void TForm10::Install() {}

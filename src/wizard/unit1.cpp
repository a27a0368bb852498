#include "wizard/unit1.h"

#include <windows.h>

#include "framework/graphics.h"
#include "wizard/look.h"

using namespace mvt;

TForm1* Form1 = nullptr;

namespace {

// A borderless edit of no size: it can hold the focus but is never seen.
class THiddenEdit : public TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.className = "EDIT";
        params.style |= ES_MULTILINE | ES_AUTOVSCROLL;
    }
};

}  // namespace

static void LoadSound(TSkWave& wave, const char* name) {
    std::vector<uint8_t> bytes = ResourceBytes(name);
    wave.Sound().LoadFromMemory(bytes.data(), bytes.size());
}

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    wizard::MakeWizardWindow(*this, wizard::kWizardWidth, wizard::kWizardHeight, true);
    SetPosition(TPosition::poScreenCenter);
    Image1 = wizard::AddBackground(*this, "BG_WELCOME");
    RichEdit1 = CreateChild<THiddenEdit>(this, this, 432, 392, 0, 0);
    SetActiveControl(RichEdit1);
    SkWave1 = Make<TSkWave>();
    LoadSound(*SkWave1, "WAVE_CLICK");

    OnCreate = [this](TObject*) { FormCreate(); };
    OnCloseQuery = [](TObject*, bool& canClose) { wizard::MainWindowCloseQuery(canClose); };
}

void TForm1::FormCreate() {}

void TForm1::FormCloseQuery(bool& canClose) { wizard::MainWindowCloseQuery(canClose); }

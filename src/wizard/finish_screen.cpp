#include "wizard/unit11.h"

#include "wizard/look.h"

using namespace mvt;

TForm11* Form11 = nullptr;

TForm11::TForm11(TComponent* owner) : TForm(owner) {
    wizard::MakeWizardWindow(*this, 478, 240, true);
    SetPosition(TPosition::poScreenCenter);
    Image1 = wizard::AddBackground(*this, "BG_FINISH");
}

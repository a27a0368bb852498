#include "wizard/finish_screen.h"

#include "controls/screen_skin.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm11* Form11 = nullptr;

TForm11::TForm11(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, 478, 240, true);
    SetPosition(TPosition::poScreenCenter);
    Image1 = skin::AddBackground(*this, "BG_FINISH");
}

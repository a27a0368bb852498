#include "wizard/unit4.h"

#include "wizard/look.h"

using namespace mvt;

TForm4* Form4 = nullptr;

TForm4::TForm4(TComponent* owner) : TForm(owner) {
    wizard::MakeDialogWindow(*this, 324, 423);
    Image1 = wizard::AddBackground(*this, "BG_NOTICE");
}

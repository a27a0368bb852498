#include "wizard/unit6.h"

#include "wizard/look.h"

using namespace mvt;

TForm6* Form6 = nullptr;

TForm6::TForm6(TComponent* owner) : TForm(owner) {
    wizard::MakeDialogWindow(*this, 322, 524);
    Image1 = wizard::AddBackground(*this, "BG_BROWSER");
}

#include "wizard/unit7.h"

#include "wizard/look.h"
#include "wizard/unit3.h"

using namespace mvt;

TForm7* Form7 = nullptr;

TForm7::TForm7(TComponent* owner) : TForm(owner) {
    wizard::MakeDialogWindow(*this, 421, 144);
    Image1 = wizard::AddBackground(*this, nullptr);
    OnCreate = [this](TObject*) {
        wizard::CutRoundedCorners(*this);
        Image1->Picture().Assign(Form3->Image1->Picture());
    };
}

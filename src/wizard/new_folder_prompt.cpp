#include "wizard/new_folder_prompt.h"

#include "controls/screen_skin.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm7* Form7 = nullptr;

TForm7::TForm7(TComponent* owner) : TForm(owner) {
    skin::MakeDialogWindow(*this, 421, 144);
    Image1 = skin::AddBackground(*this, nullptr);
    OnCreate = [this](TObject*) {
        skin::CutRoundedCorners(*this);
        Image1->Picture().Assign(Form3->Image1->Picture());
    };
}

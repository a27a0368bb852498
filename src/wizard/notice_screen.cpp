#include "wizard/notice_screen.h"

#include "controls/screen_skin.h"
#include "framework/sysutils.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

using namespace mvt;

TForm4* Form4 = nullptr;

TForm4::TForm4(TComponent* owner) : TForm(owner) {
    skin::MakeDialogWindow(*this, 324, 423, "О сборке");
    Image1 = skin::AddBackground(*this, "BG_NOTICE");
    Image2 = CreateChild<TImage>(this, this, 42, 64, 237, 226);
    SkBmpButton1 = skin::AddButton(*this, 22, 294, 271, 31, "BTN_CLOSE");
    SetDefaultControl(SkBmpButton1);
    SetActiveControl(SkBmpButton1);
    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
}

void TForm4::FormCreate() {
    // The arched shape: two ellipses joined by the rectangle between them.
    UniqueRegion shape(CreateEllipticRgn(2, 1, 322, 295));
    UniqueRegion lower(CreateEllipticRgn(2, 120, 322, 424));
    UniqueRegion middle(CreateRectRgn(2, 140, 321, 273));
    CombineRgn(shape.get(), shape.get(), lower.get(), RGN_OR);
    CombineRgn(shape.get(), shape.get(), middle.get(), RGN_OR);
    SetWindowRegion(std::move(shape));

    std::string about = ProgramFolder() + "Resource\\About.bmp";
    if (FileExists(about)) Image2->Picture().LoadFromFile(about);
}

void TForm4::SkBmpButton1Click() {
    wizard::PlayClick();
    Close();
    Form1->RichEdit1->SetFocus();
}

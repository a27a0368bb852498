#include "wizard/cancel_confirmation.h"

#include "controls/screen_skin.h"
#include "install/progress_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

using namespace mvt;

TForm3* Form3 = nullptr;

TForm3::TForm3(TComponent* owner) : TForm(owner) {
    skin::MakeDialogWindow(*this, 421, 144, "Выход из установки");
    Image1 = skin::AddBackground(*this, "BG_CONFIRM");
    Label1 = skin::AddLabel(*this, 28, 16, 365, 65, skin::kGold,
                            "Установка Трилогии Морвата не была выполнена.\rВыйти из программы?");
    Label1->SetAlignment(TAlignment::taCenter);
    Label1->SetLayout(TTextLayout::tlCenter);
    SkBmpButton1 = skin::AddButton(*this, 57, 98, 144, 36, "BTN_EXIT");
    SkBmpButton2 = skin::AddButton(*this, 223, 98, 147, 36, "BTN_CANCEL");
    // Enter on the question the user may not have meant to open stays in the wizard.
    SetDefaultControl(SkBmpButton2);
    SetActiveControl(SkBmpButton2);
    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
}

void TForm3::FormCreate() {
    skin::CutRoundedCorners(*this);
}

void TForm3::SkBmpButton1Click() {
    wizard::PlayClick();
    SetTag(kCancelMarkLeave);
    Form10->SetTag(kClosePermitGranted);
    Close();
    Application().Terminate();
}

void TForm3::SkBmpButton2Click() {
    wizard::PlayClick();
    Close();
    if (Form1->Visible()) Form1->RichEdit1->SetFocus();
}

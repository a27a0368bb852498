#include "wizard/unit8.h"

#include "wizard/look.h"
#include "wizard/unit1.h"

using namespace mvt;

TForm8* Form8 = nullptr;

TForm8::TForm8(TComponent* owner) : TForm(owner) {
    wizard::MakeWizardWindow(*this, wizard::kWizardWidth, wizard::kWizardHeight, true);
    Image1 = wizard::AddBackground(*this, nullptr);
    OnCloseQuery = [](TObject*, bool& canClose) { wizard::MainWindowCloseQuery(canClose); };
    OnCreate = [this](TObject*) { Image1->Picture().Assign(Form1->Image1->Picture()); };
}

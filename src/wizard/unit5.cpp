#include "wizard/unit5.h"

#include "wizard/look.h"
#include "wizard/unit1.h"

using namespace mvt;

TForm5* Form5 = nullptr;

TForm5::TForm5(TComponent* owner) : TForm(owner) {
    wizard::MakeWizardWindow(*this, wizard::kWizardWidth, wizard::kWizardHeight, true);
    Image1 = wizard::AddBackground(*this, "BG_DEST");
    OnCloseQuery = [](TObject*, bool& canClose) { wizard::MainWindowCloseQuery(canClose); };
}

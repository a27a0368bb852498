#include "wizard/folder_browser.h"

#include "controls/screen_skin.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm6* Form6 = nullptr;

TForm6::TForm6(TComponent* owner) : TForm(owner) {
    skin::MakeDialogWindow(*this, 322, 524);
    Image1 = skin::AddBackground(*this, "BG_BROWSER");
}

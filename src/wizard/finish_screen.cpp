#include "wizard/finish_screen.h"

#include <windows.h>

#include "controls/screen_skin.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/destination_screen.h"
#include "wizard/options_screen.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm11* Form11 = nullptr;

TForm11::TForm11(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, 478, 240, true);
    SetPosition(TPosition::poScreenCenter);
    Image1 = skin::AddBackground(*this, "BG_FINISH");
    Image1->SetAccessibleName(
        "Установка Трилогии Морвата успешно завершена. Нажмите кнопку «ВЫХОД» для закрытия "
        "программы установки.");
    SkBmpButton1 = skin::AddButton(*this, 114, 199, 257, 36, "BTN_FINISH", clWhite);
    SetDefaultControl(SkBmpButton1);
    SetActiveControl(SkBmpButton1);
    SkLauncher1 = Make<TSkLauncher>();
    SkLauncher1->SetAction("Open");
    SkLauncher1->SetTimeout(-1);
    Label1 = skin::AddLabel(*this, 40, 92, 398, 92, skin::kGold, "");
    Label1->SetAlignment(TAlignment::taCenter);
    Label1->SetLayout(TTextLayout::tlCenter);
    Label1->SetWordWrap(true);
    Label1->SetVisible(false);
    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm11::ShowErrors(const std::string& text) {
    Image1->Picture().LoadFromResource("BG_FINISH_ERRORS");
    Image1->SetAccessibleName("Установка Трилогии Морвата завершена с ошибками.");
    Image1->Invalidate();
    Label1->SetCaption(text);
    Label1->SetVisible(true);
}

void TForm11::SkBmpButton1Click() {
    // No sound here: the close query plays it.
    Close();
}

void TForm11::StartConfigProgram(const std::string& folder) {
    SetCurrentDirectoryA(folder.c_str());
    // A drive root keeps its separator ("D:\"): no second one before the file name.
    const std::string program = IncludeTrailingBackslash(folder) + kConfigProgram;
    // The game's program is the user's: not to be run with the setup's administrator rights
    // where the user's own can be had.
    const TUserStartOutcome start = StartAsSignedInUser(*userStart_, program, folder);
    if (!start.throughShell) {
        SkLauncher1->SetFileName(program);
        SkLauncher1->SetStartDir(folder);
        // Returns once the program has started or failed to; neither is reported, and the
        // program runs on by itself after the setup has ended.
        SkLauncher1->Launch();
    }
    if (log_) log_->Write("Программа настройки " + program + " " + start.note);
}

void TForm11::FormCloseQuery(bool& canClose) {
    wizard::PlayClick();
    Form3->SetTag(kCancelMarkLeave);
    // Down False: the user kept the configuration program chosen.
    if (!Form8->SkBmpButton5->Down()) StartConfigProgram(Form5->Label1->Caption());
    Application().Minimize();
    Application().Terminate();
    canClose = true;
}

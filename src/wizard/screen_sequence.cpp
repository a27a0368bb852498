#include "wizard/screen_sequence.h"

#include "framework/forms.h"
#include "install/progress_screen.h"
#include "install/wizard_state.h"
#include "install/write_problem_text.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/destination_screen.h"
#include "wizard/finish_screen.h"
#include "wizard/folder_browser.h"
#include "wizard/new_folder_prompt.h"
#include "wizard/notice_screen.h"
#include "wizard/options_screen.h"
#include "wizard/ready_screen.h"
#include "wizard/splash_screen.h"
#include "wizard/welcome_screen.h"

namespace wizard {

namespace {

// The user's choices as the screens hold them: the install directory is the destination
// screen's path label, the program group the options screen's edit box, and each option a
// toggle that is chosen while it is not down.
class ScreenWizardState final : public mvt::install::WizardState {
  public:
    std::string InstallDirectory() const override { return Form5->Label1->Caption(); }
    std::string ProgramGroupName() const override { return Form8->Edit1->Text(); }
    bool DesktopShortcutChosen() const override { return !Form8->SkBmpButton1->Down(); }
    bool UninstallerChosen() const override { return !Form8->SkBmpButton4->Down(); }
    bool ConfigurationChosen() const override { return !Form8->SkBmpButton5->Down(); }
    bool LeaveDecided() const override { return Form3->Tag() == kCancelMarkLeave; }
    std::vector<std::string> FoldersMadeBeforehand() const override { return Form5->MadeFolders(); }
    void PassCloseRequest() override { Form1->Close(); }
    void ShowFinishScreen(const mvt::install::InstallationOutcome& outcome) override {
        if (!outcome.Complete()) Form11->ShowErrors(mvt::install::FinishErrorsText(outcome));
        Form11->ShowModal();
    }
};

constexpr DWORD kSplashPauseMilliseconds = 700;

void ShowSplash() {
    // Owned by the application, but not created as a screen: it must never become the
    // main window.
    Form2 = mvt::Application().Make<TForm2>();
    Form2->DoCreate();
    Form2->Show();
    UpdateWindow(Form2->Handle());
    while (Form2->Timer1->Enabled()) mvt::Application().ProcessMessages();
    // The splash stays as last painted; nothing is processed during the pause.
    Sleep(kSplashPauseMilliseconds);
}

}  // namespace

mvt::install::WizardState& ScreenState() {
    // Holds no data of its own: every answer is read from the screens when asked.
    static ScreenWizardState state;
    return state;
}

void RunWizard(const WizardHooks& hooks) {
    mvt::TApplication& application = mvt::Application();
    application.SetTitle("MVT Setup");
    ShowSplash();
    CreateScreens();
    if (hooks.screensMade) hooks.screensMade();
    Form2->Hide();
    application.FreeComponent(Form2);
    Form2 = nullptr;
    if (hooks.splashGone) hooks.splashGone();
    application.Run();
    if (hooks.loopEnded) hooks.loopEnded();
    application.Shutdown();
}

void CreateScreens() {
    mvt::TApplication& application = mvt::Application();
    application.CreateForm(Form1);
    application.CreateForm(Form3);
    application.CreateForm(Form4);
    application.CreateForm(Form5);
    application.CreateForm(Form6);
    application.CreateForm(Form7);
    application.CreateForm(Form8);
    application.CreateForm(Form9);
    application.CreateForm(Form10);
    application.CreateForm(Form11);
    Form10->SetWizard(ScreenState());
}

void PlayClick() {
    if (Form1) Form1->SkWave1->Play();
}

void HandOver(mvt::TForm& current, mvt::TForm& next) {
    next.SetBounds(current.Left(), current.Top(), next.Width(), next.Height());
    next.Show();
    current.Hide();
}

void MainWindowCloseQuery(bool& canClose) {
    PlayClick();
    Form3->ShowModal();
    canClose = Form3->Tag() == kCancelMarkLeave;
}

}  // namespace wizard

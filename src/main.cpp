// MVT Setup: splash, creation of every screen, then the wizard's message loop.
#include <windows.h>

#include "framework/forms.h"
#include "install/unit10.h"
#include "wizard/unit1.h"
#include "wizard/unit11.h"
#include "wizard/unit2.h"
#include "wizard/unit3.h"
#include "wizard/unit4.h"
#include "wizard/unit5.h"
#include "wizard/unit6.h"
#include "wizard/unit7.h"
#include "wizard/unit8.h"
#include "wizard/unit9.h"

using namespace mvt;

namespace {

constexpr DWORD kSplashPauseMilliseconds = 700;

void ShowSplash() {
    // Owned by the application, but not created as a screen: it must never become the
    // main window.
    Form2 = Application().Make<TForm2>();
    Form2->DoCreate();
    Form2->Show();
    UpdateWindow(Form2->Handle());
    while (Form2->Timer1->Enabled()) Application().ProcessMessages();
    // The splash stays as last painted; nothing is processed during the pause.
    Sleep(kSplashPauseMilliseconds);
}

void CreateScreens() {
    // Order matters: each screen's creation may read the screens made before it.
    Application().CreateForm(Form1);
    Application().CreateForm(Form3);
    Application().CreateForm(Form4);
    Application().CreateForm(Form5);
    Application().CreateForm(Form6);
    Application().CreateForm(Form7);
    Application().CreateForm(Form8);
    Application().CreateForm(Form9);
    Application().CreateForm(Form10);
    Application().CreateForm(Form11);
}

void RunWizard() {
    Application().SetTitle("MVT Setup");
    ShowSplash();
    CreateScreens();
    Form2->Hide();
    Application().FreeComponent(Form2);
    Form2 = nullptr;
    Application().Run();
    Application().Shutdown();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        RunWizard();
    } catch (const std::exception& error) {
        // A failure before the message loop runs (a screen that cannot be built).
        Application().ShowException(error);
        return 1;
    }
    return 0;
}

// MVT Setup: splash, creation of every screen, then the wizard's message loop.
#include <windows.h>

#include "framework/forms.h"
#include "framework/process_mitigation.h"
#include "framework/system_library.h"
#include "wizard/screen_sequence.h"
#include "wizard/splash_screen.h"

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

void RunWizard() {
    Application().SetTitle("MVT Setup");
    ShowSplash();
    wizard::CreateScreens();
    Form2->Hide();
    Application().FreeComponent(Form2);
    Form2 = nullptr;
    Application().Run();
    Application().Shutdown();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The program's first act. It runs elevated, often from a folder others can write to:
    // from here on no DLL is taken from beside it or from the current folder.
    RestrictDllSearchToSystemFolder();
    // Where the system offers it, junctions made by other users are not followed at all.
    EnforceRedirectionTrust();
    try {
        RunWizard();
    } catch (const std::exception& error) {
        // A failure before the message loop runs (a screen that cannot be built).
        Application().ShowException(error);
        return 1;
    }
    return 0;
}

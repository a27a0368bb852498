// MVT Setup: splash, creation of every screen, then the wizard's message loop; with
// switches on the command line, the checks of their values first and, for an installation
// without questions, the run without the wizard's screens.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/process_mitigation.h"
#include "framework/system_library.h"
#include "install/setup_switches.h"
#include "wizard/screen_sequence.h"
#include "wizard/splash_screen.h"
#include "wizard/unattended_setup.h"
#include "wizard/wizard_presets.h"

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

void RunWizard(const wizard::WizardHooks* hooks) {
    Application().SetTitle("MVT Setup");
    ShowSplash();
    wizard::CreateScreens();
    if (hooks) hooks->screensMade();
    Form2->Hide();
    Application().FreeComponent(Form2);
    Form2 = nullptr;
    Application().Run();
    if (hooks) hooks->loopEnded();
    Application().Shutdown();
}

int RunWithoutArguments() {
    try {
        RunWizard(nullptr);
    } catch (const std::exception& error) {
        // A failure before the message loop runs (a screen that cannot be built).
        Application().ShowException(error);
        return 1;
    }
    return 0;
}

install::ExitCode RunChecked(const install::SetupSwitches& switches, install::InstallLog& log);

// Everything a command line with switches asks for; the exit code.
install::ExitCode RunWithSwitches(const std::string& commandLine,
                                  const install::ParsedSwitches& parsed) {
    using install::ExitCode;
    const install::SetupSwitches& switches = parsed.switches;
    install::InstallLog log;
    if (!wizard::OpenRequestedLog(switches, log))
        return wizard::Refuse(switches, log,
                              "Не удаётся создать журнал установки: " + switches.logFile);
    wizard::LogStart(log, commandLine);
    if (!parsed.error.empty()) return wizard::Refuse(switches, log, parsed.error);
    try {
        return RunChecked(switches, log);
    } catch (const std::exception& error) {
        // A failure outside the run's own handling (a screen that cannot be built).
        log.Write(std::string("Ошибка: ") + error.what());
        log.Write("Код завершения: 4");
        if (!switches.Quiet()) Application().ShowException(error);
        return ExitCode::Failed;
    }
}

install::ExitCode RunChecked(const install::SetupSwitches& switches, install::InstallLog& log) {
    using install::ExitCode;
    if (switches.help) {
        wizard::ShowSwitchesHelp(switches);
        log.Write("Код завершения: 0");
        return ExitCode::Installed;
    }
    const wizard::SwitchChoices choices = wizard::CheckSwitchChoices(switches);
    if (!choices.error.empty()) return wizard::Refuse(switches, log, choices.error);
    if (switches.mode == install::SetupMode::VerySilent)
        return wizard::InstallWithoutWindows(choices, log);
    if (switches.mode == install::SetupMode::Silent)
        return wizard::InstallWithProgressScreen(switches, choices, log);
    return wizard::RunPresetWizard(choices, log,
                                   [](const wizard::WizardHooks& hooks) { RunWizard(&hooks); });
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The program's first act. It runs elevated, often from a folder others can write to:
    // from here on no DLL is taken from beside it or from the current folder.
    RestrictDllSearchToSystemFolder();
    // Where the system offers it, junctions made by other users are not followed at all.
    EnforceRedirectionTrust();
    const std::string commandLine = GetCommandLineA();
    const std::vector<std::string> arguments = install::SplitArguments(commandLine);
    if (arguments.empty()) return RunWithoutArguments();
    return static_cast<int>(RunWithSwitches(commandLine, install::ParseSwitches(arguments)));
}

#include "setup/setup_program.h"

#include <windows.h>

#include <memory>

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "setup/installation.h"
#include "setup/setup_log.h"
#include "setup/setup_switches.h"
#include "setup/switch_choices.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/destination_screen.h"
#include "wizard/options_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

namespace mvt::setup {

namespace {

using install::InstallLog;

constexpr char kBoxTitle[] = "MVT Setup";

// /SILENT's run: the choices as the switches gave them, the cancel mark of the
// confirmation, close requests to the main window's close query.
class ProgressOnlyState final : public SwitchChoicesState {
  public:
    using SwitchChoicesState::SwitchChoicesState;
    bool LeaveDecided() const override { return Form3->Tag() == kCancelMarkLeave; }
    void PassCloseRequest() override { Form1->Close(); }
};

// /VERYSILENT's run: nobody can ask to leave.
class FixedState final : public SwitchChoicesState {
  public:
    using SwitchChoicesState::SwitchChoicesState;
    bool LeaveDecided() const override { return false; }
    void PassCloseRequest() override {}
};

// The ready screen's Next runs the installation; a record stage's failure reaches the
// application's handler like every failure in a click.
void BindToReadyScreen(Installation& installation) {
    Form10->OnInstall = [&installation] {
        installation.Run();
        installation.RaiseRecordFailure();
    };
}

int RunPlainWizard() {
    InstallLog noLog;
    std::unique_ptr<Installation> installation;
    try {
        wizard::RunWizard({[&] {
                               installation = Installation::OnProgressScreen(wizard::ScreenState(),
                                                                             noLog, true);
                               BindToReadyScreen(*installation);
                           },
                           {}});
    } catch (const std::exception& error) {
        // A failure before the message loop runs (a screen that cannot be built).
        Application().ShowException(error);
        return 1;
    }
    return 0;
}

// Sets the destination screen's folder, the options screen's group name and toggles as the
// switches asked; the screens exist already.
void PresetScreens(const SwitchChoices& choices) {
    if (choices.directoryGiven) {
        Form5->Label1->SetCaption(choices.installDir);
        Form5->ShowSpaceFor(choices.installDir, true);
    }
    Form8->Edit1->SetText(choices.groupName);
    Form8->SkBmpButton1->SetDown(!choices.desktopShortcut);
    Form8->SkBmpButton4->SetDown(!choices.uninstaller);
}

// What the user chose on the screens, as the run read it.
void LogScreenChoices(InstallLog& log, const install::WizardState& chosen) {
    const auto answer = [](bool chosenOption) { return chosenOption ? "да" : "нет"; };
    log.Write("Выбрано в мастере: каталог " + chosen.InstallDirectory() + ", группа " +
              chosen.ProgramGroupName() + ", ярлык на рабочем столе " +
              answer(chosen.DesktopShortcutChosen()) + ", деинсталлятор " +
              answer(chosen.UninstallerChosen()) + ", программа настройки " +
              answer(chosen.ConfigurationChosen()));
}

ExitCode RunPresetWizard(const SwitchChoices& choices, InstallLog& log) {
    LogChoices(log, choices);
    std::unique_ptr<Installation> installation;
    ExitCode code = ExitCode::LeftWizard;
    wizard::RunWizard({[&] {
                           PresetScreens(choices);
                           installation =
                               Installation::OnProgressScreen(wizard::ScreenState(), log, true);
                           BindToReadyScreen(*installation);
                       },
                       [&] {
                           if (installation->Started())
                               LogScreenChoices(log, wizard::ScreenState());
                           code = installation->Finish();
                       }});
    return code;
}

// /SILENT: the progress screen alone shows the run; a close request leads to the cancel
// confirmation; no finish screen, no configuration program.
ExitCode InstallWithProgressScreen(const SetupSwitches& switches, const SwitchChoices& choices,
                                   InstallLog& log) {
    LogChoices(log, choices);
    TApplication& application = Application();
    application.SetTitle("MVT Setup");
    wizard::CreateScreens();
    PresetScreens(choices);
    ProgressOnlyState state(choices);
    Form10->SetWizard(state);
    const std::unique_ptr<Installation> installation =
        Installation::OnProgressScreen(state, log, false);
    if (switches.suppressMessageBoxes) Form10->ZipUnpacker1->SetUnattended(true);
    ForceDirectories(choices.installDir);
    Form10->Show();
    installation->Run();
    const ExitCode code = installation->Finish();
    application.Shutdown();
    return code;
}

// /VERYSILENT: no window at all.
ExitCode InstallWithoutWindows(const SwitchChoices& choices, InstallLog& log) {
    LogChoices(log, choices);
    // As the destination screen's Next does: a folder that cannot be made shows in the
    // first archive's outcome.
    ForceDirectories(choices.installDir);
    FixedState state(choices);
    const std::unique_ptr<Installation> installation = Installation::WithoutWindows(state, log);
    installation->Run();
    return installation->Finish();
}

// A refusal to start: in the log and, unless the switches forbid boxes, in a message box.
ExitCode Refuse(const SetupSwitches& switches, InstallLog& log, const std::string& text) {
    log.Write("Установка не начата: " + text);
    if (!switches.Quiet()) MessageBoxA(nullptr, text.c_str(), kBoxTitle, MB_OK | MB_ICONERROR);
    return EndLog(log, ExitCode::Refused);
}

ExitCode RunChecked(const SetupSwitches& switches, InstallLog& log) {
    if (switches.help) {
        if (switches.mode != SetupMode::VerySilent)
            MessageBoxA(nullptr, SwitchesHelpText().c_str(), kBoxTitle, MB_OK | MB_ICONINFORMATION);
        return EndLog(log, ExitCode::Installed);
    }
    const SwitchChoices choices = CheckSwitchChoices(switches);
    if (!choices.error.empty()) return Refuse(switches, log, choices.error);
    if (switches.mode == SetupMode::VerySilent) return InstallWithoutWindows(choices, log);
    if (switches.mode == SetupMode::Silent)
        return InstallWithProgressScreen(switches, choices, log);
    return RunPresetWizard(choices, log);
}

ExitCode RunWithSwitches(const std::string& commandLine, const ParsedSwitches& parsed) {
    const SetupSwitches& switches = parsed.switches;
    InstallLog log;
    if (!OpenRequestedLog(switches, log))
        return Refuse(switches, log, "Не удаётся создать журнал установки: " + switches.logFile);
    LogStart(log, commandLine);
    if (!parsed.error.empty()) return Refuse(switches, log, parsed.error);
    try {
        return RunChecked(switches, log);
    } catch (const std::exception& error) {
        // A failure outside the run's own handling (a screen that cannot be built).
        log.Write(std::string("Ошибка: ") + error.what());
        const ExitCode code = EndLog(log, ExitCode::Failed);
        if (!switches.Quiet()) Application().ShowException(error);
        return code;
    }
}

}  // namespace

int RunSetup(const std::string& commandLine) {
    const std::vector<std::string> arguments = SplitArguments(commandLine);
    if (arguments.empty()) return RunPlainWizard();
    return static_cast<int>(RunWithSwitches(commandLine, ParseSwitches(arguments)));
}

}  // namespace mvt::setup

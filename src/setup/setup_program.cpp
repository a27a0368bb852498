#include "setup/setup_program.h"

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/forms.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "setup/answers_file.h"
#include "setup/help_window.h"
#include "setup/installation.h"
#include "setup/interrupted_runs.h"
#include "setup/setup_log.h"
#include "setup/setup_switches.h"
#include "setup/switch_choices.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/destination_screen.h"
#include "wizard/finish_screen.h"
#include "wizard/options_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

namespace mvt::setup {

namespace {

using install::InstallLog;

constexpr char kBoxTitle[] = "MVT Setup";
constexpr char kAlreadyRunning[] = "Программа установки Трилогии Морвата уже запущена.";

// One setup at a time on the machine: two would change the same records, and a second one
// would take the first one's journal for that of an interrupted run. A setup that was killed
// leaves its mutex abandoned, which the next one takes over.
class SingleSetup {
  public:
    SingleSetup() : mutex_(CreateMutexA(nullptr, FALSE, "Global\\MVT Setup")) {
        const DWORD waited = mutex_ ? WaitForSingleObject(mutex_.get(), 0) : WAIT_FAILED;
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~SingleSetup() {
        if (held_) ReleaseMutex(mutex_.get());
    }
    SingleSetup(const SingleSetup&) = delete;
    SingleSetup& operator=(const SingleSetup&) = delete;
    bool Held() const { return held_; }

  private:
    UniqueHandle mutex_;
    bool held_ = false;
};

// /SILENT's run: the choices as the switches gave them, the cancel mark of the
// confirmation, close requests to the main window's close query unless /NOCANCEL.
class ProgressOnlyState final : public SwitchChoicesState {
  public:
    using SwitchChoicesState::SwitchChoicesState;
    bool LeaveDecided() const override { return Form3->Tag() == kCancelMarkLeave; }
    void PassCloseRequest() override {
        if (!Choices().noCancel) Form1->Close();
    }
};

// The wizard's screens with what the switches fix beyond them: /NOICONS, for which the
// screens have no control, and /NOCANCEL, with which the progress screen passes no close
// request on. Everything else is read from the screens.
class PresetScreenState final : public install::WizardState {
  public:
    PresetScreenState(install::WizardState& screens, const SwitchChoices& choices)
        : screens_(screens), choices_(choices) {}
    std::string InstallDirectory() const override { return screens_.InstallDirectory(); }
    std::string ProgramGroupName() const override { return screens_.ProgramGroupName(); }
    bool ProgramGroupChosen() const override { return choices_.programGroup; }
    bool DesktopShortcutChosen() const override { return screens_.DesktopShortcutChosen(); }
    bool UninstallerChosen() const override { return screens_.UninstallerChosen(); }
    bool ConfigurationChosen() const override { return screens_.ConfigurationChosen(); }
    bool LeaveDecided() const override { return screens_.LeaveDecided(); }
    std::vector<std::string> FoldersMadeBeforehand() const override {
        return screens_.FoldersMadeBeforehand();
    }
    void PassCloseRequest() override {
        if (!choices_.noCancel) screens_.PassCloseRequest();
    }
    void ShowFinishScreen(const install::InstallationOutcome& outcome) override {
        screens_.ShowFinishScreen(outcome);
    }

  private:
    install::WizardState& screens_;
    const SwitchChoices& choices_;
};

// /VERYSILENT's run: nobody can ask to leave.
class FixedState final : public SwitchChoicesState {
  public:
    using SwitchChoicesState::SwitchChoicesState;
    bool LeaveDecided() const override { return false; }
    void PassCloseRequest() override {}
};

// /SAVEINF: the choices as the installation takes them, written once they are final.
void SaveRequestedAnswers(const SetupSwitches& switches, const install::WizardState& chosen,
                          InstallLog& log) {
    if (!switches.saveInf) return;
    const std::string error = SaveAnswers(*switches.saveInf, chosen);
    // The answers are a by-product: the installation goes on without them.
    log.Write(error.empty() ? "Ответы записаны в файл: " + *switches.saveInf
                            : "Ответы не записаны: " + error);
}

// The ready screen's Next runs the installation; a record stage's failure reaches the
// application's handler like every failure in a click.
void BindToReadyScreen(Installation& installation, const std::function<void()>& starting = {}) {
    Form10->OnInstall = [&installation, starting] {
        if (starting) starting();
        installation.Run();
        installation.RaiseRecordFailure();
    };
}

int RunPlainWizard(const SingleSetup& single) {
    if (!single.Held()) {
        MessageBoxA(nullptr, kAlreadyRunning, kBoxTitle, MB_OK | MB_ICONERROR);
        return static_cast<int>(ExitCode::Refused);
    }
    InstallLog noLog;
    const bool undone = FinishInterruptedRuns(noLog);
    std::unique_ptr<Installation> installation;
    try {
        wizard::RunWizard({[&] {
                               installation = Installation::OnProgressScreen(wizard::ScreenState(),
                                                                             noLog, true);
                               BindToReadyScreen(*installation);
                           },
                           {},
                           [&] {
                               if (undone) ShowInterruptedRunNotice();
                           }});
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
    const std::string group = chosen.ProgramGroupChosen() ? chosen.ProgramGroupName() : "нет";
    log.Write("Выбрано в мастере: каталог " + chosen.InstallDirectory() + ", группа " + group +
              ", ярлык на рабочем столе " + answer(chosen.DesktopShortcutChosen()) +
              ", деинсталлятор " + answer(chosen.UninstallerChosen()) + ", программа настройки " +
              answer(chosen.ConfigurationChosen()));
}

ExitCode RunPresetWizard(const SetupSwitches& switches, const SwitchChoices& choices,
                         InstallLog& log, bool undone) {
    LogChoices(log, choices);
    std::unique_ptr<Installation> installation;
    std::unique_ptr<PresetScreenState> state;
    ExitCode code = ExitCode::LeftWizard;
    wizard::RunWizard({[&] {
                           PresetScreens(choices);
                           state =
                               std::make_unique<PresetScreenState>(wizard::ScreenState(), choices);
                           Form10->SetWizard(*state);
                           Form11->LogTo(log);
                           installation = Installation::OnProgressScreen(*state, log, true);
                           BindToReadyScreen(*installation, [&] {
                               LogScreenChoices(log, *state);
                               SaveRequestedAnswers(switches, *state, log);
                           });
                       },
                       [&] { code = installation->Finish(); },
                       [&] {
                           if (undone) ShowInterruptedRunNotice();
                       }});
    return code;
}

// /SILENT: the progress screen alone shows the run; a close request leads to the cancel
// confirmation (with /NOCANCEL to nothing); no finish screen, no configuration program.
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
    SaveRequestedAnswers(switches, state, log);
    Form10->Show();
    installation->Run();
    const ExitCode code = installation->Finish();
    application.Shutdown();
    return code;
}

// /VERYSILENT: no window at all.
ExitCode InstallWithoutWindows(const SetupSwitches& switches, const SwitchChoices& choices,
                               InstallLog& log) {
    LogChoices(log, choices);
    FixedState state(choices);
    SaveRequestedAnswers(switches, state, log);
    const std::unique_ptr<Installation> installation = Installation::WithoutWindows(state, log);
    installation->Run();
    return installation->Finish();
}

// A refusal to start: in the log and, unless the switches forbid boxes, in a message box.
ExitCode Refuse(const SetupSwitches& switches, InstallLog& log, const std::string& text) {
    if (!switches.Quiet()) MessageBoxA(nullptr, text.c_str(), kBoxTitle, MB_OK | MB_ICONERROR);
    return EndLog(log, ExitCode::Refused, "установка не начата: " + text);
}

ExitCode RunChecked(const SetupSwitches& switches, InstallLog& log) {
    if (switches.help) {
        if (switches.mode != SetupMode::VerySilent) ShowSwitchesHelp(SwitchesHelpText());
        return EndLog(log, ExitCode::Installed, "показан список ключей");
    }
    const SwitchChoices choices = CheckSwitchChoices(switches);
    if (!choices.error.empty()) return Refuse(switches, log, choices.error);
    // Refused starts change nothing; every other one first finishes an interrupted run.
    const bool undone = FinishInterruptedRuns(log);
    if (switches.mode == SetupMode::VerySilent)
        return InstallWithoutWindows(switches, choices, log);
    if (switches.mode == SetupMode::Silent)
        return InstallWithProgressScreen(switches, choices, log);
    return RunPresetWizard(switches, choices, log, undone);
}

ExitCode RunWithSwitches(const std::string& commandLine, const ParsedSwitches& parsed,
                         const SingleSetup& single) {
    const SetupSwitches& switches = parsed.switches;
    InstallLog log;
    if (!OpenRequestedLog(switches, log))
        return Refuse(switches, log, "Не удаётся создать журнал установки: " + switches.logFile);
    LogStart(log, commandLine, switches);
    if (!parsed.error.empty()) return Refuse(switches, log, parsed.error);
    if (!single.Held()) return Refuse(switches, log, kAlreadyRunning);
    try {
        return RunChecked(switches, log);
    } catch (const std::exception& error) {
        // A failure outside the run's own handling (a screen that cannot be built).
        const ExitCode code = EndLog(log, ExitCode::Failed, std::string("ошибка: ") + error.what());
        if (!switches.Quiet()) Application().ShowException(error);
        return code;
    }
}

}  // namespace

int RunSetup(const std::string& commandLine) {
    const SingleSetup single;
    // Only what follows the program's own name: a path with blanks that the line does not
    // quote (as CreateProcess passes a program started without arguments) is no switch.
    const std::vector<std::string> arguments =
        SplitArguments(ArgumentsPart(commandLine, ProgramPath()));
    if (arguments.empty()) return RunPlainWizard(single);
    return static_cast<int>(RunWithSwitches(commandLine, ParseSwitches(arguments), single));
}

}  // namespace mvt::setup

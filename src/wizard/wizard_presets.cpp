#include "wizard/wizard_presets.h"

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "install/record_log.h"
#include "install/wizard_state.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/destination_screen.h"
#include "wizard/finish_screen.h"
#include "wizard/options_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

using namespace mvt;
using namespace mvt::install;

namespace wizard {

namespace {

// The choices as preset into the screens, the cancel mark of the confirmation, and no
// finish screen: what /SILENT's run reads.
class ProgressOnlyState final : public SwitchChoicesState {
  public:
    using SwitchChoicesState::SwitchChoicesState;
    bool LeaveDecided() const override { return Form3->Tag() == kCancelMarkLeave; }
    void PassCloseRequest() override { Form1->Close(); }
    void ShowFinishScreen(const InstallationOutcome&) override {}
};

ExitCode FinishLog(InstallLog& log, const std::string& installDir) {
    if (!Form10->InstallStarted()) {
        log.Write("Мастер закрыт до начала установки");
        log.Write("Код завершения: 2");
        return ExitCode::LeftWizard;
    }
    const InstallationOutcome& outcome = Form10->LastOutcome();
    if (outcome.finished || Form10->StagesFailed()) LogWrittenRecords(log, installDir);
    const ExitCode code = ExitCodeFor(outcome, Form10->StagesFailed());
    if (outcome.cancelled) log.Write("Установка прервана пользователем");
    log.Write("Код завершения: " + std::to_string(static_cast<int>(code)));
    return code;
}

// What the user chose on the screens, as the run read it.
void LogScreenChoices(InstallLog& log) {
    log.Write("Выбрано в мастере: каталог " + Form5->Label1->Caption() + ", группа " +
              Form8->Edit1->Text() + ", ярлык на рабочем столе " +
              (Form8->SkBmpButton1->Down() ? "нет" : "да") + ", деинсталлятор " +
              (Form8->SkBmpButton4->Down() ? "нет" : "да") + ", программа настройки " +
              (Form8->SkBmpButton5->Down() ? "нет" : "да"));
}

}  // namespace

void PresetScreens(const SwitchChoices& choices) {
    if (choices.directoryGiven) {
        Form5->Label1->SetCaption(choices.installDir);
        Form5->ShowSpaceFor(choices.installDir, true);
    }
    Form8->Edit1->SetText(choices.groupName);
    Form8->SkBmpButton1->SetDown(!choices.desktopShortcut);
    Form8->SkBmpButton4->SetDown(!choices.uninstaller);
}

ExitCode RunPresetWizard(const SwitchChoices& choices, InstallLog& log,
                         const std::function<void(const WizardHooks&)>& runWizard) {
    LogChoices(log, choices);
    ExitCode code = ExitCode::LeftWizard;
    WizardHooks hooks;
    hooks.screensMade = [&] {
        PresetScreens(choices);
        Form10->LogRunTo(log, true);
        Form11->LogTo(log);
    };
    hooks.loopEnded = [&] {
        if (Form10->InstallStarted()) LogScreenChoices(log);
        code = FinishLog(log, Form5->Label1->Caption());
    };
    runWizard(hooks);
    return code;
}

ExitCode InstallWithProgressScreen(const SetupSwitches& switches, const SwitchChoices& choices,
                                   InstallLog& log) {
    LogChoices(log, choices);
    TApplication& application = Application();
    application.SetTitle("MVT Setup");
    CreateScreens();
    PresetScreens(choices);
    ProgressOnlyState state(choices);
    Form10->SetWizard(state);
    Form10->LogRunTo(log, false);
    if (switches.suppressMessageBoxes) Form10->ZipUnpacker1->SetUnattended(true);
    ForceDirectories(choices.installDir);
    Form10->Show();
    try {
        Form10->Install();
    } catch (const std::exception& error) {
        log.Write(std::string("Ошибка записи: ") + error.what());
    }
    const ExitCode code = FinishLog(log, choices.installDir);
    application.Shutdown();
    return code;
}

}  // namespace wizard

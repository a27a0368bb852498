#include "setup/installation.h"

#include "install/progress_screen.h"
#include "install/record_log.h"
#include "setup/setup_log.h"

namespace mvt::setup {

using namespace mvt::install;

std::unique_ptr<Installation> Installation::OnProgressScreen(WizardState& choices, InstallLog& log,
                                                             bool askUser) {
    return std::unique_ptr<Installation>(new Installation(
        choices, log, Form10->Display(), *Form10->ZipUnpacker1, install::Progress, askUser));
}

std::unique_ptr<Installation> Installation::WithoutWindows(WizardState& choices, InstallLog& log) {
    return std::unique_ptr<Installation>(
        new Installation(choices, log, std::make_unique<zip::TZipUnpacker>(nullptr)));
}

Installation::Installation(WizardState& choices, InstallLog& log, InstallDisplay& shown,
                           zip::TZipUnpacker& unpacker, ProgressState& progress, bool askUser)
    : choices_(choices),
      log_(log),
      unpacker_(unpacker),
      progress_(progress),
      logged_(shown, log, askUser),
      // Without a log the screen is driven directly, exactly as it always was.
      display_(log.Enabled() ? static_cast<InstallDisplay&>(logged_) : shown) {}

Installation::Installation(WizardState& choices, InstallLog& log,
                           std::unique_ptr<zip::TZipUnpacker> unpacker)
    : choices_(choices),
      log_(log),
      ownUnpacker_(std::move(unpacker)),
      unpacker_(*ownUnpacker_),
      progress_(ownProgress_),
      logged_(silent_, log),
      display_(logged_) {
    ConfigureInstallUnpacker(unpacker_);
    unpacker_.SetUnattended(true);
    unpacker_.OnItemProgress = [this](TObject*, const std::string& item, uint32_t totalSize,
                                      int perCent) {
        ShowItemProgress(progress_, display_, item, totalSize, perCent);
    };
    // Without it the component would service the application's windows after every
    // report, and so create the application's window; there is none to service here.
    unpacker_.OnCheckTerminate = [](TObject*, bool&) {};
}

void Installation::Run() {
    started_ = true;
    InstallationRun run(choices_, display_, unpacker_, progress_);
    try {
        run.Execute();
    } catch (const std::exception& error) {
        log_.Write(std::string("Ошибка записи: ") + error.what());
        recordFailure_ = std::current_exception();
    }
    outcome_ = run.Outcome();
}

void Installation::RaiseRecordFailure() const {
    if (recordFailure_) std::rethrow_exception(recordFailure_);
}

ExitCode Installation::Finish() {
    if (!started_) {
        log_.Write("Мастер закрыт до начала установки");
        return EndLog(log_, ExitCode::LeftWizard);
    }
    const bool stagesFailed = recordFailure_ != nullptr;
    if (outcome_.finished || stagesFailed) LogWrittenRecords(log_, choices_.InstallDirectory());
    if (outcome_.MissingFiles() || outcome_.UnreadableArchives())
        log_.Write("Не установлено файлов: " + std::to_string(outcome_.MissingFiles()) +
                   ", непрочитанных архивов: " + std::to_string(outcome_.UnreadableArchives()));
    if (outcome_.cancelled) log_.Write("Установка прервана пользователем");
    return EndLog(log_, ExitCodeFor(outcome_, stagesFailed));
}

}  // namespace mvt::setup

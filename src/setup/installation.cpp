#include "setup/installation.h"

#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "install/record_log.h"
#include "setup/interrupted_runs.h"
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
      display_(log.Enabled() ? static_cast<InstallDisplay&>(logged_) : shown),
      keepIncomplete_(askUser) {}

Installation::Installation(WizardState& choices, InstallLog& log,
                           std::unique_ptr<zip::TZipUnpacker> unpacker)
    : choices_(choices),
      log_(log),
      ownUnpacker_(std::move(unpacker)),
      unpacker_(*ownUnpacker_),
      progress_(ownProgress_),
      logged_(silent_, log),
      display_(logged_),
      keepIncomplete_(false) {
    ConfigureInstallUnpacker(unpacker_);
    unpacker_.SetUnattended(true);
    unpacker_.OnItemProgress = [this](TObject*, const std::string& item, uint64_t totalSize,
                                      int perCent) {
        ShowItemProgress(progress_, display_, item, totalSize, perCent);
    };
    // Without it the component would service the application's windows after every
    // report, and so create the application's window; there is none to service here.
    unpacker_.OnCheckTerminate = [](TObject*, bool&) {};
}

void Installation::Run() {
    started_ = true;
    InstallationRun run(choices_, display_, unpacker_, progress_, keepIncomplete_);
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

namespace {

// What was left out, for the log's last line; namedFromList: files of unreadable archives
// named from the medium's list.
std::string MissingSummary(const InstallationOutcome& outcome, uint64_t namedFromList) {
    // Undone, a run that left files out installed nothing.
    std::string summary =
        std::string(outcome.undone ? "не установлено" : "установлено не полностью") +
        ": не установлено файлов " + std::to_string(outcome.MissingFiles() + namedFromList);
    std::string unread;
    for (const ArchiveOutcome& archive : outcome.archives)
        if (!archive.directoryRead)
            unread += (unread.empty() ? "" : ", ") + ExtractFileName(archive.archive);
    if (!unread.empty()) summary += ", не прочитаны архивы " + unread;
    return summary;
}

}  // namespace

ExitCode Installation::Finish() {
    if (!started_) return EndLog(log_, ExitCode::LeftWizard, "мастер закрыт до начала установки");
    const bool stagesFailed = recordFailure_ != nullptr;
    std::string summary = "установлено полностью";
    if (outcome_.cancelled)
        summary = "установка прервана пользователем";
    else if (stagesFailed)
        summary = "установка не закончена: запись в систему не удалась";
    else if (!outcome_.Complete())
        summary = MissingSummary(
            outcome_, LogUnreadArchiveFiles(log_, outcome_, choices_.InstallDirectory()));
    if (outcome_.undone) {
        LogUndone(log_, outcome_.undoFailures);
        summary += outcome_.undoFailures.empty() ? ", всё отменено" : ", отменено не всё";
    }
    return EndLog(log_, ExitCodeFor(outcome_, stagesFailed), summary);
}

}  // namespace mvt::setup

#include "setup/installation.h"

#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "install/record_log.h"
#include "setup/interrupted_runs.h"
#include "setup/setup_log.h"

namespace mvt::setup {

using namespace mvt::install;

std::unique_ptr<Installation> Installation::OnProgressScreen(WizardState& choices, InstallLog& log,
                                                             bool askUser, SetupJob job) {
    return std::unique_ptr<Installation>(new Installation(
        choices, log, Form10->Display(), *Form10->ZipUnpacker1, install::Progress, askUser, job));
}

std::unique_ptr<Installation> Installation::WithoutWindows(WizardState& choices, InstallLog& log,
                                                           SetupJob job) {
    return std::unique_ptr<Installation>(
        new Installation(choices, log, std::make_unique<zip::TZipUnpacker>(nullptr), job));
}

Installation::Installation(WizardState& choices, InstallLog& log, InstallDisplay& shown,
                           zip::TZipUnpacker& unpacker, ProgressState& progress, bool askUser,
                           SetupJob job)
    : choices_(choices),
      log_(log),
      unpacker_(unpacker),
      progress_(progress),
      logged_(shown, log, askUser),
      // Without a log the screen is driven directly, exactly as it always was.
      display_(log.Enabled() ? static_cast<InstallDisplay&>(logged_) : shown),
      keepIncomplete_(askUser),
      job_(job) {}

Installation::Installation(WizardState& choices, InstallLog& log,
                           std::unique_ptr<zip::TZipUnpacker> unpacker, SetupJob job)
    : choices_(choices),
      log_(log),
      ownUnpacker_(std::move(unpacker)),
      unpacker_(*ownUnpacker_),
      progress_(ownProgress_),
      logged_(silent_, log),
      display_(logged_),
      keepIncomplete_(false),
      job_(job) {
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
    if (job_ == SetupJob::Install)
        Install();
    else
        CheckAndRepair();
}

void Installation::Install() {
    InstallationRun run(choices_, display_, unpacker_, progress_, keepIncomplete_);
    try {
        run.Execute();
    } catch (const std::exception& error) {
        log_.Write(std::string("Ошибка записи: ") + error.what());
        recordFailure_ = std::current_exception();
    }
    outcome_ = run.Outcome();
}

void Installation::CheckAndRepair() {
    InstallationCheck check(choices_.InstallDirectory(), display_, unpacker_, progress_, choices_,
                            log_);
    check_ = check.Run();
    if (job_ == SetupJob::Repair && check_.Checked() && !check_.Whole()) {
        RepairRun repair(check_, check.Medium(), display_, unpacker_, progress_, choices_, log_);
        repairRan_ = true;
        try {
            repair.Execute();
            repair_ = repair.Outcome();
        } catch (const std::exception& error) {
            // No journal could be kept: nothing was changed.
            repair_.failure = error.what();
            log_.Write(std::string("Ошибка записи: ") + error.what());
        }
    }
    display_.StopAnimation();
    display_.Close();
    display_.ProcessMessages();
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

// The code for a check (job Verify) or a check and repair (Repair; repair: what the repair
// achieved, null when none was needed or possible).
ExitCode CheckExitCode(SetupJob job, const install::CheckReport& check,
                       const install::RepairOutcome* repair) {
    if (check.cancelled || (repair && repair->Cancelled())) return ExitCode::Cancelled;
    if (!check.refusal.empty() || (repair && repair->sealMismatch)) return ExitCode::Refused;
    if (check.Whole()) return ExitCode::Installed;
    if (job == SetupJob::Verify || !repair) return ExitCode::Failed;
    return repair->repaired ? ExitCode::Installed : ExitCode::Failed;
}

}  // namespace

ExitCode Installation::FinishCheck() {
    const ExitCode code = CheckExitCode(job_, check_, repairRan_ ? &repair_ : nullptr);
    const bool verify = job_ == SetupJob::Verify;
    std::string summary;
    if (check_.cancelled || repair_.Cancelled())
        summary =
            verify ? "проверка прервана пользователем" : "восстановление прервано пользователем";
    else if (!check_.refusal.empty())
        summary = "проверка невозможна: " + check_.refusal;
    else if (check_.Whole())
        summary = "установка цела";
    else if (verify)
        summary = "повреждено или отсутствует: " + DamagedCounts(check_);
    else if (repair_.repaired)
        summary = "восстановлено: " + DamagedCounts(check_);
    else if (repair_.sealMismatch)
        summary = "восстановление невозможно: дистрибутив не тот, с которого сделана установка";
    else
        summary = "восстановление не удалось" + (repair_.failure.empty()
                                                     ? std::string(": записаны не все файлы")
                                                     : ": " + repair_.failure);
    if (repair_.unpacking.undone) {
        LogUndone(log_, repair_.unpacking.undoFailures);
        summary += repair_.unpacking.undoFailures.empty() ? ", всё отменено" : ", отменено не всё";
    }
    return EndLog(log_, code, summary);
}

std::string Installation::ResultTitle() const {
    return job_ == SetupJob::Repair ? "Восстановление Трилогии Морвата"
                                    : "Проверка Трилогии Морвата";
}

std::string Installation::ResultText() const {
    if (job_ == SetupJob::Install || !started_ || check_.cancelled || repair_.Cancelled())
        return {};
    if (!check_.refusal.empty()) return "Проверить установку нельзя:\r" + check_.refusal;
    if (check_.Whole())
        return job_ == SetupJob::Verify ? "Трилогия Морвата в порядке:\rфайлы, ярлыки и "
                                          "записи\rсовпадают с дистрибутивом."
                                        : "Трилогия Морвата в порядке:\rвосстанавливать нечего.";
    // The notice holds about 32 letters a line: the items by kind are the log's to name.
    const std::string count = std::to_string(check_.damaged.size());
    if (job_ == SetupJob::Verify)
        return "Повреждено или отсутствует: " + count +
               ".\rВернуть их можно запуском\rс ключом /REPAIR.";
    if (repair_.repaired)
        return "Трилогия Морвата восстановлена:\rвозвращено на место: " + count + ".";
    if (repair_.sealMismatch)
        return "Дистрибутив не тот, с которого\rсделана установка. Восстановить\rнельзя, всё "
               "оставлено как было.";
    return "Восстановить не удалось.\rВсё оставлено как было.";
}

ExitCode Installation::Finish() {
    if (!started_) return EndLog(log_, ExitCode::LeftWizard, "мастер закрыт до начала установки");
    if (job_ != SetupJob::Install) return FinishCheck();
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

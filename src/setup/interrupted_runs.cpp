#include "setup/interrupted_runs.h"

#include "controls/skin_dialog.h"
#include "install/installation_journal.h"

namespace mvt::setup {

namespace {

constexpr char kNotice[] =
    "Прошлая установка Трилогии Морвата\rбыла прервана. Всё, что она успела\rизменить, отменено.";

void LogFailures(install::InstallLog& log, const std::vector<std::string>& failures) {
    for (const std::string& failure : failures) log.Write("Не отменено: " + failure);
}

}  // namespace

bool FinishInterruptedRuns(install::InstallLog& log) {
    bool undone = false;
    for (const install::JournalOutcome& run :
         install::InstallationJournal::FinishInterruptedRuns()) {
        if (run.completed) {
            log.Write("Прерванная установка в " + run.installDir + " была завершена");
        } else {
            log.Write("Прерванная установка в " + run.installDir + " отменена");
            undone = true;
        }
        LogFailures(log, run.failures);
    }
    return undone;
}

void ShowInterruptedRunNotice() {
    skin::ShowSkinDialog("Установка Трилогии Морвата", kNotice, false);
}

void LogUndone(install::InstallLog& log, const std::vector<std::string>& failures) {
    log.Write("Всё, что изменила установка, отменено");
    LogFailures(log, failures);
}

}  // namespace mvt::setup

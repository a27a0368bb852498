#include "install/logging_display.h"

#include "install/install_report.h"
#include "install/record_log.h"

namespace mvt::install {

namespace {

uint64_t FileBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace

LoggingDisplay::LoggingDisplay(InstallDisplay& shown, InstallLog& log, bool askUser)
    : shown_(shown), log_(log), askUser_(askUser), archiveStart_(GetTickCount64()) {}

WriteProblemAnswer LoggingDisplay::AskAboutWriteProblem(const ArchiveOutcome& outcome) {
    const WriteProblemAnswer answer =
        askUser_ ? shown_.AskAboutWriteProblem(outcome) : WriteProblemAnswer::Skip;
    log_.Write(answer == WriteProblemAnswer::Retry ? "Ответ: повторить распаковку архива"
                                                   : "Ответ: пропустить недостающие файлы");
    archiveStart_ = GetTickCount64();
    return answer;
}

void LoggingDisplay::ArchiveFinished(const ArchiveOutcome& outcome) {
    const auto milliseconds = static_cast<unsigned>(GetTickCount64() - archiveStart_);
    for (const std::string& line :
         ArchiveLogLines(outcome, FileBytes(outcome.archive), milliseconds))
        log_.Write(line);
    shown_.ArchiveFinished(outcome);
    archiveStart_ = GetTickCount64();
}

void LoggingDisplay::RecordStageEnded(RecordStage stage, const std::string& installDir) noexcept {
    try {
        LogStageRecords(log_, stage, installDir);
    } catch (const std::exception& error) {
        // Called while a stage's failure may be on its way out: the log loses these lines,
        // the failure itself still reaches the run.
        log_.Write(std::string("Записи не прочитаны: ") + error.what());
    }
}

void LoggingDisplay::SetStatusCaption(const std::string& caption) {
    // The uninstaller's caption stands for its archive and again for its shortcut and entry:
    // the log names a stage once.
    if (captionsLogged_.insert(caption).second) log_.Write("Этап: " + caption);
    shown_.SetStatusCaption(caption);
    archiveStart_ = GetTickCount64();
}

}  // namespace mvt::install

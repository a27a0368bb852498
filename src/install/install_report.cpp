#include "install/install_report.h"

#include "framework/sysutils.h"

#include <windows.h>

#include <cstdio>

namespace mvt::install {

namespace {

std::string ProblemText(const ArchiveOutcome& outcome) {
    switch (outcome.problem) {
        case WriteProblem::DiskFull:
            return "на диске нет места (свободно " + std::to_string(outcome.freeBytes) + " байт)";
        case WriteProblem::FileInUse:
            return "файл занят другой программой: " + outcome.blocked;
        case WriteProblem::AccessDenied:
            return "запись запрещена: " + outcome.blocked;
        case WriteProblem::None:
            break;
    }
    return {};
}

std::string Seconds(unsigned milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", milliseconds / 1000, milliseconds % 1000);
    return text;
}

}  // namespace

std::string SystemErrorText(unsigned long code) {
    const std::string text = SysErrorMessage(code);
    return text.empty() ? "ошибка " + std::to_string(code) : text;
}

unsigned long ProblemErrorCode(WriteProblem problem) {
    switch (problem) {
        case WriteProblem::DiskFull:
            return ERROR_DISK_FULL;
        case WriteProblem::FileInUse:
            return ERROR_SHARING_VIOLATION;
        case WriteProblem::AccessDenied:
            return ERROR_ACCESS_DENIED;
        case WriteProblem::None:
            break;
    }
    return 0;
}

std::vector<std::string> ArchiveLogLines(const ArchiveOutcome& outcome, uint64_t archiveBytes,
                                         unsigned milliseconds) {
    std::vector<std::string> lines;
    std::string result = outcome.Complete() ? "полностью" : "не полностью";
    if (!outcome.directoryRead) result = "архив не прочитан";
    lines.push_back("Архив " + outcome.archive + " -> " + outcome.destination + ": файлов " +
                    std::to_string(outcome.files) + ", байт " + std::to_string(archiveBytes) +
                    ", результат " + std::to_string(outcome.result) + " (" + result + "), время " +
                    Seconds(milliseconds) + " с");
    if (!outcome.errorMessage.empty()) lines.push_back("  Сообщение: " + outcome.errorMessage);
    for (const std::string& message : outcome.messages) lines.push_back("  Библиотека: " + message);
    const std::string cause = ProblemText(outcome);
    const unsigned long code = ProblemErrorCode(outcome.problem);
    for (const MissingEntry& entry : outcome.missing) {
        std::string line = "  Не записан: " + entry.name + " (" + std::to_string(entry.size) +
                           " байт), причина " + std::to_string(entry.reason) + ", код " +
                           std::to_string(entry.errorCode);
        if (code) line += ": " + cause + " - " + SystemErrorText(code);
        lines.push_back(line);
    }
    if (code && outcome.missing.empty())
        lines.push_back("  " + cause + " - " + SystemErrorText(code));
    return lines;
}

}  // namespace mvt::install

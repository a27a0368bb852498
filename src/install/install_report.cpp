#include "install/install_report.h"

#include "framework/sysutils.h"

#include <windows.h>

#include <cstdio>
#include <set>

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

// An archive's destination relative to the install directory ("" for the directory itself).
std::string RelativeDestination(const ArchiveOutcome& archive, const std::string& installDir) {
    if (archive.destination.size() < installDir.size()) return {};
    std::string relative = archive.destination.substr(installDir.size());
    relative.erase(0, relative.find_first_not_of('\\'));
    return relative;
}

// Paths compared as Windows compares names.
std::string Upper(const std::string& text) {
    std::string upper = text;
    if (!text.empty())
        LCMapStringA(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                     upper.data(), static_cast<int>(upper.size()));
    return upper;
}

bool Holds(const std::string& folder, const std::string& file) {
    return folder.empty() || (file.size() > folder.size() && file[folder.size()] == '\\' &&
                              Upper(file.substr(0, folder.size())) == Upper(folder));
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
    // The component's own error and the library's reports often say the same: once each.
    std::set<std::string> told = {outcome.errorMessage};
    for (const std::string& message : outcome.messages)
        if (told.insert(message).second) lines.push_back("  Библиотека: " + message);
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

std::vector<std::string> UnreadArchiveLines(
    const InstallationOutcome& outcome, const std::string& installDir,
    const std::vector<std::string>& listedFiles,
    const std::function<bool(const std::string&)>& installed) {
    std::vector<std::string> lines;
    std::vector<const ArchiveOutcome*> unread;
    std::set<std::string> named;  // missing entries of read archives, relative, in capitals
    for (const ArchiveOutcome& archive : outcome.archives) {
        if (!archive.directoryRead) unread.push_back(&archive);
        const std::string folder = RelativeDestination(archive, installDir);
        for (const MissingEntry& entry : archive.missing)
            named.insert(Upper(folder.empty() ? entry.name : folder + "\\" + entry.name));
    }
    if (unread.empty() || !outcome.finished) return lines;
    if (listedFiles.empty()) {
        for (const ArchiveOutcome* archive : unread)
            lines.push_back("Файлы архива " + ExtractFileName(archive->archive) +
                            " не названы: он не прочитан, а списка файлов дистрибутива нет");
        return lines;
    }
    for (const std::string& file : listedFiles) {
        if (named.count(Upper(file)) || installed(file)) continue;
        const ArchiveOutcome* holder = nullptr;
        for (const ArchiveOutcome* archive : unread) {
            const std::string folder = RelativeDestination(*archive, installDir);
            if (Holds(folder, file) &&
                (!holder || folder.size() > RelativeDestination(*holder, installDir).size()))
                holder = archive;
        }
        if (holder)
            lines.push_back("Не установлен из непрочитанного архива " +
                            ExtractFileName(holder->archive) + ": " + file);
    }
    return lines;
}

}  // namespace mvt::install

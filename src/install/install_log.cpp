#include "install/install_log.h"

#include <cstdio>

#include "framework/private_folder.h"
#include "framework/sysutils.h"

namespace mvt::install {

std::string LogLine(const SYSTEMTIME& time, const std::string& utf8Text) {
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", time.wYear,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                  time.wMilliseconds);
    std::string line = stamp;
    for (char c : utf8Text) line += (c == '\r' || c == '\n') ? ' ' : c;
    return line + "\r\n";
}

std::string AnsiToUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, utf16.data(), wide);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string DefaultLogName(const SYSTEMTIME& date, unsigned number, const char* program) {
    char name[96];
    std::snprintf(name, sizeof name, "%.32s Log %04u-%02u-%02u #%03u.txt", program, date.wYear,
                  date.wMonth, date.wDay, number);
    return name;
}

namespace {

// The log file `name` in `folder`, made as `creation` says through a checked handle that
// lets others read the log while it grows.
std::optional<TGuardedFile> OpenLogFile(const TGuardedFolder& folder, const std::string& name,
                                        TGuardedCreation creation, TGuardedOutcome& outcome) {
    std::string error;
    return OpenFileBelow(folder, name, creation, GENERIC_WRITE, FILE_SHARE_READ, outcome, error);
}

}  // namespace

bool InstallLog::Open(const std::string& path) {
    const std::string full = ExpandFileName(path);
    std::string error;
    // The folder the administrator named may be reached through links of the machine's own
    // (a drive mounted in a folder, say), but it may not be one itself.
    const std::optional<TGuardedFolder> folder =
        TGuardedFolder::Open(ExtractFilePath(full), TFolderWay::NoLinkAtItsEnd, error);
    TGuardedOutcome outcome;
    std::optional<TGuardedFile> file =
        folder
            ? OpenLogFile(*folder, ExtractFileName(full), TGuardedCreation::ExistingOrNew, outcome)
            : std::nullopt;
    if (!file || !file->Clear(error)) return false;
    file_ = std::move(file);
    path_ = full;
    return true;
}

bool InstallLog::OpenNewInTemporaryFolder(const char* program) {
    std::string error;
    const std::optional<TGuardedFolder> folder =
        TGuardedFolder::Open(TemporaryFolder(), TFolderWay::Followed, error);
    if (!folder) return false;
    SYSTEMTIME today{};
    GetLocalTime(&today);
    for (unsigned number = 1; number <= 999; ++number) {
        const std::string name = DefaultLogName(today, number, program);
        // Never an existing file: each run gets its own.
        TGuardedOutcome outcome;
        file_ = OpenLogFile(*folder, name, TGuardedCreation::New, outcome);
        if (file_) {
            path_ = folder->Path() + "\\" + name;
            return true;
        }
        if (outcome != TGuardedOutcome::Exists) return false;
    }
    return false;
}

void InstallLog::Write(const std::string& text) {
    if (!file_) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string line = LogLine(now, AnsiToUtf8(text));
    DWORD written = 0;
    // Unbuffered: the line is the system's as soon as the call returns.
    WriteFile(file_->Handle(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void InstallLog::WriteEnd(const std::string& summary, int exitCode) {
    Write("Итог: " + summary);
    Write("Код завершения: " + std::to_string(exitCode));
}

}  // namespace mvt::install

#include "install/install_log.h"

#include <cstdio>

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

bool InstallLog::Open(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_.reset(file);
    path_ = path;
    return true;
}

bool InstallLog::OpenNewInTemporaryFolder(const char* program) {
    char folder[MAX_PATH + 1] = "";
    if (!GetTempPathA(sizeof folder, folder)) return false;
    SYSTEMTIME today{};
    GetLocalTime(&today);
    for (unsigned number = 1; number <= 999; ++number) {
        const std::string path = std::string(folder) + DefaultLogName(today, number, program);
        // Never an existing file: each run gets its own.
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_.reset(file);
            path_ = path;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
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
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void InstallLog::WriteEnd(const std::string& summary, int exitCode) {
    Write("Итог: " + summary);
    Write("Код завершения: " + std::to_string(exitCode));
}

}  // namespace mvt::install

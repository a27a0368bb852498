#include "framework/sysutils.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace mvt {

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

std::string Trim(const std::string& text) {
    // Like the classic runtime: blanks and control characters count as white space.
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

std::string AnsiLowerCase(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string IncludeTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path;
    return path + '\\';
}

std::string ExcludeTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
    return path;
}

static size_t LastDelimiter(const std::string& path) {
    return path.find_last_of("\\:");
}

std::string ExtractFilePath(const std::string& path) {
    size_t at = LastDelimiter(path);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string ExtractFileName(const std::string& path) {
    size_t at = LastDelimiter(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string ExpandFileName(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameA(path.c_str(), buffer.size(), buffer.data(), nullptr);
        if (length == 0) return path;
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length);
    }
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
    std::string folder = ExcludeTrailingBackslash(path);
    if (folder.empty() || DirectoryExists(folder)) return !folder.empty();
    std::string parent = ExtractFilePath(folder);
    // Stop at a drive ("C:\") or a bare name; the parent of those cannot be made.
    if (!parent.empty() && parent != folder + '\\' && parent.size() < folder.size())
        ForceDirectories(parent);
    return CreateDirectoryA(folder.c_str(), nullptr) || DirectoryExists(folder);
}

std::vector<std::string> MissingFolders(const std::string& path) {
    std::vector<std::string> missing;
    // Up to the drive ("C:") or the share, which no one makes.
    for (std::string folder = ExcludeTrailingBackslash(path);
         folder.size() > 3 && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
         folder = ExcludeTrailingBackslash(ExtractFilePath(folder)))
        missing.insert(missing.begin(), folder);
    return missing;
}

std::string ProgramPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), buffer.size());
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramFolder() {
    return ExtractFilePath(ProgramPath());
}

char DecimalSeparator() {
    char separator[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) < 2)
        return '.';
    return separator[0];
}

std::string SysErrorMessage(unsigned long error) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message(text ? text : "", length);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

TQuietSystemErrors::TQuietSystemErrors() {
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
}

TQuietSystemErrors::~TQuietSystemErrors() {
    SetThreadErrorMode(previous_, nullptr);
}

std::string ProgramVersion() {
    const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        CopyMemory(&info, bytes + at, sizeof info);
        if (info.dwSignature != VS_FFI_SIGNATURE) continue;
        return std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
               std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
               std::to_string(HIWORD(info.dwFileVersionLS)) + "." +
               std::to_string(LOWORD(info.dwFileVersionLS));
    }
    return "неизвестна";
}

std::string WindowsVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto query = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
    if (!query || query(&version) != 0) return "неизвестна";
    return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) +
           "." + std::to_string(version.dwBuildNumber);
}

double FreeBytesOnDriveOf(const std::string& path) {
    if (path.empty()) return -1;
    const int drive = static_cast<unsigned char>(path[0]) - 64;
    if (drive < 1 || drive > 26) return -1;
    const std::string root = std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
    ULARGE_INTEGER available{};
    // An empty removable drive answers with an error, not with the system's "no disk" box.
    TQuietSystemErrors quiet;
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, nullptr, nullptr)) return -1;
    return static_cast<double>(available.QuadPart);
}

}  // namespace mvt

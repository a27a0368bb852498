// Links planted the way this machine can make them: a Linux symbolic link made from the
// shell side (Wine's own link call reports success and makes none). Wine shows such a link
// to a folder as a folder with FILE_ATTRIBUTE_REPARSE_POINT and follows it, like a junction
// on Windows; a link to a file looks like the file. A Linux hard link shows as one file with
// two names (nNumberOfLinks 2), as on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// The Linux path of a Windows path (which need not exist yet), empty when unknown.
inline std::string UnixPathOf(const std::string& windowsPath) {
    using Converter = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<Converter>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), length);
    char* unix = convert(wide.c_str());
    if (unix == nullptr) return {};
    std::string path = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

// Runs a Linux program with the given command line (UTF-8). Wine does not wait for such a
// program, so the caller looks for its effect.
inline bool StartLinuxProgram(const std::string& command) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, wide.data(), length);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Waits up to ten seconds for `done`.
template <class Condition>
bool WaitFor(Condition done) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (done()) return true;
        Sleep(20);
    }
    return false;
}

// Plants a symbolic link at `link` that leads to `target` (both Windows paths, the link's
// folder existing), replacing a link already there; true once the link is in place.
inline bool PlantLink(const std::string& link, const std::string& target) {
    const std::string from = UnixPathOf(target), at = UnixPathOf(link);
    if (from.empty() || at.empty() ||
        !StartLinuxProgram("Z:\\bin\\ln -sfn \"" + from + "\" \"" + at + "\""))
        return false;
    return WaitFor([&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

// Plants a hard link at `link` (its folder existing) to the file `target`, replacing what is
// at `link`; true once it is in place.
inline bool PlantHardLink(const std::string& link, const std::string& target) {
    const std::string from = UnixPathOf(target), at = UnixPathOf(link);
    if (from.empty() || at.empty() ||
        !StartLinuxProgram("Z:\\bin\\ln -f \"" + from + "\" \"" + at + "\""))
        return false;
    return WaitFor([&] {
        BY_HANDLE_FILE_INFORMATION information{};
        const HANDLE file = CreateFileA(link.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        const bool linked = file != INVALID_HANDLE_VALUE &&
                            GetFileInformationByHandle(file, &information) &&
                            information.nNumberOfLinks > 1;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return linked;
    });
}

// Removes a folder tree from the shell side, links as links (never what they lead to);
// true once it is gone.
inline bool RemoveTree(const std::string& folder) {
    const std::string at = UnixPathOf(folder);
    if (at.empty() || !StartLinuxProgram("Z:\\bin\\rm -rf \"" + at + "\"")) return false;
    return WaitFor([&] { return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace testsupport

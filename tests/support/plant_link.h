// Links planted the way this machine can make them: a Linux symbolic link made from the
// shell side (Wine's own link call reports success and makes none). Wine shows such a link
// to a folder as a folder with FILE_ATTRIBUTE_REPARSE_POINT and follows it, like a junction
// on Windows; a link to a file looks like the file. A Linux hard link shows as one file with
// two names (nNumberOfLinks 2), as on Windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <tuple>

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

// The final path of what `path` leads to, empty when nothing is there.
inline std::string LeadsTo(const std::string& path) {
    const HANDLE item = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE) return {};
    char final[MAX_PATH * 2] = "";
    const DWORD length = GetFinalPathNameByHandleA(item, final, sizeof final, 0);
    CloseHandle(item);
    return length > 0 && length < sizeof final ? std::string(final, length) : std::string();
}

// Plants a symbolic link at `link` that leads to `target` (both Windows paths, the link's
// folder existing), replacing what is there; true once the link is in place. Where the name
// was taken before, by a file or another link, the link is in place only once the name leads
// to the target: the test would otherwise go on with the old item still there.
inline bool PlantLink(const std::string& link, const std::string& target) {
    const std::string from = UnixPathOf(target), at = UnixPathOf(link);
    if (from.empty() || at.empty() ||
        !StartLinuxProgram("Z:\\bin\\ln -sfn \"" + from + "\" \"" + at + "\""))
        return false;
    const std::string targetFinal = LeadsTo(target);
    return WaitFor([&] {
        return targetFinal.empty() ? GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES
                                   : LeadsTo(link) == targetFinal;
    });
}

// The file `path` names, by volume and index; nothing when it cannot be opened.
inline std::optional<std::tuple<DWORD, DWORD, DWORD>> FileIdentity(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!known) return std::nullopt;
    return std::tuple(information.dwVolumeSerialNumber, information.nFileIndexHigh,
                      information.nFileIndexLow);
}

// Plants a hard link at `link` (its folder existing) to the file `target`, replacing what is
// at `link`; true once `link` names the target's file (not merely some file with two names,
// which an earlier link there already was).
inline bool PlantHardLink(const std::string& link, const std::string& target) {
    const std::string from = UnixPathOf(target), at = UnixPathOf(link);
    const auto targetFile = FileIdentity(target);
    if (from.empty() || at.empty() || !targetFile ||
        !StartLinuxProgram("Z:\\bin\\ln -f \"" + from + "\" \"" + at + "\""))
        return false;
    return WaitFor([&] { return FileIdentity(link) == targetFile; });
}

// Removes a folder tree from the shell side, links as links (never what they lead to);
// true once it is gone.
inline bool RemoveTree(const std::string& folder) {
    const std::string at = UnixPathOf(folder);
    if (at.empty() || !StartLinuxProgram("Z:\\bin\\rm -rf \"" + at + "\"")) return false;
    return WaitFor([&] { return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace testsupport

#include "uninstall/self_removal.h"

#include "framework/guarded_files.h"
#include "framework/sysutils.h"
#include "uninstall/installed_files.h"
#include "uninstall/uninstall_dialogs.h"

namespace mvt::uninstall {

namespace {

// Deletes the ended original's file in its folder by a checked handle, trying for a while
// (the system may still hold the ended program's image); true when it is gone.
bool RemoveOriginal(const std::string& installDir, const std::string& name) {
    std::string error;
    const std::optional<TGuardedFolder> folder = TGuardedFolder::Open(installDir, false, error);
    if (!folder) return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const TGuardedOutcome outcome = DeleteBelow(*folder, name, false, error);
        if (outcome == TGuardedOutcome::Done || outcome == TGuardedOutcome::Missing) return true;
        if (outcome == TGuardedOutcome::NotOurs) return false;
        Sleep(100);
    }
    return false;
}

std::string TempFolder() {
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof path, path);
    return length > 0 && length < sizeof path ? ExcludeTrailingBackslash(path) : std::string();
}

std::string SystemFolderPath() {
    char path[MAX_PATH + 1] = "";
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    return length > 0 && length < sizeof path ? path : "C:\\";
}

// A folder of the copy's own below the temporary folder, made now: a name nobody else took.
std::string MakeOwnFolder(std::string& error) {
    const std::string temp = TempFolder();
    if (temp.empty()) {
        error = "нет временной папки";
        return {};
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = temp + Format("\\mvt-unregmvt-%lu-%u", GetCurrentProcessId(),
                                                 static_cast<unsigned>(GetTickCount() + attempt));
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    error = SysErrorMessage(GetLastError());
    return {};
}

bool IsUninstallerFile(const std::string& path) {
    const std::string name = ExtractFileName(path);
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, kUninstallerName,
                          -1) == CSTR_EQUAL;
}

}  // namespace

bool StartCleanupCopy(const std::string& ownProgram, bool silent, std::string& error) {
    const std::string folder = MakeOwnFolder(error);
    if (folder.empty()) return false;
    const std::string copy = folder + "\\" + kUninstallerName;
    if (!CopyFileA(ownProgram.c_str(), copy.c_str(), TRUE)) {
        error = SysErrorMessage(GetLastError());
        RemoveDirectoryA(folder.c_str());
        return false;
    }
    // The copy inherits a handle that deletes its file once the copy has ended and the
    // handle is closed with the process.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE deleteOnClose =
        CreateFileA(copy.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                    &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE, TRUE, 0);
    std::string commandLine = "\"" + copy + "\" " + kCleanupSwitch + " " +
                              std::to_string(reinterpret_cast<uintptr_t>(self)) + " \"" +
                              ownProgram + "\"" + (silent ? " /S" : "");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Not started in its own folder, which it must be able to remove.
    const std::string current = SystemFolderPath();
    const bool started =
        self && CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               current.c_str(), &startup, &process);
    if (!started) error = SysErrorMessage(GetLastError());
    if (self) CloseHandle(self);
    if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(folder.c_str());
    return false;
}

int RunCleanup(HANDLE original, const std::string& originalProgram, bool silent) {
    // Only ever the uninstaller's own file, and its folder only when empty: whoever starts
    // the copy by hand cannot make it delete anything else.
    if (!IsUninstallerFile(originalProgram) ||
        WaitForSingleObject(original, INFINITE) != WAIT_OBJECT_0)
        return 2;
    CloseHandle(original);
    const std::string installDir = ExcludeTrailingBackslash(ExtractFilePath(originalProgram));
    const bool removed = RemoveOriginal(installDir, ExtractFileName(originalProgram));
    // By a handle too, and kept when the user's files are there.
    std::string error;
    if (const auto parent = TGuardedFolder::Open(ExtractFilePath(installDir), false, error);
        removed && parent)
        DeleteBelow(*parent, ExtractFileName(installDir), true, error);
    if (!removed && !silent)
        ShowNotice("Не удалось удалить программу удаления\r" + originalProgram);

    // Out of its own folder (a rename, which the system allows for a running program on the
    // same drive), so that the folder can go now; the file itself goes when the inherited
    // handle closes at the end of this process, or else at the next restart.
    const std::string own = ProgramPath();
    const std::string ownFolder = ExcludeTrailingBackslash(ExtractFilePath(own));
    const std::string parked = TempFolder() + Format("\\~unregmvt-%lu.tmp", GetCurrentProcessId());
    if (MoveFileExA(own.c_str(), parked.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        RemoveDirectoryA(ownFolder.c_str());
        MoveFileExA(parked.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
        MoveFileExA(own.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExA(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return removed ? 0 : 1;
}

}  // namespace mvt::uninstall

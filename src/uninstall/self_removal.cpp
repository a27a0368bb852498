#include "uninstall/self_removal.h"

#include "framework/guarded_files.h"
#include "framework/handles.h"
#include "framework/private_folder.h"
#include "framework/sha256.h"
#include "framework/sysutils.h"
#include "uninstall/installed_files.h"
#include "uninstall/uninstall_dialogs.h"

namespace mvt::uninstall {

namespace {

// Deletes the ended original's file in its folder by a checked handle, trying for a while
// (the system may still hold the ended program's image); true when it is gone.
bool RemoveOriginal(const std::string& installDir, const std::string& name) {
    std::string error;
    const std::optional<TGuardedFolder> folder =
        TGuardedFolder::Open(installDir, TFolderWay::Followed, error);
    if (!folder) return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const TGuardedOutcome outcome = DeleteBelow(*folder, name, false, error);
        if (outcome == TGuardedOutcome::Done || outcome == TGuardedOutcome::Missing) return true;
        if (outcome == TGuardedOutcome::NotOurs) return false;
        Sleep(100);
    }
    return false;
}

std::string SystemFolderPath() {
    char path[MAX_PATH + 1] = "";
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    return length > 0 && length < sizeof path ? path : "C:\\";
}

bool IsUninstallerFile(const std::string& path) {
    const std::string name = ExtractFileName(path);
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, kUninstallerName,
                          -1) == CSTR_EQUAL;
}

}  // namespace

bool StartCleanupCopy(const std::string& ownProgram, bool silent, std::string& error) {
    // A folder nobody but SYSTEM and the administrators may enter, under a name nobody can
    // guess: the copy cannot be swapped before it starts, nor anything planted beside it.
    std::optional<TPrivateFolder> folder = TPrivateFolder::Make(kCopyFolderPrefix, error);
    if (!folder) return false;
    const std::string copy = folder->Path() + "\\" + kUninstallerName;
    // The original is read once, through a handle that lets nobody change or rename it
    // meanwhile: the copy is made of these bytes, and their hash is the original's.
    const UniqueHandle originalFile(CreateFileA(ownProgram.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr));
    // The uninstaller is a program of some megabytes at most.
    constexpr size_t kLimit = 256u << 20;
    std::string original, copied;
    if (!ReadWholeFile(originalFile.get(), kLimit, original, error)) return false;
    if (!WriteNewFile(copy, original)) {
        error = SysErrorMessage(GetLastError());
        return false;
    }
    // The copy inherits a handle that deletes its file once the copy has ended and the
    // handle is closed with the process. Held without write sharing, it also keeps the file
    // as checked until the copy has started.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const UniqueHandle deleteOnClose(
        CreateFileA(copy.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                    &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!ReadWholeFile(deleteOnClose.get(), kLimit, copied, error) ||
        Sha256Hex(copied) != Sha256Hex(original)) {
        error = "копия программы удаления не совпадает с ней";
        return false;
    }
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE, TRUE, 0);
    const UniqueHandle ownProcess(self);
    std::string commandLine = "\"" + copy + "\" " + kCleanupSwitch + " " +
                              std::to_string(reinterpret_cast<uintptr_t>(self)) + " \"" +
                              ownProgram + "\"" + (silent ? " /S" : "");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Started by its full path, and not in its own folder, which it must be able to remove.
    const std::string current = SystemFolderPath();
    if (!self || !CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                 nullptr, current.c_str(), &startup, &process)) {
        error = SysErrorMessage(GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    folder->Keep();  // the copy removes it
    return true;
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
    if (const auto parent =
            TGuardedFolder::Open(ExtractFilePath(installDir), TFolderWay::Followed, error);
        removed && parent)
        DeleteBelow(*parent, ExtractFileName(installDir), true, error);
    if (!removed && !silent)
        ShowNotice("Не удалось удалить программу удаления\r" + originalProgram);

    // Out of its own folder (a rename, which the system allows for a running program on the
    // same drive), so that the folder can go now; the file itself goes when the inherited
    // handle closes at the end of this process, or else at the next restart.
    const std::string own = ProgramPath();
    const std::string ownFolder = ExcludeTrailingBackslash(ExtractFilePath(own));
    // Beside its folder, under a name nobody can guess (and one taken all the same is never
    // replaced).
    const std::string parked =
        ExtractFilePath(ownFolder) + "~unregmvt-" + SystemRandomHex(8) + ".tmp";
    if (MoveFileExA(own.c_str(), parked.c_str(), 0)) {
        RemoveDirectoryA(ownFolder.c_str());
        MoveFileExA(parked.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
        MoveFileExA(own.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        MoveFileExA(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return removed ? 0 : 1;
}

}  // namespace mvt::uninstall

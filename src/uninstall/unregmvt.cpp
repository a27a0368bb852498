// unregmvt.exe: removes an installed Morvath Trilogy. It lies in the install directory,
// started from the program group's shortcut or from the system's list of installed
// software.
//
//   unregmvt.exe                     asks once, removes, then says what happened
//   unregmvt.exe /S (or /SILENT, /VERYSILENT)
//                                    removes without asking and without any window
//   /LOG, /LOG="file"                a log of what it removed and left (uninstall_log.h)
//
// Exit code: 0 everything the installation made is gone (the install directory itself
// stays only when the user's own files are in it); 1 something could not be removed (the
// installation stays registered and this program with it, so that running it again once
// the file is free finishes the removal);
// 2 refused, nothing removed (no usable list of installed files, or the program lies at a
// drive's root); 3 the user chose not to remove. The program's own file and the install
// directory go after it has ended, through a copy of it (self_removal.h).
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/process_mitigation.h"
#include "framework/sysutils.h"
#include "framework/system_library.h"
#include "uninstall/removal.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstall_dialogs.h"
#include "uninstall/uninstall_log.h"

using namespace mvt;
using namespace mvt::uninstall;

namespace {

enum ExitCode { kRemoved = 0, kIncomplete = 1, kRefused = 2, kDeclined = 3 };

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) {
        const int size = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
}

int Uninstall(const UninstallSwitches& switches) {
    const bool silent = switches.silent;
    const std::string own = ProgramPath();
    const std::string installDir = ExcludeTrailingBackslash(ExtractFilePath(own));
    install::InstallLog log;
    if (!OpenUninstallLog(switches, log)) {
        if (!silent) ShowNotice("Не удаётся создать журнал удаления\r" + switches.logFile + ".");
        return kRefused;
    }
    LogUninstallStart(log, installDir);
    const Preparation preparation = PrepareUninstall(installDir);
    if (!preparation.ok) {
        if (!silent) ShowNotice(preparation.refusal);
        log.WriteEnd("удаление не начато: " + preparation.refusal, kRefused);
        return kRefused;
    }
    if (!silent && !AskToRemove()) {
        log.WriteEnd("пользователь отказался от удаления", kDeclined);
        return kDeclined;
    }
    Screen().SetCursor(crHourGlass);
    RemovalReport report = RemoveInstallation(preparation.input, own);
    std::string error;
    // Left unfinished, the program stays, to be run again once what is left is free.
    bool cleanupStarted = false;
    if (report.Complete()) {
        cleanupStarted = StartCleanupCopy(own, silent, error);
        if (!cleanupStarted) report.failures.push_back(own + ": " + error);
    }
    Screen().SetCursor(crDefault);
    LogRemoval(log, report);
    if (cleanupStarted)
        log.Write("Программа удаления " + own +
                  " и пустой каталог установки удаляются после её "
                  "завершения");
    const int code = report.Complete() ? kRemoved : kIncomplete;
    log.WriteEnd(ReportText(report), code);
    if (!silent) ShowNotice(ReportText(report));
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The first act, as in every program of the package: no DLL from beside the program or
    // from the current folder.
    RestrictDllSearchToSystemFolder();
    // Where the system offers it, junctions made by other users are not followed at all.
    EnforceRedirectionTrust();
    const std::vector<std::string> args = Arguments();
    const UninstallSwitches switches = ReadUninstallSwitches(args);
    const bool silent = switches.silent;
    try {
        Application().SetTitle("Удаление Трилогии Морвата");
        if (!silent) LoadTypeface();
        int code;
        if (args.size() >= 3 && args[0] == kCleanupSwitch) {
            const auto handle = reinterpret_cast<HANDLE>(
                static_cast<uintptr_t>(std::strtoull(args[1].c_str(), nullptr, 10)));
            code = RunCleanup(handle, args[2], silent);
        } else {
            code = Uninstall(switches);
        }
        Application().Shutdown();
        return code;
    } catch (const std::exception& error) {
        if (!silent) Application().ShowException(error);
        return kIncomplete;
    }
}

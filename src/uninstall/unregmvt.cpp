// unregmvt.exe: removes an installed Morvath Trilogy. It lies in the install directory,
// started from the program group's shortcut or from the system's list of installed
// software.
//
//   unregmvt.exe        asks once, removes, then says what happened
//   unregmvt.exe /S     removes without asking and without any window
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

bool IsSwitch(const std::string& arg, const char* name) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, arg.c_str(), -1, name, -1) ==
           CSTR_EQUAL;
}

int Uninstall(bool silent) {
    const std::string own = ProgramPath();
    const Preparation preparation =
        PrepareUninstall(ExcludeTrailingBackslash(ExtractFilePath(own)));
    if (!preparation.ok) {
        if (!silent) ShowNotice(preparation.refusal);
        return kRefused;
    }
    if (!silent && !AskToRemove()) return kDeclined;
    Screen().SetCursor(crHourGlass);
    RemovalReport report = RemoveInstallation(preparation.input, own);
    std::string error;
    // Left unfinished, the program stays to be run again.
    if (report.Complete() && !StartCleanupCopy(own, silent, error))
        report.failures.push_back(own + ": " + error);
    Screen().SetCursor(crDefault);
    if (!silent) ShowNotice(ReportText(report));
    return report.Complete() ? kRemoved : kIncomplete;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The first act, as in every program of the package: no DLL from beside the program or
    // from the current folder.
    RestrictDllSearchToSystemFolder();
    // Where the system offers it, junctions made by other users are not followed at all.
    EnforceRedirectionTrust();
    const std::vector<std::string> args = Arguments();
    bool silent = false;
    for (const std::string& arg : args) silent = silent || IsSwitch(arg, "/S");
    try {
        Application().SetTitle("Удаление Трилогии Морвата");
        if (!silent) LoadTypeface();
        int code;
        if (args.size() >= 3 && IsSwitch(args[0], kCleanupSwitch)) {
            const auto handle = reinterpret_cast<HANDLE>(
                static_cast<uintptr_t>(std::strtoull(args[1].c_str(), nullptr, 10)));
            code = RunCleanup(handle, args[2], silent);
        } else {
            code = Uninstall(silent);
        }
        Application().Shutdown();
        return code;
    } catch (const std::exception& error) {
        if (!silent) Application().ShowException(error);
        return kIncomplete;
    }
}

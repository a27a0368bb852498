// The seal's format, shared by the setup that writes it (installation_seal.h) and the
// uninstaller that checks what it finds against it: where each installation's seal lies
// below the uninstall entry (HKEY_LOCAL_MACHINE, 32-bit view, where only administrators can
// write), its value names, the text the shortcut list's hash is taken of, and the uninstall
// command. No code to link.
#pragma once

#include <string>
#include <vector>

#include "install/record_names.h"

namespace mvt::install {

// Every installation keeps a seal of its own, one subkey per install directory: the uninstall
// entry itself belongs to the latest installation, and an earlier one in another folder must
// still be able to prove its lists and remove itself. The subkey is named by the directory
// with '/' for '\' (a key name cannot hold '\', and Windows reads '/' in a path as '\'), so
// that the installation of a given folder is found from the folder alone; registry names
// compare without regard to case, as Windows paths do.
inline const std::string kInstallationsKey = std::string(kUninstallKey) + "\\Installations";
inline std::string SealKey(std::string installDir) {
    while (!installDir.empty() && installDir.back() == '\\') installDir.pop_back();
    for (char& c : installDir)
        if (c == '\\') c = '/';
    return kInstallationsKey + "\\" + installDir;
}

// SHA-256 (64 lower-case hex digits) of "unregmvt.lst" as the installation left it.
constexpr char kInstalledFilesHashValue[] = "InstalledFilesSha256";
// SHA-256 of ShortCutsText() of the section "ShortCuts" the installation wrote.
constexpr char kShortCutsHashValue[] = "ShortCutsSha256";
// The program group folder and the all-users desktop folder, each only when a shortcut was
// made in it: the only places the uninstaller removes shortcuts from.
constexpr char kProgramGroupValue[] = "ProgramGroupFolder";
constexpr char kDesktopValue[] = "DesktopFolder";
// REG_DWORD: bit n set when the installation made kGameFolders[n] (it was not there before).
constexpr char kGameFoldersValue[] = "GameFoldersMade";

constexpr char kInstalledFilesFile[] = "unregmvt.lst";
constexpr char kUninstallerProgram[] = "unregmvt.exe";

// One line of the section "ShortCuts".
struct ShortcutEntry {
    std::string key;       // "ShCut#<n>"
    std::string linkFile;  // the full path written
};

// The text the shortcut list's hash is taken of: "<key>=<link file>\r\n" for each entry, in
// the order written.
inline std::string ShortCutsText(const std::vector<ShortcutEntry>& entries) {
    std::string text;
    for (const ShortcutEntry& entry : entries) text += entry.key + "=" + entry.linkFile + "\r\n";
    return text;
}

// The uninstall command as registered: the uninstaller's full path in double quotes, so that
// a blank in the path cannot make the system start a program planted higher up.
inline std::string UninstallCommand(const std::string& installDir) {
    return "\"" + installDir + "\\" + kUninstallerProgram + "\"";
}

}  // namespace mvt::install

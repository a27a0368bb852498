// The seal's format, shared by the setup that writes it (installation_seal.h) and the
// uninstaller that checks what it finds against it: the value names under the uninstall
// entry (HKEY_LOCAL_MACHINE, 32-bit view, where only administrators can write), the text the
// shortcut list's hash is taken of, and the uninstall command. No code to link.
#pragma once

#include <string>
#include <vector>

namespace mvt::install {

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

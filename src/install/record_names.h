// The names of what the installation leaves on the system, shared by the stages that write
// them and the uninstaller that removes them: registry keys (32-bit view of
// HKEY_LOCAL_MACHINE), the uninstall list and the game settings file in the install
// directory.
#pragma once

namespace mvt::install {

// Records 1 to 3: the product keys, made without values.
constexpr const char* kProductKeys[] = {
    "SOFTWARE\\Quillfen\\Veilspire\\1.00.000",
    "SOFTWARE\\Quillfen Corp\\Morvath II Duskmere\\1.00.000",
    "SOFTWARE\\Quillfen Corp\\Morvath(TM) II - Veilspire (TM)\\1.00.000",
};
constexpr char kGameAppPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MV2Main.Exe";
constexpr char kRestoreAppPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MV2Main.Exe\\MV2Restore";
constexpr char kMainAppPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MVMain.exe";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MVT";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

constexpr char kUninstallListFile[] = "unreglst.ini";
constexpr char kShortCutsSection[] = "ShortCuts";
constexpr char kGameSettingsFile[] = "morvath.ini";

}  // namespace mvt::install

// What the installation leaves on the system, named and tabled once: the stages that write
// it, the check that verifies it and the repair that puts back what is missing, and the
// uninstaller that removes it all read these. Registry keys (32-bit view of
// HKEY_LOCAL_MACHINE), their values, the shortcuts, the uninstall list and the game settings
// file with its keys. Plain data, no code to link.
#pragma once

#include <cstring>
#include <span>
#include <string>
#include <vector>

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
constexpr char kUninstallerProgram[] = "unregmvt.exe";

// ---- registry values ----------------------------------------------------------------------

// How a value's data follows from the install directory D (no trailing backslash).
enum class RecordData {
    Text,                   // `text` as it stands
    Number,                 // `number`, as REG_DWORD
    Folder,                 // "D\"
    InstallDirectory,       // "D"
    MainProgram,            // "D\MVMain.exe"
    GameProgram,            // "D\morvath.exe"
    UninstallCommand,       // "\"D\unregmvt.exe\"": quoted, so that a blank in D cannot make
                            // the system start a program planted higher up
    QuietUninstallCommand,  // the same followed by " /S"
    Kilobytes,              // REG_DWORD: kilobytes of the install directory, measured then
};

struct RegistryRecord {
    const char* key;
    const char* name;
    RecordData data;
    const char* text = nullptr;
    int number = 0;
    // The value that tells whose the key is: after an installation elsewhere it names that
    // one, and the key is left to it.
    bool names = false;
};

// Records 4 to 6, in the order the registry stage writes them.
constexpr RegistryRecord kAppPathRecords[] = {
    {kGameAppPath, "Install", RecordData::Folder, nullptr, 0, true},
    {kGameAppPath, "Path", RecordData::Folder},
    {kGameAppPath, "MV25_INSTALL", RecordData::Text, "true"},
    {kGameAppPath, "MV25GUID", RecordData::Text, "{5D2E91A0-4C7B-11D5-A3F0-00104B7E2C91}"},
    {kGameAppPath, "MV25Tag", RecordData::Text, "Morvath Trilogy"},
    {kGameAppPath, "MV25Version", RecordData::Number, nullptr, 2500},
    {kGameAppPath, "MV2Location", RecordData::Folder},
    {kGameAppPath, "MV25Language", RecordData::Text, "English"},
    // All three hold the main program's path, which is what the game's tools expect here.
    {kRestoreAppPath, "DisplayName", RecordData::MainProgram, nullptr, 0, true},
    {kRestoreAppPath, "LogFile", RecordData::MainProgram},
    {kRestoreAppPath, "UninstallString", RecordData::MainProgram},
    {kMainAppPath, "Path", RecordData::Folder, nullptr, 0, true},
};

// Record 7, the uninstall registration, written after the uninstall shortcut; then what the
// system's list of installed programs and deployment tools read beyond name and command.
constexpr RegistryRecord kUninstallRecords[] = {
    {kUninstallKey, "DisplayName", RecordData::Text, "Трилогия Морвата"},
    {kUninstallKey, "UninstallString", RecordData::UninstallCommand, nullptr, 0, true},
};
constexpr RegistryRecord kUninstallDetailRecords[] = {
    {kUninstallKey, "QuietUninstallString", RecordData::QuietUninstallCommand},
    {kUninstallKey, "DisplayIcon", RecordData::GameProgram},
    {kUninstallKey, "DisplayVersion", RecordData::Text, "2.5"},  // 2500 in the game's own key
    {kUninstallKey, "Publisher", RecordData::Text, "Quillfen Corp"},
    {kUninstallKey, "InstallLocation", RecordData::InstallDirectory},
    {kUninstallKey, "EstimatedSize", RecordData::Kilobytes},
    {kUninstallKey, "NoModify", RecordData::Number, nullptr, 1},
    {kUninstallKey, "NoRepair", RecordData::Number, nullptr, 1},
};

// Every value the installation registers, table by table.
constexpr std::span<const RegistryRecord> kRecordTables[] = {kAppPathRecords, kUninstallRecords,
                                                             kUninstallDetailRecords};

// The value of `key` that tells whose the key is; null for a key without one.
inline const RegistryRecord* NamingRecord(const char* key) {
    for (std::span<const RegistryRecord> table : kRecordTables)
        for (const RegistryRecord& record : table)
            if (record.names && std::strcmp(record.key, key) == 0) return &record;
    return nullptr;
}

// The product keys with the parents the registry stage makes for them below "SOFTWARE", each
// once, every parent before its subkeys.
inline std::vector<std::string> ProductKeyLevels() {
    std::vector<std::string> levels;
    for (const std::string key : kProductKeys)
        for (size_t cut = key.find('\\', sizeof "SOFTWARE");; cut = key.find('\\', cut + 1)) {
            const std::string level = key.substr(0, cut);
            bool known = false;
            for (const std::string& seen : levels) known = known || seen == level;
            if (!known) levels.push_back(level);
            if (cut == std::string::npos) break;
        }
    return levels;
}

// The uninstall command as registered.
inline std::string UninstallCommand(const std::string& installDir) {
    return "\"" + installDir + "\\" + kUninstallerProgram + "\"";
}

// A text value's data for installDir (empty for the two numeric kinds).
inline std::string RecordText(const RegistryRecord& record, const std::string& installDir) {
    switch (record.data) {
        case RecordData::Text:
            return record.text;
        case RecordData::Folder:
            return installDir + "\\";
        case RecordData::InstallDirectory:
            return installDir;
        case RecordData::MainProgram:
            return installDir + "\\MVMain.exe";
        case RecordData::GameProgram:
            return installDir + "\\morvath.exe";
        case RecordData::UninstallCommand:
            return UninstallCommand(installDir);
        case RecordData::QuietUninstallCommand:
            return UninstallCommand(installDir) + " /S";
        case RecordData::Number:
        case RecordData::Kilobytes:
            break;
    }
    return {};
}

inline bool IsNumberRecord(const RegistryRecord& record) {
    return record.data == RecordData::Number || record.data == RecordData::Kilobytes;
}

// ---- shortcuts ---------------------------------------------------------------------------

enum class ShortcutFolder { Group, Desktop };

// One shortcut, in the order the program group stage makes them: its key in the uninstall
// list, the folder it goes into, its file name there and its target's name in the install
// directory (working folder: the install directory).
struct ShortcutRecord {
    const char* key;
    ShortcutFolder folder;
    const char* link;
    const char* target;
    bool uninstaller = false;  // made only with the uninstaller
};
constexpr ShortcutRecord kShortcutRecords[] = {
    {"ShCut#1", ShortcutFolder::Group, "Запуск Трилогии Морвата.lnk", "morvath.exe"},
    {"ShCut#2", ShortcutFolder::Group, "Настройка параметров.lnk", "MVConfig.exe"},
    {"ShCut#3", ShortcutFolder::Group, "Просмотр файла персонажа.lnk", "PartyLens.exe"},
    {"ShCut#4", ShortcutFolder::Group, "Руководство пользователя.lnk", "Morvath 2 manual.pdf"},
    {"ShCut#5", ShortcutFolder::Desktop, "Запуск Трилогии Морвата.lnk", "morvath.exe"},
    {"ShCut#6", ShortcutFolder::Group, "Удаление Трилогии Морвата.lnk", kUninstallerProgram, true},
};

// ---- the game settings file --------------------------------------------------------------

// One of the 17 values of "morvath.ini", in the order written; a null value is the install
// directory followed by a backslash.
struct SettingsRecord {
    const char* section;
    const char* key;
    const char* value;
};
constexpr SettingsRecord kSettingsRecords[] = {
    {"Program Options", "Installing", "0"},
    {"Program Options", "Install Type", "2"},
    {"Game Options", "Memory Access", "100"},
    {"Game Options", "Memory Level", "1"},
    {"Game Options", "Never Show Nuisance DKM", "1"},
    {"Game Options", "Never Show Nuisance", "1"},
    {"Game Options", "Environmental Audio", "0"},
    {"Game Options", "Footsteps", "1"},
    {"Local", "Language", "English"},
    {"Local", "Language25", "English"},
    // The hard-disk alias and the five disc aliases all point at the install directory.
    {"Alias", "HD0:", nullptr},
    {"Alias", "CD1:", nullptr},
    {"Alias", "CD2:", nullptr},
    {"Alias", "CD3:", nullptr},
    {"Alias", "CD4:", nullptr},
    {"Alias", "CD5:", nullptr},
    {"GameSpy", "Enabled", "1"},
};

inline std::string SettingsValue(const SettingsRecord& record, const std::string& installDir) {
    return record.value ? std::string(record.value) : installDir + "\\";
}

}  // namespace mvt::install

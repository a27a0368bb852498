#include "install/program_group.h"

#include "install/record_names.h"
#include "install/registry_records.h"
#include "install/uninstall_details.h"

namespace mvt::install {

namespace {

constexpr char kShellFolders[] =
    "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kSetupFiles[] = "SetupFiles";
constexpr char kUninstallerCaption[] = "Установка деинсталлятора...";

// A shell folder value of the key above, the key opened without creating it; empty when
// the key or the value is missing.
std::string ReadShellFolder(TRegistry& registry, HKEY root, const char* name) {
    registry.SetRootKey(root);
    registry.CloseKey();
    std::string folder = registry.OpenKey(kShellFolders, false) ? registry.ReadString(name) : "";
    registry.CloseKey();
    return folder;
}

// A folder that links can go into: an absolute path on a drive ("C:\...") or a network share
// ("\\server\share"). A missing (empty) or relative shell folder value would put the program
// group or the desktop link at the root of the current drive; those links are left out
// instead, and so are their entries in the uninstall list.
bool IsAbsoluteFolder(const std::string& path) {
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
    return path.size() > 2 && path[0] == '\\' && path[1] == '\\';
}

// The options screen refuses separators and the other characters Windows forbids in names
// when they are typed, but pasted text is not filtered. A name holding them, or made only of
// dots and blanks ("..") would put the links outside the programs folder: such a group is
// not made.
bool IsPlainFolderName(const std::string& name) {
    return name.find_first_of("/\\:*?\"<>|") == std::string::npos &&
           name.find_first_not_of(". ") != std::string::npos;
}

class ShortcutMaker {
  public:
    ShortcutMaker(TIniFile& uninstallList, LinkObjects& links, std::vector<ShortcutEntry>& written)
        : uninstallList_(uninstallList), links_(links), written_(written) {}

    // The key goes into the list even when the link could not be saved: the link object
    // does not say, and the uninstaller skips files that are not there.
    void Make(const PlannedShortcut& shortcut) {
        MakeShortcutFile(shortcut, links_);
        uninstallList_.WriteString(kShortCutsSection, shortcut.record->key, shortcut.linkFile);
        written_.push_back({shortcut.record->key, shortcut.linkFile});
    }

  private:
    TIniFile& uninstallList_;
    LinkObjects& links_;
    std::vector<ShortcutEntry>& written_;  // every entry of the section, for the seal
};

}  // namespace

TGuardedIniFile OpenUninstallList(const std::string& installDir) {
    TGuardedIniFile list(installDir, kUninstallListFile);
    list.EraseSection(kSetupFiles);
    list.EraseSection(kShortCutsSection);
    return list;
}

ProgramGroupChoices ChosenProgramGroup(const std::string& installDir,
                                       const WizardChoices& choices) {
    ProgramGroupChoices group;
    group.installDir = installDir;
    group.groupName = choices.ProgramGroupName();
    group.programGroup = choices.ProgramGroupChosen();
    group.desktopShortcut = choices.DesktopShortcutChosen();
    group.uninstaller = choices.UninstallerChosen();
    return group;
}

std::vector<PlannedShortcut> PlannedShortcuts(const std::string& installDir,
                                              const std::string& group, const std::string& desktop,
                                              bool uninstaller) {
    std::vector<PlannedShortcut> planned;
    for (const ShortcutRecord& record : kShortcutRecords) {
        const std::string& folder = record.folder == ShortcutFolder::Group ? group : desktop;
        if (folder.empty() || (record.uninstaller && !uninstaller)) continue;
        planned.push_back({&record, folder + "\\" + record.link, installDir + "\\" + record.target,
                           installDir + "\\"});
    }
    return planned;
}

void MakeShortcutFile(const PlannedShortcut& shortcut, LinkObjects& links) {
    links.Keep(MakeShellLink(shortcut.target, "", shortcut.workingFolder, shortcut.linkFile));
}

std::vector<ShortcutEntry> SealedShortcutEntries(const std::string& installDir,
                                                 const StoredSeal& seal) {
    std::vector<ShortcutEntry> entries;
    for (const PlannedShortcut& shortcut :
         PlannedShortcuts(installDir, seal.groupFolder, seal.desktopFolder, true))
        entries.push_back({shortcut.record->key, shortcut.linkFile});
    return entries;
}

ShortcutPlaces PlanShortcuts(TRegistry& registry, const ProgramGroupChoices& choices) {
    ShortcutPlaces places;
    const std::string programs = ReadShellFolder(registry, HKEY_CURRENT_USER, "Programs");
    if (choices.programGroup && IsAbsoluteFolder(programs) && IsPlainFolderName(choices.groupName))
        places.group = programs + "\\" + choices.groupName;
    const std::string desktop = ReadShellFolder(registry, HKEY_LOCAL_MACHINE, "Common Desktop");
    if (choices.desktopShortcut && IsAbsoluteFolder(desktop)) places.desktop = desktop;
    for (const PlannedShortcut& shortcut :
         PlannedShortcuts(choices.installDir, places.group, places.desktop, choices.uninstaller)) {
        const bool inGroup = shortcut.record->folder == ShortcutFolder::Group;
        (inGroup ? places.groupLinks : places.desktopLinks).push_back(shortcut.record->link);
    }
    return places;
}

void MakeProgramGroup(TRegistry& registry, const ProgramGroupChoices& choices,
                      TIniFile& uninstallList, LinkObjects& links, StageDisplay& display,
                      InstallationSeal& seal) {
    const ShortcutPlaces places = PlanShortcuts(registry, choices);
    // Whether the folder could be made is not looked at: links in a missing folder are
    // simply not saved.
    if (!places.group.empty()) ForceDirectories(places.group);
    seal.groupFolder = places.group;
    seal.desktopFolder = places.desktop;

    ShortcutMaker shortcuts(uninstallList, links, seal.shortcuts);
    const std::vector<PlannedShortcut> planned =
        PlannedShortcuts(choices.installDir, places.group, places.desktop, choices.uninstaller);
    for (const PlannedShortcut& shortcut : planned)
        if (!shortcut.record->uninstaller) shortcuts.Make(shortcut);
    if (choices.uninstaller) {
        display.SetStatusCaption(kUninstallerCaption);
        display.ProcessMessages();
        for (const PlannedShortcut& shortcut : planned)
            if (shortcut.record->uninstaller) shortcuts.Make(shortcut);
        WriteUninstallRegistration(registry, choices.installDir, seal);
        WriteUninstallDetails(registry, choices.installDir);
    }
}

}  // namespace mvt::install

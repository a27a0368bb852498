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
constexpr char kStartLink[] = "\\Запуск Трилогии Морвата.lnk";

struct GroupShortcut {
    int number;
    const char* link;
    const char* target;
};
constexpr GroupShortcut kGroupShortcuts[] = {
    {1, kStartLink, "\\morvath.exe"},
    {2, "\\Настройка параметров.lnk", "\\MVConfig.exe"},
    {3, "\\Просмотр файла персонажа.lnk", "\\PartyLens.exe"},
    {4, "\\Руководство пользователя.lnk", "\\Morvath 2 manual.pdf"},
};
constexpr GroupShortcut kDesktopShortcut = {5, kStartLink, "\\morvath.exe"};
constexpr GroupShortcut kUninstallShortcut = {6, "\\Удаление Трилогии Морвата.lnk",
                                              "\\unregmvt.exe"};

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
    ShortcutMaker(const std::string& installDir, TIniFile& uninstallList, LinkObjects& links,
                  std::vector<ShortcutEntry>& written)
        : installDir_(installDir),
          uninstallList_(uninstallList),
          links_(links),
          written_(written) {}

    // The key goes into the list even when the link could not be saved: the link object
    // does not say, and the uninstaller skips files that are not there.
    void Make(const std::string& folder, const GroupShortcut& shortcut) {
        const std::string linkFile = folder + shortcut.link;
        links_.Keep(MakeShellLink(installDir_ + shortcut.target, "", installDir_ + "\\", linkFile));
        const std::string key = "ShCut#" + std::to_string(shortcut.number);
        uninstallList_.WriteString(kShortCutsSection, key, linkFile);
        written_.push_back({key, linkFile});
    }

  private:
    const std::string& installDir_;
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

ShortcutPlaces PlanShortcuts(TRegistry& registry, const ProgramGroupChoices& choices) {
    ShortcutPlaces places;
    const std::string programs = ReadShellFolder(registry, HKEY_CURRENT_USER, "Programs");
    if (choices.programGroup && IsAbsoluteFolder(programs) &&
        IsPlainFolderName(choices.groupName)) {
        places.group = programs + "\\" + choices.groupName;
        for (const GroupShortcut& shortcut : kGroupShortcuts)
            places.groupLinks.push_back(shortcut.link + 1);
        if (choices.uninstaller) places.groupLinks.push_back(kUninstallShortcut.link + 1);
    }
    const std::string desktop = ReadShellFolder(registry, HKEY_LOCAL_MACHINE, "Common Desktop");
    if (choices.desktopShortcut && IsAbsoluteFolder(desktop)) {
        places.desktop = desktop;
        places.desktopLinks.push_back(kDesktopShortcut.link + 1);
    }
    return places;
}

void MakeProgramGroup(TRegistry& registry, const ProgramGroupChoices& choices,
                      TIniFile& uninstallList, LinkObjects& links, StageDisplay& display,
                      InstallationSeal& seal) {
    const ShortcutPlaces places = PlanShortcuts(registry, choices);
    const std::string& group = places.group;
    // Whether the folder could be made is not looked at: links in a missing folder are
    // simply not saved.
    if (!group.empty()) ForceDirectories(group);

    ShortcutMaker shortcuts(choices.installDir, uninstallList, links, seal.shortcuts);
    if (!group.empty()) {
        seal.groupFolder = group;
        for (const GroupShortcut& shortcut : kGroupShortcuts) shortcuts.Make(group, shortcut);
    }
    if (!places.desktop.empty()) {
        seal.desktopFolder = places.desktop;
        shortcuts.Make(places.desktop, kDesktopShortcut);
    }
    if (choices.uninstaller) {
        display.SetStatusCaption(kUninstallerCaption);
        display.ProcessMessages();
        if (!group.empty()) shortcuts.Make(group, kUninstallShortcut);
        WriteUninstallRegistration(registry, choices.installDir, seal);
        WriteUninstallDetails(registry, choices.installDir);
    }
}

}  // namespace mvt::install

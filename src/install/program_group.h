// The Start-menu program group with the game's shortcuts, the optional desktop and
// uninstall shortcuts, and the uninstall list "unreglst.ini" that names every shortcut
// made, so that the uninstaller can remove them.
#pragma once

#include <string>
#include <vector>

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "install/installation_seal.h"
#include "install/shell_link.h"
#include "install/stage_host.h"

namespace mvt::install {

struct ProgramGroupChoices {
    std::string installDir;
    std::string groupName;
    bool programGroup = true;  // the group folder and the shortcuts in it
    bool desktopShortcut = true;
    bool uninstaller = true;
};

// The program group stage's part of the user's choices for installDir.
ProgramGroupChoices ChosenProgramGroup(const std::string& installDir, const WizardChoices& choices);

// Where the program group stage puts its shortcuts, from the shell folders as it reads them:
// the program group folder with the names of the link files it gets (no folder when no group
// can be made) and the all-users desktop with its link (none without the desktop shortcut).
struct ShortcutPlaces {
    std::string group;
    std::vector<std::string> groupLinks;
    std::string desktop;
    std::vector<std::string> desktopLinks;
};
ShortcutPlaces PlanShortcuts(TRegistry& registry, const ProgramGroupChoices& choices);

// The uninstall list of an install directory with its sections "SetupFiles" and "ShortCuts"
// erased, as a run starts with it, held while the object lives and written through its
// checked handle only (TGuardedIniFile). Raises EIniFileException "Unable to write to
// <file>", also when the file is a link of any kind or has a second name.
TGuardedIniFile OpenUninstallList(const std::string& installDir);

// Creates the program group folder in the current user's programs folder and the
// shortcuts, writing each one's path under "ShCut#<n>" into section "ShortCuts" of the
// uninstall list right after it; with the uninstaller, shows the uninstaller caption first
// and registers the uninstaller (record 7) after its shortcut. The link objects go into
// links. Reads the shell folders through registry. Raises what MakeShellLink, the uninstall
// list and the registry raise; nothing after the failing step is done.
// Each shortcut's entry, the group folder and the desktop folder used also go into `seal`,
// which the uninstall registration stores.
void MakeProgramGroup(TRegistry& registry, const ProgramGroupChoices& choices,
                      TIniFile& uninstallList, LinkObjects& links, StageDisplay& display,
                      InstallationSeal& seal);

}  // namespace mvt::install

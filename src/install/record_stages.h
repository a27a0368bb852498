// The last three stages of the installation run, in the run's order: registry records,
// program group and shortcuts, game settings file.
#pragma once

#include <string>

#include "framework/inifiles.h"
#include "install/installation_seal.h"
#include "install/shell_link.h"
#include "install/stage_host.h"

namespace mvt::install {

// Runs the registry, program group and settings stages for installDir, each after its status
// caption and a round of message processing, with the fixed pauses between them. The link
// objects made go into links (the run keeps them until it returns); the shortcuts are
// listed in uninstallList, which the run opened (OpenUninstallList) and closes afterwards.
// A refused write raises the framework's exception for it and ends the stages there.
// `seal` holds what the run recorded before (the game folders it made); the program group
// stage adds the shortcuts, and the uninstall registration stores it.
void RunRecordStages(const std::string& installDir, const WizardChoices& choices,
                     StageDisplay& display, TIniFile& uninstallList, LinkObjects& links,
                     InstallationSeal& seal);

}  // namespace mvt::install

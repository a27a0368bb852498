// The wizard's screens started with switches: /DIR, /GROUP, /NODESKTOP and /NOUNINSTALLER
// preset their controls; /SILENT shows the progress screen alone.
#pragma once

#include <functional>

#include "install/install_log.h"
#include "install/install_report.h"
#include "install/setup_switches.h"
#include "wizard/unattended_setup.h"

namespace wizard {

// Sets the destination screen's folder, the options screen's group name and toggles as
// the switches asked; the screens exist already.
void PresetScreens(const SwitchChoices& choices);

// Where the wizard's start-up lets a caller in: once the screens are made, and once the
// message loop has ended, while the screens still exist.
struct WizardHooks {
    std::function<void()> screensMade;
    std::function<void()> loopEnded;
};

// The whole wizard, its run logged; runWizard shows the screens, calls the hooks and
// returns when the program is to end. 2 when the installation never began, else the run's
// code.
mvt::install::ExitCode RunPresetWizard(const SwitchChoices& choices, mvt::install::InstallLog& log,
                                       const std::function<void(const WizardHooks&)>& runWizard);

// /SILENT: the progress screen alone shows the run; a close request leads to the cancel
// confirmation; no finish screen, no configuration program.
mvt::install::ExitCode InstallWithProgressScreen(const mvt::install::SetupSwitches& switches,
                                                 const SwitchChoices& choices,
                                                 mvt::install::InstallLog& log);

}  // namespace wizard

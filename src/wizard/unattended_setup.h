// The setup started with switches: the checks every switch's value must pass before
// anything is written, the log's opening lines, and the installation without the wizard's
// screens (with /VERYSILENT without any window).
#pragma once

#include <string>

#include "install/install_log.h"
#include "install/install_report.h"
#include "install/setup_switches.h"
#include "install/wizard_state.h"

namespace wizard {

// The choices an installation started with switches makes, checked.
struct SwitchChoices {
    std::string installDir;
    bool directoryGiven = false;  // by /DIR, not the wizard's default
    std::string groupName;
    bool desktopShortcut = true;
    bool uninstaller = true;
    std::string error;  // why the setup refuses to start; empty when it may
};

// The run's view of choices given by switches: fixed, never the configuration program.
// How the run ends and whether it is left early is the subclass's.
class SwitchChoicesState : public mvt::install::WizardState {
  public:
    explicit SwitchChoicesState(const SwitchChoices& choices) : choices_(choices) {}
    std::string InstallDirectory() const override { return choices_.installDir; }
    std::string ProgramGroupName() const override { return choices_.groupName; }
    bool DesktopShortcutChosen() const override { return choices_.desktopShortcut; }
    bool UninstallerChosen() const override { return choices_.uninstaller; }
    bool ConfigurationChosen() const override { return false; }

  private:
    const SwitchChoices& choices_;
};

// The install directory (the wizard's default without /DIR), the group (the options
// screen's default without /GROUP), the options; a directory that is not absolute, on a
// drive that does not exist or without the destination screen's room, a group name with
// nothing usable, or a medium missing a file make an error.
SwitchChoices CheckSwitchChoices(const mvt::install::SetupSwitches& switches);

// Opens the log the switches ask for; false when they ask for one that cannot be made.
bool OpenRequestedLog(const mvt::install::SetupSwitches& switches, mvt::install::InstallLog& log);

// The log's first lines: the program's version, the command line, the medium's folder
// and the Windows version.
void LogStart(mvt::install::InstallLog& log, const std::string& commandLine);

// The choices, one line each.
void LogChoices(mvt::install::InstallLog& log, const SwitchChoices& choices);

// A refusal to start: in the log and, unless the switches forbid boxes, in a message box.
mvt::install::ExitCode Refuse(const mvt::install::SetupSwitches& switches,
                              mvt::install::InstallLog& log, const std::string& text);

// The installation without the wizard's screens: /VERYSILENT with no window at all.
mvt::install::ExitCode InstallWithoutWindows(const SwitchChoices& choices,
                                             mvt::install::InstallLog& log);

// The help window for /? and /HELP (nothing with /VERYSILENT).
void ShowSwitchesHelp(const mvt::install::SetupSwitches& switches);

}  // namespace wizard

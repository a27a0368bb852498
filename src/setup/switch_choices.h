// The choices an installation started with switches makes, checked before anything is
// written, and the run's view of them.
#pragma once

#include <string>

#include "install/wizard_state.h"
#include "setup/setup_switches.h"

namespace mvt::setup {

struct SwitchChoices {
    std::string installDir;
    bool directoryGiven = false;  // by /DIR or the answers file, not the wizard's default
    std::string groupName;
    bool programGroup = true;
    bool desktopShortcut = true;
    bool uninstaller = true;
    bool noCancel = false;
    std::string answersFile;  // the file the answers were loaded from, if any
    std::string error;        // why the setup refuses to start; empty when it may
};

// The install directory (the wizard's default without /DIR), the group (the options
// screen's default without /GROUP), the program group and the tasks: first the defaults,
// then an answers file's (/LOADINF), then the command line's, so that the line wins. A
// directory that is not absolute, on a drive that does not exist or without the destination
// screen's room, a group name with nothing usable, an answers file that is missing or holds
// a wrong value, or a medium missing a file make an error.
SwitchChoices CheckSwitchChoices(const SetupSwitches& switches);

// The run's view of choices given by switches: fixed, never the configuration program, no
// finish screen. Whether the run is left early, and where a close request goes, is the
// subclass's.
class SwitchChoicesState : public install::WizardState {
  public:
    explicit SwitchChoicesState(const SwitchChoices& choices) : choices_(choices) {}
    std::string InstallDirectory() const override { return choices_.installDir; }
    std::string ProgramGroupName() const override { return choices_.groupName; }
    bool ProgramGroupChosen() const override { return choices_.programGroup; }
    bool DesktopShortcutChosen() const override { return choices_.desktopShortcut; }
    bool UninstallerChosen() const override { return choices_.uninstaller; }
    bool ConfigurationChosen() const override { return false; }
    void ShowFinishScreen(const install::InstallationOutcome&) override {}

  protected:
    const SwitchChoices& Choices() const { return choices_; }

  private:
    const SwitchChoices& choices_;
};

}  // namespace mvt::setup

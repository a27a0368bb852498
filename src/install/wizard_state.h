// What the installation needs of the wizard: the user's choices, which stay in the screens'
// controls, and the two ways back to the screens. The run reads each at the moment it needs
// it, so a choice is never copied ahead of time; the wizard implements this.
#pragma once

#include <string>
#include <vector>

#include "install/installation_outcome.h"
#include "install/stage_host.h"

namespace mvt::install {

class WizardState : public WizardChoices {
  public:
    virtual std::string InstallDirectory() const = 0;
    virtual bool ConfigurationChosen() const = 0;
    // The cancel mark: the user has decided to leave.
    virtual bool LeaveDecided() const = 0;
    // Folders made before the installation began (the wizard's destination screen makes
    // the folder it shows): those that are the install directory or hold it go when the
    // installation is undone.
    virtual std::vector<std::string> FoldersMadeBeforehand() const { return {}; }

    // Hands a close request to the main window's close query (the cancel confirmation).
    virtual void PassCloseRequest() = 0;
    // The finish screen, shown modally once the installation is done; it tells the truth
    // about what the outcome left out.
    virtual void ShowFinishScreen(const InstallationOutcome& outcome) = 0;
};

}  // namespace mvt::install

// The setup's exit codes, and the one an installation's outcome comes to. Window-free.
#pragma once

#include "install/installation_outcome.h"

namespace mvt::setup {

enum class ExitCode : int {
    Installed = 0,   // every file, record, link and settings file written
    Refused = 1,     // an unknown switch, a value that fails its check, an incomplete medium
    LeftWizard = 2,  // the user left the wizard before the installation began
    Failed = 4,      // a refused write, files not written, a missing or damaged archive
    Cancelled = 5    // the user cancelled during the installation
};

// The code for a run that got as far as outcome; stagesFailed: a record stage raised.
ExitCode ExitCodeFor(const install::InstallationOutcome& outcome, bool stagesFailed);

}  // namespace mvt::setup

// What every start of the setup that goes on to the wizard or an installation does first:
// the journals that runs of a killed setup left (install/installation_journal.h) are undone,
// or their completion finished, each told in the log; the wizard tells the user in a short
// notice before its welcome screen. And the log's account of a run undone in this start.
#pragma once

#include <string>
#include <vector>

#include "install/install_log.h"

namespace mvt::setup {

// Finishes what interrupted runs left; true when one of them was undone.
bool FinishInterruptedRuns(install::InstallLog& log);

// The wizard's notice that an interrupted installation was undone.
void ShowInterruptedRunNotice();

// That the run's changes were undone, and each that could not be put back.
void LogUndone(install::InstallLog& log, const std::vector<std::string>& failures);

}  // namespace mvt::setup

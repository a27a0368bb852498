// The installation log's first and last lines, however the setup was started.
#pragma once

#include <string>

#include "install/install_log.h"
#include "setup/exit_code.h"
#include "setup/setup_switches.h"
#include "setup/switch_choices.h"

namespace mvt::setup {

// Opens the log the switches ask for; false when they ask for one that cannot be made.
bool OpenRequestedLog(const SetupSwitches& switches, install::InstallLog& log);

// The program's version, the command line (without a password), the medium's folder and
// the Windows version; then each switch that does nothing here and each argument skipped.
void LogStart(install::InstallLog& log, const std::string& commandLine,
              const SetupSwitches& switches);

// The choices, one line each.
void LogChoices(install::InstallLog& log, const SwitchChoices& choices);

// The log's last two lines: how the setup ended in one line, then the exit code; returns
// code.
ExitCode EndLog(install::InstallLog& log, ExitCode code, const std::string& summary);

}  // namespace mvt::setup

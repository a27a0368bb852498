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

// The program's version, the command line, the medium's folder and the Windows version.
void LogStart(install::InstallLog& log, const std::string& commandLine);

// The choices, one line each.
void LogChoices(install::InstallLog& log, const SwitchChoices& choices);

// The log's last line; returns code.
ExitCode EndLog(install::InstallLog& log, ExitCode code);

}  // namespace mvt::setup

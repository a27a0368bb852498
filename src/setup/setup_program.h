// How the setup was started, decided once: without arguments the wizard exactly as it always
// was; with switches the checks of their values, then the wizard with presets, /SILENT's
// progress screen alone or /VERYSILENT without any window, each through one Installation.
#pragma once

#include <string>

namespace mvt::setup {

// Everything the command line asks for; the process's exit code.
int RunSetup(const std::string& commandLine);

}  // namespace mvt::setup

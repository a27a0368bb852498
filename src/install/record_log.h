// The log's account of what the record stages left on the system, read back once they
// have run: every value of the setup's registry keys, every shortcut of the uninstall list
// and the settings file.
#pragma once

#include <string>

#include "install/install_log.h"

namespace mvt::install {

void LogWrittenRecords(InstallLog& log, const std::string& installDir);

}  // namespace mvt::install

// The log's account of what a record stage left on the system, read back right after the
// stage: the values of the registry keys it writes, the shortcuts it listed in the uninstall
// list, the settings file.
#pragma once

#include <string>

#include "install/install_log.h"
#include "install/installation_outcome.h"
#include "install/stage_host.h"

namespace mvt::install {

void LogStageRecords(InstallLog& log, RecordStage stage, const std::string& installDir);

// Names the files that archives which could not be read at all left out, from the medium's
// list of installed files in installDir (install_report.h: UnreadArchiveLines); returns how
// many it named.
uint64_t LogUnreadArchiveFiles(InstallLog& log, const InstallationOutcome& outcome,
                               const std::string& installDir);

}  // namespace mvt::install

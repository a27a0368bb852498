// What an unattended caller makes of an installation: the log's lines for each archive and
// the exit code. Window-free.
#pragma once

#include <string>
#include <vector>

#include "install/installation_outcome.h"

namespace mvt::install {

// The setup's exit codes.
enum class ExitCode : int {
    Installed = 0,   // every file, record, link and settings file written
    Refused = 1,     // an unknown switch, a value that fails its check, an incomplete medium
    LeftWizard = 2,  // the user left the wizard before the installation began
    Failed = 4,      // a refused write, files not written, a missing or damaged archive
    Cancelled = 5    // the user cancelled during the installation
};

// The code for a run that got as far as outcome; stagesFailed: a record stage raised.
ExitCode ExitCodeFor(const InstallationOutcome& outcome, bool stagesFailed);

// The system's own text for a Win32 error code, without the line break at its end.
std::string SystemErrorText(unsigned long code);

// The Win32 error a write problem stands for (ERROR_DISK_FULL, ...), 0 for none.
unsigned long ProblemErrorCode(WriteProblem problem);

// The log's lines for one attempt at an archive: destination, entries, bytes on the
// medium, result and time; then the library's messages and each entry not written, and
// why, with the system's text. Figures never depend on the locale.
std::vector<std::string> ArchiveLogLines(const ArchiveOutcome& outcome, uint64_t archiveBytes,
                                         unsigned milliseconds);

}  // namespace mvt::install

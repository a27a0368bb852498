// The log's lines for each archive of an installation. Window-free.
#pragma once

#include <string>
#include <vector>

#include "install/installation_outcome.h"

namespace mvt::install {

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

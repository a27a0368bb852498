// The log's lines for each archive of an installation. Window-free.
#pragma once

#include <functional>
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

// The files that archives which could not be read at all would have installed, once the
// run has gone through every archive: each file of the medium's list (paths relative to
// installDir) that `installed` does not find, put to the unreadable archive whose
// destination holds it most closely. The missing entries of archives that were read are
// named with their archive's lines already and are not named again. One line per file;
// without a list (listedFiles empty), one line per unreadable archive saying that its files
// cannot be named.
std::vector<std::string> UnreadArchiveLines(
    const InstallationOutcome& outcome, const std::string& installDir,
    const std::vector<std::string>& listedFiles,
    const std::function<bool(const std::string&)>& installed);

}  // namespace mvt::install

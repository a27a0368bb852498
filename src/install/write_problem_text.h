// The words of the write-problem question and of the finish screen after an installation
// that left files out. Window-free, so the texts are checked without a screen.
#pragma once

#include <cstdint>
#include <string>

#include "install/installation_outcome.h"

namespace mvt::install {

// Megabytes of 2^20 bytes, cut (never rounded up) to two decimals with the user's decimal
// separator, followed by " Мб".
std::string MegabytesText(uint64_t bytes, char decimalSeparator);

// The drive or network share a folder lies on ("D:", "\\server\share").
std::string DriveOf(const std::string& folder);

// What happened and where, then what the user can do about it (the outcome's problem, the
// entry it blocks and the room left on the drive).
std::string WriteProblemText(const ArchiveOutcome& outcome, char decimalSeparator);

// The finish screen's lines below its headline after an incomplete installation.
std::string FinishErrorsText(const InstallationOutcome& outcome);

}  // namespace mvt::install

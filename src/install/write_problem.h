// Why the entries of an archive could not be written, found out on the destination itself
// once the library has given up on them: is the drive full, does another program hold a
// file, does a file or folder refuse writing. The answer decides whether the user is asked
// to remove the cause and try again.
#pragma once

#include <cstdint>
#include <string>

#include "install/installation_outcome.h"

namespace mvt::install {

// The free bytes the caller may use on the drive of folder; UINT64_MAX when the system
// cannot say (a full drive is then never concluded from it).
uint64_t FreeBytesAt(const std::string& folder);

// Fills the outcome's problem (None when no entry failed to be written, or when the cause
// is none of those the user can remove), the entry it blocks and the room left.
void DiagnoseWriteProblem(ArchiveOutcome& outcome);

}  // namespace mvt::install

// One archive unpacked into its destination with the zip component, as the installation
// run and the repair both do it: the archive's directory read on assigning its name, then
// whatever must happen before the library writes (the journal, the file specifications),
// then Extract, its outcome recorded and diagnosed; again for as long as a write problem
// is put to the user and the user removes it and asks to retry.
#pragma once

#include <functional>
#include <string>

#include "install/install_display.h"
#include "install/installation_outcome.h"
#include "install/installation_run.h"
#include "install/wizard_state.h"
#include "zip/zipunpacker.h"

namespace mvt::install {

struct UnpackingParts {
    zip::TZipUnpacker& unpacker;
    InstallDisplay& display;
    WizardState& wizard;
    ProgressState& progress;
};

// The last attempt's outcome. `beforeExtract` runs before each attempt once the archive's
// directory has been read (an archive that cannot be read unpacks nothing). A retry counts
// the archive's progress once: what the failed attempt added goes.
ArchiveOutcome UnpackArchive(const UnpackingParts& parts, const std::string& archive,
                             const std::string& destination,
                             const std::function<void()>& beforeExtract);

}  // namespace mvt::install

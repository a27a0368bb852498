#include "setup/exit_code.h"

namespace mvt::setup {

ExitCode ExitCodeFor(const install::InstallationOutcome& outcome, bool stagesFailed) {
    if (outcome.cancelled) return ExitCode::Cancelled;
    if (stagesFailed || !outcome.finished || !outcome.Complete()) return ExitCode::Failed;
    return ExitCode::Installed;
}

}  // namespace mvt::setup

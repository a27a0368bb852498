#include "install/archive_unpacking.h"

#include "install/outcome_recorder.h"
#include "install/write_problem.h"

namespace mvt::install {

namespace {

ArchiveOutcome UnpackOnce(zip::TZipUnpacker& unpacker, const std::string& archive,
                          const std::string& destination,
                          const std::function<void()>& beforeExtract) {
    ArchiveOutcome outcome;
    outcome.archive = archive;
    outcome.destination = destination;
    const OutcomeRecorder recorder(unpacker, outcome);
    unpacker.SetZipFileName(archive);
    unpacker.SetExtrBaseDir(destination);
    outcome.directoryRead = unpacker.DirectoryResult() == 0;
    if (outcome.directoryRead && beforeExtract) beforeExtract();
    // The component has told the user of any failure of its own, in its own way.
    outcome.result = unpacker.Extract();
    outcome.errorMessage = unpacker.ErrorMessage();
    recorder.Complete(outcome);
    DiagnoseWriteProblem(outcome);
    return outcome;
}

}  // namespace

ArchiveOutcome UnpackArchive(const UnpackingParts& parts, const std::string& archive,
                             const std::string& destination,
                             const std::function<void()>& beforeExtract) {
    const double doneBefore = parts.progress.DoneSize;
    for (;;) {
        ArchiveOutcome outcome = UnpackOnce(parts.unpacker, archive, destination, beforeExtract);
        parts.display.ArchiveFinished(outcome);
        const bool retry =
            outcome.problem != WriteProblem::None && !parts.wizard.LeaveDecided() &&
            parts.display.AskAboutWriteProblem(outcome) == WriteProblemAnswer::Retry &&
            !parts.wizard.LeaveDecided();
        if (!retry) return outcome;
        parts.progress.DoneSize = doneBefore;
    }
}

}  // namespace mvt::install

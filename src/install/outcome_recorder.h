// Collects what the zip component says about one archive while the run unpacks it: the
// library's error messages and every entry it skipped, with the reason and error code.
#pragma once

#include "install/installation_outcome.h"
#include "zip/zipunpacker.h"

namespace mvt::install {

// Hooks the component's OnMessage and OnExtractSkipped for its lifetime, passes every
// report on to the handlers that were set before (or, for a skipped entry with no handler,
// on as the message the component itself would have sent), and puts them back at the end.
class OutcomeRecorder {
  public:
    OutcomeRecorder(zip::TZipUnpacker& unpacker, ArchiveOutcome& outcome);
    ~OutcomeRecorder();
    OutcomeRecorder(const OutcomeRecorder&) = delete;
    OutcomeRecorder& operator=(const OutcomeRecorder&) = delete;

    // Once the archive is done: its file count and the missing entries' sizes, from the
    // archive's directory.
    void Complete(ArchiveOutcome& outcome) const;

  private:
    zip::TZipUnpacker& unpacker_;
    zip::TZipMessageEvent previousMessage_;
    zip::TZipExtractSkippedEvent previousSkipped_;
};

}  // namespace mvt::install

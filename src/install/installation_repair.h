// Putting back what a check found damaged or missing, and nothing else: the damaged files'
// entries only (the zip component's file specifications, one pass per archive), the missing
// folders, shortcuts, registry keys and values, the shortcut list's lines and the settings
// file's missing keys (a value there, the user's, is never overwritten). Files the user
// added stay. Every change is journaled first, as an installation's (installation_journal.h),
// and every write goes through the same checks as an installation's; a repair that is
// cancelled or fails is undone, the last change first.
#pragma once

#include <memory>
#include <string>

#include "install/install_display.h"
#include "install/install_log.h"
#include "install/installation_check.h"
#include "install/installation_journal.h"
#include "install/installation_outcome.h"
#include "install/installation_run.h"
#include "install/wizard_state.h"
#include "zip/zipunpacker.h"

namespace mvt::install {

struct RepairOutcome {
    InstallationOutcome unpacking;  // the archives unpacked again; cancelled, undone
    std::string failure;            // a write the system refused, for the log
    // The list of installed files the medium brought back is not the one the installation's
    // seal names: the medium is not the installation's.
    bool sealMismatch = false;
    bool repaired = false;  // everything put back, and kept

    bool Cancelled() const { return unpacking.cancelled; }
};

class RepairRun {
  public:
    RepairRun(const CheckReport& report, const MediumContents& medium, InstallDisplay& display,
              zip::TZipUnpacker& unpacker, ProgressState& progress, WizardState& wizard,
              InstallLog& log);

    // Puts back every damaged item of the report, the files first. Raises the registry's
    // "Failed to create key" when no journal can be kept (nothing was changed then).
    void Execute();
    const RepairOutcome& Outcome() const { return outcome_; }

  private:
    // False when the unpacking stopped: cancelled, or a file was not written.
    bool RepairFiles();
    void RepairRecords();
    void RepairFolders();
    void RepairRegistry();
    void RepairShortcuts();
    void RepairShortcutList();
    void RepairSettings();
    void Undo();

    const CheckReport& report_;
    const MediumContents& medium_;
    const std::string installDir_;
    InstallDisplay& display_;
    zip::TZipUnpacker& unpacker_;
    ProgressState& progress_;
    WizardState& wizard_;
    InstallLog& log_;
    std::unique_ptr<InstallationJournal> journal_;
    RepairOutcome outcome_;
};

}  // namespace mvt::install

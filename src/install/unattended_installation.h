// An installation without any window: a zip component of its own that shows no box
// (Unattended), a display that draws nothing, and the same run the progress screen runs.
#pragma once

#include <memory>

#include "install/install_log.h"
#include "install/installation_run.h"
#include "install/logging_display.h"

namespace mvt::install {

class UnattendedInstallation {
  public:
    // choices stands in for the wizard: the install directory, the group, the options, and
    // what happens at the end (no finish screen, usually).
    // The run's stages and archives go into log (when it has a file).
    explicit UnattendedInstallation(WizardState& choices, InstallLog* log = nullptr);

    // The component, for settings the caller may change (the library's folder).
    zip::TZipUnpacker& Unpacker() { return *unpacker_; }
    const ProgressState& Progress() const { return progress_; }

    // Raises the framework's exception when a record stage's write is refused.
    void Run();
    const InstallationOutcome& Outcome() const { return outcome_; }

  private:
    WizardState& choices_;
    std::unique_ptr<zip::TZipUnpacker> unpacker_;
    InstallLog noLog_;  // never opened: the log of a caller that keeps none
    SilentDisplay silent_;
    LoggingDisplay display_;
    ProgressState progress_;
    InstallationOutcome outcome_;
};

}  // namespace mvt::install

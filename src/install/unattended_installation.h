// An installation without any window: a zip component of its own that shows no box
// (Unattended), a display that draws nothing, and the same run the progress screen runs.
#pragma once

#include <memory>

#include "install/installation_run.h"

namespace mvt::install {

class UnattendedInstallation {
  public:
    // choices stands in for the wizard: the install directory, the group, the options, and
    // what happens at the end (no finish screen, usually).
    explicit UnattendedInstallation(WizardState& choices);

    // The component, for settings the caller may change (the library's folder).
    zip::TZipUnpacker& Unpacker() { return *unpacker_; }
    const ProgressState& Progress() const { return progress_; }

    void Run();

  private:
    WizardState& choices_;
    std::unique_ptr<zip::TZipUnpacker> unpacker_;
    SilentDisplay display_;
    ProgressState progress_;
};

}  // namespace mvt::install

#include "install/unattended_installation.h"

namespace mvt::install {

UnattendedInstallation::UnattendedInstallation(WizardState& choices, InstallLog* log)
    : choices_(choices),
      unpacker_(std::make_unique<zip::TZipUnpacker>(nullptr)),
      display_(silent_, log ? *log : noLog_) {
    ConfigureInstallUnpacker(*unpacker_);
    unpacker_->SetUnattended(true);
    unpacker_->OnItemProgress = [this](TObject*, const std::string& item, uint32_t totalSize,
                                       int perCent) {
        ShowItemProgress(progress_, display_, item, totalSize, perCent);
    };
    // Without it the component would service the application's windows after every
    // report, and so create the application's window; there is none to service here.
    unpacker_->OnCheckTerminate = [](TObject*, bool&) {};
}

void UnattendedInstallation::Run() {
    InstallationRun run(choices_, display_, *unpacker_, progress_);
    try {
        run.Execute();
    } catch (...) {
        outcome_ = run.Outcome();
        throw;
    }
    outcome_ = run.Outcome();
}

}  // namespace mvt::install

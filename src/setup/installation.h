// One installation, however the setup was started: the display it shows on (the progress
// screen, or one that draws nothing), wrapped in the log's decorator when there is a log;
// the zip component it unpacks with; the run; what the run achieved and whether a record
// stage raised. Finish turns that into the log's last lines and the exit code.
#pragma once

#include <exception>
#include <memory>

#include "install/install_log.h"
#include "install/installation_run.h"
#include "install/logging_display.h"
#include "setup/exit_code.h"

namespace mvt::setup {

class Installation {
  public:
    // On the progress screen (Form10, which must exist): its display, its zip component
    // and the process-wide progress. askUser false: a write problem is logged and its
    // entries skipped, never put to the user, and an installation that left files out is
    // undone.
    static std::unique_ptr<Installation> OnProgressScreen(install::WizardState& choices,
                                                          install::InstallLog& log, bool askUser);
    // Without any window: a zip component of its own that shows no box, a display that
    // draws nothing, a progress of its own; an installation that left files out is undone.
    static std::unique_ptr<Installation> WithoutWindows(install::WizardState& choices,
                                                        install::InstallLog& log);

    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The component, for settings a caller may change (the library's folder) and for its
    // handlers.
    zip::TZipUnpacker& Unpacker() { return unpacker_; }
    const install::ProgressState& Progress() const { return progress_; }

    // The run, to its end or to the checkpoint where the cancel mark stopped it. A write
    // a record stage could not make ends the run; it is logged and kept for
    // RaiseRecordFailure. A run that is not kept has been undone when this returns.
    void Run();
    // Raises the record stage's failure again, if there was one: the wizard lets the
    // application's handler show it, as for every failure in a click.
    void RaiseRecordFailure() const;

    bool Started() const { return started_; }
    const install::InstallationOutcome& Outcome() const { return outcome_; }

    // How the run ended, in one line of the log, and the exit code; "left the wizard" when
    // the run never began. What each record stage left is in the log already, read back
    // right after the stage.
    ExitCode Finish();

  private:
    Installation(install::WizardState& choices, install::InstallLog& log,
                 install::InstallDisplay& shown, zip::TZipUnpacker& unpacker,
                 install::ProgressState& progress, bool askUser);
    Installation(install::WizardState& choices, install::InstallLog& log,
                 std::unique_ptr<zip::TZipUnpacker> unpacker);

    install::WizardState& choices_;
    install::InstallLog& log_;
    std::unique_ptr<zip::TZipUnpacker> ownUnpacker_;  // only without windows
    install::SilentDisplay silent_;
    install::ProgressState ownProgress_;
    zip::TZipUnpacker& unpacker_;
    install::ProgressState& progress_;
    install::LoggingDisplay logged_;
    install::InstallDisplay& display_;  // the logging one when there is a log
    bool keepIncomplete_;
    bool started_ = false;
    std::exception_ptr recordFailure_;
    install::InstallationOutcome outcome_;
};

}  // namespace mvt::setup

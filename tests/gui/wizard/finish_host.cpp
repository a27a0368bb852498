// Runs the real screens up to the finish screen, as the installation run leaves them, so
// that a test can close it from outside and watch the process end:
//
//   finish_host.exe INSTALL_DIR CONFIG_DOWN(0|1) REPORT_FILE [MISSING_FILES]
//
// With MISSING_FILES the screen is the one after an installation that left that many files
// out.
// The install directory goes into the destination screen's path label, the second
// argument into the configuration program toggle. When the loop has ended the host writes
// the cancel mark, whether the application was minimised, its current directory and the
// number of errors raised after the finish screen appeared into the report file. (Errors
// go to the report, not into message boxes that would wait for a user: the screens' own
// start-up may meet files that other tests leave beside the program.) The finish screen
// logs into REPORT_FILE.log, as with /LOG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/forms.h"
#include "install/install_log.h"
#include "install/write_problem_text.h"
#include "wizard/finish_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/destination_screen.h"
#include "wizard/options_screen.h"

using namespace mvt;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 4 && __argc != 5) return 2;
    int errors = 0;
    Application().OnException = [&](const std::exception&) { ++errors; };
    Application().SetTitle("MVT Setup");
    wizard::CreateScreens();
    errors = 0;
    install::InstallLog log;
    log.Open(std::string(__argv[3]) + ".log");
    Form11->LogTo(log);
    Form5->Label1->SetCaption(__argv[1]);
    Form8->SkBmpButton5->SetDown(std::strcmp(__argv[2], "1") == 0);
    if (__argc == 5) {
        install::InstallationOutcome outcome;
        outcome.archives.emplace_back().missing.resize(std::atoi(__argv[4]));
        outcome.archives.back().directoryRead = true;
        Form11->ShowErrors(install::FinishErrorsText(outcome));
    }
    // What the end of the installation run does: the finish screen, modal.
    Form11->ShowModal();
    while (!Application().Terminated()) Application().HandleMessage();
    const bool minimised = IsIconic(Application().Handle());
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    if (FILE* report = std::fopen(__argv[3], "w")) {
        std::fprintf(report, "mark=%d\nminimised=%d\ncwd=%s\nerrors=%d\n",
                     static_cast<int>(Form3->Tag()), minimised ? 1 : 0, folder, errors);
        std::fclose(report);
    }
    Application().Shutdown();
    return 0;
}

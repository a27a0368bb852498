// Runs the installation's unpacking in the real progress screen on the setup description
// beside this program, and prints how long it took and the longest time the windows went
// without being serviced. A second thread posts a message every millisecond; the GUI thread
// handles them only where the run, the zip component or the progress handler process
// messages, so the largest interval between two handled posts is the longest gap.
//
//   install_bench.exe INSTALL_DIR ZIPLIB_FOLDER
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "framework/forms.h"
#include "install/progress_screen.h"
#include "setup/installation.h"

using namespace mvt;
using Clock = std::chrono::steady_clock;

namespace {

constexpr UINT kProbe = WM_APP + 17;

// Unpacking only: the run is told to leave at the checkpoint after the archives (once the
// file name and percent have been hidden), before anything is written to the system.
struct UnpackOnly : install::WizardState {
    std::string dir;
    std::string InstallDirectory() const override { return dir; }
    std::string ProgramGroupName() const override { return "Bench"; }
    bool DesktopShortcutChosen() const override { return false; }
    bool UninstallerChosen() const override { return false; }
    bool ConfigurationChosen() const override { return false; }
    bool LeaveDecided() const override { return Form10 && !Form10->Label3->Visible(); }
    void PassCloseRequest() override {}
    void ShowFinishScreen(const mvt::install::InstallationOutcome&) override {}
};

struct GapMeter;
GapMeter* activeMeter = nullptr;

struct GapMeter {
    Clock::time_point start = Clock::now(), last = start;
    double longest = 0, longestAt = 0;
    long handled = 0;
    void Tick() {
        const auto now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        if (gap > longest) {
            longest = gap;
            longestAt = std::chrono::duration<double>(last - start).count();
        }
        last = now;
        ++handled;
    }
};

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe && activeMeter) {
        activeMeter->Tick();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window of this thread: its posts are handled wherever the thread's queue
// is processed.
HWND ProbeWindow() {
    WNDCLASSA type{};
    type.lpfnWndProc = ProbeProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "MvtGapProbe";
    RegisterClassA(&type);
    return CreateWindowExA(0, type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           type.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: install_bench INSTALL_DIR ZIPLIB_FOLDER\n");
        return 2;
    }
    UnpackOnly wizard;
    wizard.dir = argv[1];
    TForm* mainWindow = nullptr;
    Application().CreateForm(mainWindow);
    Application().CreateForm(Form10);
    Form10->SetWizard(wizard);
    Form10->ZipUnpacker1->SetDLLDirectory(argv[2]);
    Form10->ZipUnpacker1->SetUnattended(true);
    install::InstallLog noLog;
    const auto installation = setup::Installation::OnProgressScreen(wizard, noLog, true);
    Form10->OnInstall = [&] { installation->Run(); };

    GapMeter meter;
    activeMeter = &meter;
    HWND window = ProbeWindow();
    std::atomic<bool> running{true};
    std::thread poster([&] {
        while (running) {
            PostMessageA(window, kProbe, 0, 0);
            Sleep(1);
        }
    });
    Form10->Show();
    Application().ProcessMessages();
    meter = GapMeter{};
    const auto start = Clock::now();
    Form10->Install();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    Application().ProcessMessages();
    running = false;
    poster.join();
    std::printf(
        "seconds %.3f\nlongest_gap_ms %.1f\nlongest_gap_after_s %.3f\nserviced %ld\n"
        "percent %s\n",
        seconds, meter.longest, meter.longestAt, meter.handled, Form10->Label4->Caption().c_str());
    Application().Shutdown();
    return 0;
}

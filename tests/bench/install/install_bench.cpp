// Runs the installation's unpacking in the real progress screen on the setup description
// beside this program, and prints how long it took, what it unpacked, and how long undoing it
// took (the run leaves before its records, and so undoes itself). With --gaps it also
// measures the longest time the windows went without being serviced: a second thread posts a
// message a millisecond after the last one was handled; the GUI thread handles them only
// where the run, the zip component or the progress handler process messages, so the largest
// interval between two handled posts is the longest gap. Those messages are the meter's own
// (about 800 in a second of unpacking, each a trip to the server), so a timed run goes
// without them.
// With --delete it deletes every file and folder below a folder the way the uninstaller
// does (by checked handles), for the cost undoing is held against.
//
//   install_bench.exe INSTALL_DIR ZIPLIB_FOLDER [--gaps]
//   install_bench.exe --delete FOLDER
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/forms.h"
#include "framework/guarded_files.h"
#include "install/progress_screen.h"
#include "setup/installation.h"

using namespace mvt;
using Clock = std::chrono::steady_clock;

namespace {

constexpr UINT kProbe = WM_APP + 17;

// Every file below a folder, relative to it, and its folders, deepest last.
void Collect(const std::string& root, const std::string& relative, std::vector<std::string>& files,
             std::vector<std::string>& folders, uint64_t& bytes) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((root + "\\" + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(relative + name);
            Collect(root, relative + name + "\\", files, folders, bytes);
        } else {
            files.push_back(relative + name);
            bytes += (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Unpacking only: the run is told to leave at the checkpoint after the archives (once the
// file name and percent have been hidden), before anything is written to the system; it
// then undoes what it unpacked. What it unpacked is counted at that checkpoint.
struct UnpackOnly : install::WizardState {
    std::string dir;
    Clock::time_point start;
    mutable Clock::time_point undoStart;  // once what was unpacked is counted
    mutable double unpackSeconds = -1;
    mutable uint64_t unpackedBytes = 0;
    mutable size_t unpackedFiles = 0;
    std::function<void()> onLeave;  // once, at the checkpoint where the run leaves
    std::string InstallDirectory() const override { return dir; }
    std::string ProgramGroupName() const override { return "Bench"; }
    bool DesktopShortcutChosen() const override { return false; }
    bool UninstallerChosen() const override { return false; }
    bool ConfigurationChosen() const override { return false; }
    bool LeaveDecided() const override {
        const bool leave = Form10 && !Form10->Label3->Visible();
        if (leave && unpackSeconds < 0) {
            unpackSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            std::vector<std::string> files, folders;
            Collect(dir, "", files, folders, unpackedBytes);
            unpackedFiles = files.size();
            if (onLeave) onLeave();
            undoStart = Clock::now();
        }
        return leave;
    }
    void PassCloseRequest() override {}
    void ShowFinishScreen(const mvt::install::InstallationOutcome&) override {}
};

// Deletes what is below `root` as the uninstaller does: each item by a handle checked to be
// no link and in its place.
int DeleteBelowFolder(const std::string& root) {
    std::vector<std::string> files, folders;
    uint64_t bytes = 0;
    Collect(root, "", files, folders, bytes);
    const auto start = Clock::now();
    std::string error;
    const std::optional<TGuardedFolder> base =
        TGuardedFolder::Open(root, TFolderWay::Followed, error);
    if (!base) return 1;
    for (const std::string& file : files) DeleteBelow(*base, file, false, error);
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        DeleteBelow(*base, *folder, true, error);
    std::printf("delete_seconds %.3f\ndeleted_files %zu\n",
                std::chrono::duration<double>(Clock::now() - start).count(), files.size());
    return 0;
}

struct GapMeter;
GapMeter* activeMeter = nullptr;
std::atomic<bool> probeWaiting{false};  // a probe is posted and not yet handled

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
    if (message == kProbe) {
        if (activeMeter) activeMeter->Tick();
        probeWaiting = false;
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
    if (argc == 3 && std::string(argv[1]) == "--delete") return DeleteBelowFolder(argv[2]);
    const bool gaps = argc == 4 && std::string(argv[3]) == "--gaps";
    if (argc < 3 || (argc == 4 && !gaps) || argc > 4) {
        std::fprintf(stderr,
                     "usage: install_bench INSTALL_DIR ZIPLIB_FOLDER [--gaps] | --delete FOLDER\n");
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
    // The screen's share of the run: the time spent in its progress handler.
    auto showProgress = Form10->ZipUnpacker1->OnItemProgress;
    double handlerSeconds = 0;
    long reports = 0;
    Form10->ZipUnpacker1->OnItemProgress = [&](TObject* sender, const std::string& item,
                                               uint64_t total, int perCent) {
        const auto begin = Clock::now();
        showProgress(sender, item, total, perCent);
        handlerSeconds += std::chrono::duration<double>(Clock::now() - begin).count();
        ++reports;
    };
    Form10->OnInstall = [&] { installation->Run(); };

    GapMeter meter;
    activeMeter = &meter;
    HWND window = ProbeWindow();
    std::atomic<bool> running{true};
    // One probe at a time: the next is posted within a millisecond of the last one handled,
    // so a long gap shows as before, while a busy stretch no longer leaves a pile of probes
    // for the next servicing point to work through (at about 50 us each under Wine, the pile
    // cost the timed run more than the gaps it measured).
    std::thread poster([&] {
        while (running && gaps) {
            if (!probeWaiting.exchange(true)) PostMessageA(window, kProbe, 0, 0);
            Sleep(1);
        }
    });
    Form10->Show();
    Application().ProcessMessages();
    meter = GapMeter{};
    // The unpacking's gaps and the undoing's apart: deleting one large file is one call.
    GapMeter unpacking;
    wizard.onLeave = [&] {
        unpacking = meter;
        meter = GapMeter{};
    };
    wizard.start = Clock::now();
    Form10->Install();
    const auto end = Clock::now();
    const double undoSeconds = std::chrono::duration<double>(end - wizard.undoStart).count();
    Application().ProcessMessages();
    running = false;
    poster.join();
    std::printf(
        "seconds %.3f\nundo_seconds %.3f\nunpacked_bytes %llu\nunpacked_files %zu\n"
        "undone %d\nhandler_seconds %.3f\nreports %ld\npercent %s\n",
        wizard.unpackSeconds, undoSeconds, static_cast<unsigned long long>(wizard.unpackedBytes),
        wizard.unpackedFiles, installation->Outcome().undone ? 1 : 0, handlerSeconds, reports,
        Form10->Label4->Caption().c_str());
    if (gaps)
        std::printf(
            "longest_gap_ms %.1f\nlongest_gap_after_s %.3f\nserviced %ld\n"
            "undo_longest_gap_ms %.1f\n",
            unpacking.longest, unpacking.longestAt, unpacking.handled, meter.longest);
    Application().Shutdown();
    return 0;
}

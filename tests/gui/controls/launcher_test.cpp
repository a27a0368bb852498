// The program launcher starting a real test program (launch_probe.exe, beside this test)
// through the shell, with each kind of wait.
#include "controls/launcher.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include "framework/forms.h"
#include "framework/sysutils.h"

namespace mvt {
namespace {

using Clock = std::chrono::steady_clock;

long Milliseconds(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

bool PumpUntil(const std::function<bool()>& condition, int milliseconds = 10000) {
    auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() > end) return false;
        Application().ProcessMessages();
        Sleep(5);
    }
    return true;
}

std::string Probe() {
    return ProgramFolder() + "launch_probe.exe";
}

// The report file the probe appends to, named through the environment it inherits.
class ProbeReport {
  public:
    ProbeReport() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "mvt_launcher_probe_" + std::to_string(GetCurrentProcessId()) +
                ".txt";
        DeleteFileA(path_.c_str());
        SetEnvironmentVariableA("MVT_PROBE_REPORT", path_.c_str());
    }
    ~ProbeReport() {
        SetEnvironmentVariableA("MVT_PROBE_REPORT", nullptr);
        DeleteFileA(path_.c_str());
    }
    std::string Text() const {
        std::ifstream file(path_);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    bool Has(const std::string& line) const {
        return Text().find(line + "\n") != std::string::npos;
    }
    // The process id of the last probe started.
    DWORD Pid() const {
        std::string text = Text();
        size_t at = text.rfind("pid=");
        return at == std::string::npos ? 0 : std::stoul(text.substr(at + 4));
    }

  private:
    std::string path_;
};

// A closed handle's value may be given to the next handle opened, so "closed" is checked
// as "no longer refers to that process".
bool StillRefersTo(HANDLE handle, DWORD pid) {
    return GetProcessId(handle) == pid;
}

bool ProcessAlive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

// The process ids of the visible top-level windows of this process.
int OwnVisibleWindows() {
    struct Count {
        int n = 0;
    } count;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(window))
                ++reinterpret_cast<Count*>(data)->n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

// What the events of a launcher reported.
struct Outcome {
    std::atomic<int> finished{0}, timeouts{0}, errors{0};
    std::atomic<uint32_t> errorCode{0}, exitCode{0};
    std::atomic<DWORD> thread{0};
    Clock::time_point at;
    int Events() const { return finished + timeouts + errors; }

    void Attach(TSkLauncher& launcher) {
        launcher.OnFinished = [this](TObject* sender) {
            thread = GetCurrentThreadId();
            exitCode = static_cast<TSkLauncher*>(sender)->ExitCode();
            at = Clock::now();
            ++finished;
        };
        launcher.OnTimeout = [this](TObject*) {
            thread = GetCurrentThreadId();
            at = Clock::now();
            ++timeouts;
        };
        launcher.OnError = [this](TObject*, uint32_t code) {
            thread = GetCurrentThreadId();
            errorCode = code;
            at = Clock::now();
            ++errors;
        };
    }
};

class LauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(Probe())) << Probe();
        launcher_ = std::make_unique<TSkLauncher>(nullptr);
        outcome_.Attach(*launcher_);
    }
    void TearDown() override {
        launcher_.reset();
        Application().ProcessMessages();
    }
    void StartProbe(const std::string& parameters) {
        launcher_->SetFileName(Probe());
        launcher_->SetParameters(parameters);
        launcher_->Launch();
    }

    std::unique_ptr<TSkLauncher> launcher_;
    Outcome outcome_;
};

TEST_F(LauncherTest, EmptyFileNameStartsNothing) {
    launcher_->Launch();
    EXPECT_TRUE(launcher_->LaunchThread().expired());
    EXPECT_FALSE(launcher_->Running());
    launcher_->SetWaitUntilFinished(true);
    launcher_->Launch();
    EXPECT_EQ(launcher_->LaunchNoWait(), 0u);
    EXPECT_EQ(launcher_->ProcessHandle(), nullptr);
    EXPECT_EQ(launcher_->InstanceValue(), 0);
    Application().ProcessMessages();
    EXPECT_EQ(outcome_.Events(), 0);
}

TEST_F(LauncherTest, ExitCodeArrivesThroughOnFinishedOnTheGuiThread) {
    StartProbe("exit=7 sleep=300");
    // Launch returns once the process has started; the thread waits.
    EXPECT_TRUE(launcher_->Running());
    HANDLE process = launcher_->ProcessHandle();
    const DWORD pid = GetProcessId(process);
    ASSERT_NE(process, nullptr);
    EXPECT_GT(launcher_->InstanceValue(), 32);
    std::shared_ptr<TSkLaunchThread> thread = launcher_->LaunchThread().lock();
    ASSERT_TRUE(thread);
    const DWORD waitingThread = thread->ThreadID();
    thread.reset();
    ASSERT_TRUE(PumpUntil([&] { return outcome_.Events() > 0; }));
    EXPECT_EQ(outcome_.finished, 1);
    EXPECT_EQ(outcome_.exitCode, 7u);
    EXPECT_EQ(launcher_->ExitCode(), 7u);
    EXPECT_EQ(outcome_.thread, GetCurrentThreadId());
    EXPECT_NE(outcome_.thread, waitingThread);
    ASSERT_TRUE(PumpUntil([&] { return !launcher_->Running(); }));
    EXPECT_EQ(launcher_->ProcessHandle(), nullptr);
    EXPECT_FALSE(StillRefersTo(process, pid)) << "the process handle was left open";
    // The thread has freed itself.
    EXPECT_TRUE(PumpUntil([&] { return launcher_->LaunchThread().expired(); }));
}

TEST_F(LauncherTest, WaitInTheCallersThreadReportsTheExitCodeThere) {
    launcher_->SetWaitUntilFinished(true);
    for (TSkWaitType type : {TSkWaitType::wtFullStop, TSkWaitType::wtProcessMessages}) {
        launcher_->SetWaitType(type);
        outcome_.finished = 0;
        StartProbe("exit=3 sleep=100");
        EXPECT_EQ(outcome_.finished, 1) << "the event comes before Launch returns";
        EXPECT_EQ(outcome_.exitCode, 3u);
        EXPECT_EQ(outcome_.thread, GetCurrentThreadId());
        EXPECT_FALSE(launcher_->Running());
        EXPECT_EQ(launcher_->ProcessHandle(), nullptr);
        EXPECT_TRUE(launcher_->LaunchThread().expired());
    }
}

// Timeout 0 and 250 with each kind of wait; the probe runs far longer.
TEST_F(LauncherTest, TimeoutsOfTheThreeWaits) {
    ProbeReport report;
    struct Case {
        bool inCaller;
        TSkWaitType type;
        int32_t timeout;
        long atLeast;  // milliseconds from the start to the event
    };
    // The launch thread waits in steps of 100 ms: 0 ends after the first step, 250 after
    // the third. The waits in the caller's thread use the time-out as it is.
    const Case cases[] = {
        {false, TSkWaitType::wtFullStop, 0, 95},
        {false, TSkWaitType::wtFullStop, 250, 290},
        {true, TSkWaitType::wtFullStop, 0, 0},
        {true, TSkWaitType::wtFullStop, 250, 245},
        {true, TSkWaitType::wtProcessMessages, 0, 0},
        {true, TSkWaitType::wtProcessMessages, 250, 245},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "in caller " << c.inCaller << ", type "
                                        << static_cast<int>(c.type) << ", timeout " << c.timeout);
        outcome_.timeouts = outcome_.finished = 0;
        launcher_->SetWaitUntilFinished(c.inCaller);
        launcher_->SetWaitType(c.type);
        launcher_->SetTimeout(c.timeout);
        launcher_->SetFileName(Probe());
        launcher_->SetParameters("sleep=3000");
        // Measured from the start request: the launch thread may begin its first step
        // before Launch has returned, so a later origin could make a step look short.
        const auto start = Clock::now();
        launcher_->Launch();
        if (!c.inCaller) {
            ASSERT_TRUE(launcher_->Running());
            ASSERT_TRUE(PumpUntil([&] { return outcome_.Events() > 0; }));
        }
        ASSERT_EQ(outcome_.timeouts, 1);
        EXPECT_EQ(outcome_.finished, 0);
        long took = c.inCaller
                        ? Milliseconds(start)
                        : static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                outcome_.at - start)
                                                .count());
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, 2500) << "the time-out did not end the wait";
        EXPECT_EQ(outcome_.thread, GetCurrentThreadId());
        ASSERT_TRUE(PumpUntil([&] { return !launcher_->Running(); }));
        EXPECT_EQ(launcher_->ProcessHandle(), nullptr);
    }
    // The timed-out probes run on: a time-out never stops the program.
    DWORD pid = report.Pid();
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(ProcessAlive(pid));
}

// Messages sent to this thread during the wait are handled at once with wtProcessMessages
// (and the time-out starts anew after them), and not before the end with wtFullStop.
TEST_F(LauncherTest, OnlyTheMessageWaitHandlesMessagesMeanwhile) {
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    launcher_->SetWaitUntilFinished(true);
    launcher_->SetTimeout(250);
    launcher_->SetFileName(Probe());
    launcher_->SetParameters("sleep=3000");
    for (TSkWaitType type : {TSkWaitType::wtProcessMessages, TSkWaitType::wtFullStop}) {
        launcher_->SetWaitType(type);
        std::atomic<bool> answered{false};
        std::atomic<bool> launchReturned{false};
        std::thread sender([&] {
            Sleep(150);
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result);
            answered = !launchReturned;
        });
        auto start = Clock::now();
        launcher_->Launch();
        launchReturned = true;
        long took = Milliseconds(start);
        sender.join();
        if (type == TSkWaitType::wtProcessMessages) {
            EXPECT_TRUE(answered) << "the sent message waited for the end of the wait";
            EXPECT_GE(took, 150 + 250) << "the time-out did not start anew";
        } else {
            EXPECT_FALSE(answered);
        }
        EXPECT_LT(took, 2800);
    }
    DestroyWindow(window);
}

TEST_F(LauncherTest, ASecondLaunchWhileRunningIsIgnored) {
    StartProbe("exit=5 sleep=600");
    ASSERT_TRUE(launcher_->Running());
    HANDLE process = launcher_->ProcessHandle();
    auto thread = launcher_->LaunchThread().lock();
    launcher_->SetFileName(ProgramFolder() + "no such program.exe");
    launcher_->Launch();
    EXPECT_EQ(launcher_->LaunchNoWait(), 0u);
    EXPECT_EQ(launcher_->ProcessHandle(), process);
    EXPECT_EQ(launcher_->LaunchThread().lock(), thread);
    EXPECT_EQ(launcher_->ErrorCode(), 0u);
    thread.reset();
    ASSERT_TRUE(PumpUntil([&] { return !launcher_->Running(); }));
    Application().ProcessMessages();
    EXPECT_EQ(outcome_.finished, 1);
    EXPECT_EQ(outcome_.errors, 0);
    EXPECT_EQ(outcome_.exitCode, 5u);
}

TEST_F(LauncherTest, AMissingFileGivesOnErrorWithTheShellsValueAndNoDialog) {
    const int windowsBefore = OwnVisibleWindows();
    launcher_->SetFileName(ProgramFolder() + "no such program.exe");
    auto start = Clock::now();
    launcher_->Launch();
    EXPECT_LT(Milliseconds(start), 5000);
    EXPECT_FALSE(launcher_->Running());
    EXPECT_EQ(launcher_->ErrorCode(), static_cast<uint32_t>(SE_ERR_FNF));
    ASSERT_TRUE(PumpUntil([&] { return outcome_.Events() > 0; }));
    EXPECT_EQ(outcome_.errors, 1);
    EXPECT_EQ(outcome_.errorCode, static_cast<uint32_t>(SE_ERR_FNF));
    EXPECT_EQ(outcome_.thread, GetCurrentThreadId());
    EXPECT_EQ(OwnVisibleWindows(), windowsBefore) << "the shell showed a dialog";

    // The same in the caller's thread and without a wait.
    launcher_->SetWaitUntilFinished(true);
    launcher_->Launch();
    EXPECT_EQ(outcome_.errors, 2);
    EXPECT_EQ(launcher_->LaunchNoWait(), static_cast<uint32_t>(SE_ERR_FNF));
    EXPECT_EQ(outcome_.errors, 2) << "LaunchNoWait reports through its result only";
    EXPECT_EQ(OwnVisibleWindows(), windowsBefore);
}

TEST_F(LauncherTest, LaunchNoWaitLeavesTheProcessToTheCaller) {
    launcher_->SetFileName(Probe());
    launcher_->SetParameters("exit=9 sleep=100");
    ASSERT_EQ(launcher_->LaunchNoWait(), 0u);
    EXPECT_FALSE(launcher_->Running());
    HANDLE process = launcher_->ProcessHandle();
    const DWORD pid = GetProcessId(process);
    ASSERT_NE(process, nullptr);
    ASSERT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 9u);
    Application().ProcessMessages();
    EXPECT_EQ(outcome_.Events(), 0);
    // The next start closes the handle nothing waited for.
    launcher_->SetParameters("exit=1");
    ASSERT_EQ(launcher_->LaunchNoWait(), 0u);
    EXPECT_FALSE(StillRefersTo(process, pid));
}

TEST_F(LauncherTest, StartDirBecomesTheProgramsCurrentDirectory) {
    ProbeReport report;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = ExcludeTrailingBackslash(temp);
    launcher_->SetStartDir(folder);
    launcher_->SetWaitUntilFinished(true);
    StartProbe("exit=0");
    EXPECT_EQ(outcome_.finished, 1);
    EXPECT_TRUE(report.Has("cwd=" + folder)) << report.Text();
}

TEST_F(LauncherTest, MinimizedStartsWithoutTakingTheFocus) {
    ProbeReport report;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientSize(200, 100);
    form->Show();
    Application().ProcessMessages();
    ASSERT_EQ(GetForegroundWindow(), form->Handle());
    launcher_->SetShowMode(TShowMode::smMinimized);
    StartProbe("window sleep=1500");
    ASSERT_TRUE(PumpUntil([&] { return report.Has("show=7"); }, 10000)) << report.Text();
    HWND probe = FindWindowA("MVTLaunchProbe", nullptr);
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(IsIconic(probe));
    Application().ProcessMessages();
    EXPECT_EQ(GetForegroundWindow(), form->Handle()) << "the started program took the focus";
    ASSERT_TRUE(PumpUntil([&] { return outcome_.finished == 1; }));
}

TEST_F(LauncherTest, DestroyedWhileItsThreadWaitsLeavesTheProgramRunning) {
    ProbeReport report;
    StartProbe("sleep=2000");
    ASSERT_TRUE(launcher_->Running());
    HANDLE process = launcher_->ProcessHandle();
    const DWORD pid = GetProcessId(process);
    std::weak_ptr<TSkLaunchThread> thread = launcher_->LaunchThread();
    ASSERT_TRUE(PumpUntil([&] { return report.Pid() != 0; }));
    auto start = Clock::now();
    launcher_.reset();
    long took = Milliseconds(start);
    EXPECT_LT(took, 1000) << "the launcher waited for the program";
    EXPECT_TRUE(thread.expired()) << "the launch thread outlived its launcher";
    EXPECT_FALSE(StillRefersTo(process, pid)) << "the process handle was left open";
    EXPECT_TRUE(ProcessAlive(report.Pid())) << "the started program was stopped";
    // Its end reaches no one.
    ASSERT_TRUE(PumpUntil([&] { return report.Has("end"); }, 10000));
    Sleep(300);
    Application().ProcessMessages();
    EXPECT_EQ(outcome_.Events(), 0);
}

TEST_F(LauncherTest, DestroyedBeforeAFailedStartIsReported) {
    launcher_->SetFileName(ProgramFolder() + "no such program.exe");
    launcher_->Launch();
    EXPECT_NE(launcher_->ErrorCode(), 0u);
    std::weak_ptr<TSkLaunchThread> thread = launcher_->LaunchThread();
    launcher_.reset();
    EXPECT_TRUE(thread.expired());
    Application().ProcessMessages();
    EXPECT_EQ(outcome_.Events(), 0) << "an event reached a destroyed launcher";
}

TEST_F(LauncherTest, DestroyedByItsOwnEventHandler) {
    std::weak_ptr<TSkLaunchThread> thread;
    launcher_->OnFinished = [&](TObject*) {
        ++outcome_.finished;
        launcher_.reset();
    };
    StartProbe("exit=2 sleep=100");
    thread = launcher_->LaunchThread();
    HANDLE process = launcher_->ProcessHandle();
    const DWORD pid = GetProcessId(process);
    ASSERT_TRUE(PumpUntil([&] { return launcher_ == nullptr; }));
    EXPECT_EQ(outcome_.finished, 1);
    EXPECT_FALSE(StillRefersTo(process, pid));
    EXPECT_TRUE(PumpUntil([&] { return thread.expired(); }));
}

TEST_F(LauncherTest, ALaunchRightAfterAFailedOneGetsBothEvents) {
    launcher_->SetFileName(ProgramFolder() + "no such program.exe");
    launcher_->Launch();
    // The error event has not been delivered yet; the next start delivers it first.
    StartProbe("exit=4 sleep=100");
    EXPECT_EQ(outcome_.errors, 1);
    EXPECT_TRUE(launcher_->Running());
    ASSERT_TRUE(PumpUntil([&] { return outcome_.finished == 1; }));
    EXPECT_EQ(outcome_.exitCode, 4u);
}

TEST_F(LauncherTest, AnExceptionInAnEventGoesToTheDefaultHandler) {
    std::string reported;
    Application().OnException = [&](const std::exception& error) { reported = error.what(); };
    launcher_->OnFinished = [](TObject*) { throw Exception("handler failed"); };
    StartProbe("exit=0");
    ASSERT_TRUE(PumpUntil([&] { return !reported.empty(); }));
    Application().OnException = nullptr;
    EXPECT_EQ(reported, "handler failed");
    EXPECT_TRUE(PumpUntil([&] { return !launcher_->Running(); }));
}

}  // namespace
}  // namespace mvt

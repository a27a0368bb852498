// The finish screen in a real process (finish_host.exe), closed from outside like a user:
// the setup ends, and the configuration program (the launch probe, copied as MVConfig.exe
// into a scratch install directory) starts there when chosen and runs on.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "install/install_log.h"
#include "support/process_windows.h"

using namespace testsupport;

namespace {

std::string Folder(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string ThisFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return Folder(path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

bool Contains(const std::string& text, const std::string& line) {
    return text.find(line + "\n") != std::string::npos;
}

DWORD ReportedPid(const std::string& text) {
    size_t at = text.find("pid=");
    return at == std::string::npos ? 0 : std::stoul(text.substr(at + 4));
}

bool ProcessAlive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..") DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

class FinishScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        // A blank and Cyrillic letters: the path goes through the ANSI functions.
        installDir_ = std::string(temp) + "mvt finish Морват " +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveFolder(installDir_);
        ASSERT_TRUE(CreateDirectoryA(installDir_.c_str(), nullptr));
        hostReport_ =
            std::string(temp) + "mvt_finish_host_" + std::to_string(GetCurrentProcessId()) + ".txt";
        probeReport_ = std::string(temp) + "mvt_finish_probe_" +
                       std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(hostReport_.c_str());
        DeleteFileA(probeReport_.c_str());
        // The probe, started by the host, inherits these.
        SetEnvironmentVariableA("MVT_PROBE_REPORT", probeReport_.c_str());
        SetEnvironmentVariableA("MVT_PROBE_SLEEP", "2500");
    }
    void TearDown() override {
        // Let a started probe end before its folder goes.
        if (probePut_ && WaitUntil([&] { return ReportedPid(ReadFile(probeReport_)) != 0; }, 2000))
            WaitUntil([&] { return Contains(ReadFile(probeReport_), "end"); }, 15000);
        SetEnvironmentVariableA("MVT_PROBE_REPORT", nullptr);
        SetEnvironmentVariableA("MVT_PROBE_SLEEP", nullptr);
        RemoveFolder(installDir_);
        DeleteFileA(hostReport_.c_str());
        DeleteFileA((hostReport_ + ".log").c_str());
        DeleteFileA(probeReport_.c_str());
    }

    void PutConfigProgram() {
        probePut_ = true;
        ASSERT_TRUE(CopyFileA(MVT_LAUNCH_PROBE, (installDir_ + "\\MVConfig.exe").c_str(), FALSE))
            << MVT_LAUNCH_PROBE;
    }

    // Starts the host and returns the finish window.
    HWND Start(bool configDown) {
        std::string line = Quoted(ThisFolder() + "finish_host.exe");
        line += ' ';
        line += Quoted(installDir_);
        line += configDown ? " 1 " : " 0 ";
        line += Quoted(hostReport_);
        host_ = std::make_unique<Process>(line);
        EXPECT_TRUE(host_->Started());
        HWND finish = nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] { return (finish = WindowWithClientSize(host_->Id(), 478, 240)); }, 15000))
            << "no finish window";
        return finish;
    }

    void ClickExit(HWND finish) {
        HWND exit = ChildAt(finish, 114, 199);
        ASSERT_NE(exit, finish);
        ASSERT_NE(exit, nullptr);
        Click(exit);
    }

    // The report of the started configuration program, once it has reported where it runs
    // (Launch returns when the process exists, which may be before that).
    std::string ProbeStarted() {
        WaitUntil([&] { return ReportedPid(ReadFile(probeReport_)) != 0; }, 10000);
        return ReadFile(probeReport_);
    }

    std::string installDir_, hostReport_, probeReport_;
    bool probePut_ = false;
    std::unique_ptr<Process> host_;
};

TEST_F(FinishScreenTest, ExitButtonStartsTheConfigurationProgramInTheInstallDirectory) {
    PutConfigProgram();
    HWND finish = Start(false);
    ASSERT_NE(finish, nullptr);
    ClickExit(finish);
    ASSERT_TRUE(host_->WaitForExit(10000)) << "the exit button did not end the setup";
    std::string host = ReadFile(hostReport_);
    EXPECT_TRUE(Contains(host, "mark=111")) << host;
    EXPECT_TRUE(Contains(host, "errors=0")) << host;
    EXPECT_TRUE(Contains(host, "minimised=1")) << host;
    EXPECT_TRUE(Contains(host, "cwd=" + installDir_)) << host;
    // Wine's process holds the full half of a split token, and it has no desktop shell to
    // start the program with the user's rights: the setup starts it, and the log says so.
    const std::string log = ReadFile(hostReport_ + ".log");
    EXPECT_NE(log.find(mvt::install::AnsiToUtf8(
                  "Программа настройки " + installDir_ +
                  "\\MVConfig.exe запускается с правами "
                  "программы установки: оболочка рабочего стола недоступна")),
              std::string::npos)
        << log;
    // The configuration program started in the install directory and outlives the setup.
    std::string probe = ProbeStarted();
    EXPECT_TRUE(Contains(probe, "cwd=" + installDir_)) << probe;
    DWORD pid = ReportedPid(probe);
    ASSERT_NE(pid, 0u) << probe;
    EXPECT_TRUE(ProcessAlive(pid)) << "the configuration program ended with the setup";
    EXPECT_FALSE(Contains(probe, "end"));
    EXPECT_TRUE(WaitUntil([&] { return Contains(ReadFile(probeReport_), "end"); }, 10000));
}

TEST_F(FinishScreenTest, CloseIconBehavesLikeTheExitButton) {
    PutConfigProgram();
    HWND finish = Start(false);
    ASSERT_NE(finish, nullptr);
    PostMessageA(finish, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(host_->WaitForExit(10000)) << "the close icon did not end the setup";
    std::string host = ReadFile(hostReport_);
    EXPECT_TRUE(Contains(host, "mark=111")) << host;
    EXPECT_TRUE(Contains(host, "errors=0")) << host;
    EXPECT_TRUE(Contains(host, "minimised=1")) << host;
    std::string probe = ProbeStarted();
    EXPECT_TRUE(Contains(probe, "cwd=" + installDir_)) << probe;
}

TEST_F(FinishScreenTest, WithTheOptionOffNothingStarts) {
    PutConfigProgram();
    HWND finish = Start(true);
    ASSERT_NE(finish, nullptr);
    // The window as laid out: centred tool window with the close icon, the exit button.
    EXPECT_EQ(WindowText(finish), "  Установка Трилогии Морвата...");
    EXPECT_LE(OffCentre(finish), 1);
    EXPECT_TRUE(GetWindowLongA(finish, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongA(finish, GWL_STYLE) & WS_SYSMENU);
    RECT bounds{};
    GetWindowRect(ChildAt(finish, 114, 199), &bounds);
    MapWindowPoints(nullptr, finish, reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_EQ(bounds.left, 114);
    EXPECT_EQ(bounds.top, 199);
    EXPECT_EQ(bounds.right - bounds.left, 257);
    EXPECT_EQ(bounds.bottom - bounds.top, 36);
    ClickExit(finish);
    ASSERT_TRUE(host_->WaitForExit(10000));
    std::string host = ReadFile(hostReport_);
    EXPECT_TRUE(Contains(host, "mark=111")) << host;
    EXPECT_TRUE(Contains(host, "errors=0")) << host;
    EXPECT_FALSE(Contains(host, "cwd=" + installDir_)) << "the current directory changed: " << host;
    Sleep(1000);
    EXPECT_EQ(ReadFile(probeReport_), "") << "the configuration program was started";
}

TEST_F(FinishScreenTest, AMissingConfigurationProgramEndsTheSetupSilently) {
    HWND finish = Start(false);
    ASSERT_NE(finish, nullptr);
    DWORD hostId = host_->Id();
    ClickExit(finish);
    // No dialog of the shell: the host ends by itself, without a window appearing.
    bool dialog = false;
    bool ended = WaitUntil(
        [&] {
            for (HWND window : VisibleWindows(hostId))
                if (window != finish) dialog = true;
            return !host_->Running();
        },
        10000);
    ASSERT_TRUE(ended) << "the setup did not end";
    EXPECT_FALSE(dialog) << "a window appeared while the setup ended";
    std::string host = ReadFile(hostReport_);
    EXPECT_TRUE(Contains(host, "mark=111")) << host;
    EXPECT_TRUE(Contains(host, "errors=0")) << host;
    EXPECT_EQ(ReadFile(probeReport_), "");
}

}  // namespace

// Helpers for tests that drive another process's windows from outside, like a user.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Polls until the condition holds or the time runs out.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return condition();
}

struct WindowQuery {
    DWORD processId;
    std::vector<HWND> windows;
};

inline BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM data) {
    auto* query = reinterpret_cast<WindowQuery*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    RECT client{};
    GetClientRect(window, &client);
    if (owner == query->processId && IsWindowVisible(window) && client.right > 0)
        query->windows.push_back(window);
    return TRUE;
}

// The visible top-level windows of a process that have a non-empty client area.
inline std::vector<HWND> VisibleWindows(DWORD processId) {
    WindowQuery query{processId, {}};
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&query));
    return query.windows;
}

inline SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

inline HWND WindowWithClientSize(DWORD processId, int width, int height) {
    for (HWND window : VisibleWindows(processId)) {
        SIZE size = ClientSize(window);
        if (size.cx == width && size.cy == height) return window;
    }
    return nullptr;
}

inline std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Distance of the window's centre from the screen's centre, in pixels (larger axis).
inline int OffCentre(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    int dx = (rect.left + rect.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
    int dy = (rect.top + rect.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
    return std::max(std::abs(dx), std::abs(dy));
}

// The child window whose client-relative position is (left, top) in the parent.
inline HWND ChildAt(HWND parent, int left, int top) {
    POINT point{left + 1, top + 1};
    return ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE);
}

// A real left click: button down and up posted to the window at its centre.
inline void Click(HWND window) {
    SIZE size = ClientSize(window);
    LPARAM at = MAKELPARAM(size.cx / 2, size.cy / 2);
    PostMessageA(window, WM_MOUSEMOVE, 0, at);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

// A key pressed on the display's real keyboard, as a user presses it: xdotool's input goes
// to whichever window has the focus. xdotool is the Linux program as the prefix sees it
// ("Z:\usr\bin\xdotool"); key is its name for the key ("Return", "Tab").
inline void PressRealKey(const std::string& xdotool, const std::string& key) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = "\"" + xdotool + "\" key " + key;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return;
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

// A started program, ended when the object goes. Without a current folder it inherits
// the caller's.
class Process {
  public:
    explicit Process(const std::string& commandLine, const char* environment = nullptr,
                     const char* currentFolder = nullptr) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                            const_cast<char*>(environment), currentFolder, &startup, &info_))
            info_ = {};
    }
    ~Process() {
        if (!info_.hProcess) return;
        if (Running()) TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    bool WaitForExit(int milliseconds) const {
        return WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }
    // Once it has ended; 99 when the system does not say.
    DWORD ExitCode() const {
        DWORD code = 99;
        if (!info_.hProcess || !GetExitCodeProcess(info_.hProcess, &code)) return 99;
        return code;
    }

  private:
    PROCESS_INFORMATION info_{};
};

// A word no other process's command line holds, for finding this one's program again from
// the system's side (other test runs of the machine use the same Windows paths).
inline std::string UniqueWord() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return "mvt" + std::to_string(GetCurrentProcessId()) + "x" +
           std::to_string(static_cast<unsigned long long>(counter.QuadPart));
}

// Ends the program whose command line holds `word` as a power cut would: kill -9 of its
// wine64 process, from the Linux side (a Unix program started from here runs as itself).
// The bracket keeps the pattern from finding the shell that carries it.
inline void KillNine(const std::string& word, const char* program = "MVTSetup") {
    const std::string pattern = std::string("[") + program[0] + "]" + (program + 1) + ".*" + word;
    Process kill("/bin/sh -c \"kill -9 $(pgrep -f '" + pattern + "')\"");
    kill.WaitForExit(20000);
}

// Files and folders in the temporary folder whose names match a pattern: what a program
// leaves there, as full paths.
inline std::set<std::string> TempItems(const char* pattern) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::set<std::string> items;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((std::string(temp) + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return items;
    do items.insert(std::string(temp) + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return items;
}

}  // namespace testsupport

// A program for the launcher's and the finish screen's tests to start. It reports where it
// runs and ends with a chosen exit code:
//
//   launch_probe.exe [exit=N] [sleep=MS] [window]
//
// When the environment names a report file (MVT_PROBE_REPORT), it appends "cwd=<current
// directory>" and "pid=<process id>" at the start and "end" when it ends. MVT_PROBE_SLEEP
// gives a sleep when no argument does. With "window" it shows a window in the show
// command it was started with and keeps it for the sleep.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Report(const std::string& line) {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("MVT_PROBE_REPORT", path, sizeof path)) return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    int exitCode = 0;
    int sleep = 0;
    bool window = false;
    char value[32] = {};
    if (GetEnvironmentVariableA("MVT_PROBE_SLEEP", value, sizeof value)) sleep = std::atoi(value);
    for (int i = 1; i < __argc; ++i) {
        const char* argument = __argv[i];
        if (!std::strncmp(argument, "exit=", 5)) exitCode = std::atoi(argument + 5);
        if (!std::strncmp(argument, "sleep=", 6)) sleep = std::atoi(argument + 6);
        if (!std::strcmp(argument, "window")) window = true;
    }
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    Report(std::string("cwd=") + folder);
    Report("pid=" + std::to_string(GetCurrentProcessId()));

    HWND shown = nullptr;
    if (window) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ProbeProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "MVTLaunchProbe";
        RegisterClassA(&windowClass);
        shown = CreateWindowExA(0, "MVTLaunchProbe", "launch probe", WS_OVERLAPPEDWINDOW, 100, 100,
                                300, 200, nullptr, nullptr, instance, nullptr);
        ShowWindow(shown, showCommand);
        Report("show=" + std::to_string(showCommand));
    }
    DWORD end = GetTickCount() + sleep;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        if (static_cast<int>(end - GetTickCount()) <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (true);
    if (shown) DestroyWindow(shown);
    Report("end");
    return exitCode;
}

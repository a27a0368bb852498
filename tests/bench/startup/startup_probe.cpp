// Starts a program several times and measures the time from the start request to its
// first completed paint, which the program writes (as a performance-counter value) into
// the file named by MVT_FIRST_PAINT_FILE.
//
//   startup_probe RUNS PROGRAM...   prints one line per program: name, median and best ms
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double MeasureOnce(const std::string& program, const std::string& probeFile) {
    DeleteFileA(probeFile.c_str());
    SetEnvironmentVariableA("MVT_FIRST_PAINT_FILE", probeFile.c_str());
    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = "\"" + program + "\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    long long painted = 0;
    for (int waited = 0; waited < 20000 && !painted; waited += 2) {
        Sleep(2);
        if (FILE* file = std::fopen(probeFile.c_str(), "r")) {
            if (std::fscanf(file, "%lld", &painted) != 1) painted = 0;
            std::fclose(file);
        }
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!painted) return -1;
    return double(painted - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_probe RUNS PROGRAM...\n");
        return 2;
    }
    int runs = std::max(1, std::atoi(argv[1]));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string probeFile = std::string(temp) + "mvt_first_paint.txt";
    for (int i = 2; i < argc; ++i) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            double ms = MeasureOnce(argv[i], probeFile);
            if (ms < 0) {
                std::printf("%s\tfailed\n", argv[i]);
                return 1;
            }
            times.push_back(ms);
        }
        std::sort(times.begin(), times.end());
        std::printf("%s\tmedian %.1f ms\tbest %.1f ms\n", argv[i], times[times.size() / 2],
                    times[0]);
    }
    return 0;
}

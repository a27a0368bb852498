// Benchmark driver: extracts an archive through ZipLib179.dll the way the zip component
// does (one command record, a callback that processes pending window messages after every
// report), and prints the time and the peak memory.
//
//   extract_driver ARCHIVE DESTINATION
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ziplib179.h"

namespace {

struct Counters {
    long reports = 0;
    long errors = 0;
};

int32_t ZL_CALL OnReport(void* caller, ZlCallbackRecord* record) {
    auto* counters = static_cast<Counters*>(caller);
    ++counters->reports;
    const int kind = record->kindOrReply & ZL_REPORT_KIND_MASK;
    if (kind == ZL_REPORT_MESSAGE && record->number != 0) {
        ++counters->errors;
        std::fprintf(stderr, "error %d: %s\n", record->number, record->text ? record->text : "");
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: extract_driver ARCHIVE DESTINATION\n");
        return 2;
    }
    HMODULE library = LoadLibraryA("ZipLib179.dll");
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load ZipLib179.dll\n");
        return 1;
    }
    auto unzExec = reinterpret_cast<ZlUnzExecFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "ZL_UnzExec")));
    if (unzExec == nullptr) return 1;

    std::string destination = argv[2];
    if (destination.back() != '\\') destination += '\\';
    Counters counters;
    ZlCommand command;
    std::memset(&command, 0, sizeof command);
    command.caller = &counters;
    command.version = ZL_INTERFACE_VERSION;
    command.callback = OnReport;
    command.reserved44 = -1;
    command.directoryNames = ZL_TRUE;
    command.overwrite = ZL_TRUE;
    command.archivePath = argv[1];
    command.passwordRequestCount = 1;
    command.destination = destination.c_str();
    command.endMarker = ZL_COMMAND_END_MARKER;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int32_t handled = unzExec(&command);
    QueryPerformanceCounter(&end);
    FreeLibrary(library);

    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("entries %d errors %ld reports %ld seconds %.3f peak_mb %.1f\n", handled,
                counters.errors, counters.reports,
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return handled < 0 || counters.errors != 0 ? 1 : 0;
}

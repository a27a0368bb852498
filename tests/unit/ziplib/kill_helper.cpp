// Dies in the middle of an extraction, as a killed installer would: extracts ARCHIVE into
// DESTINATION with ZipLib179.dll and, at the second progress step of the entry of SIZE bytes,
// ends its own process at once with exit code 9 (nothing of the library's clean-up runs).
// Exits with 3 when that entry never came.
//
//   ziplib_kill_helper LIBRARY ARCHIVE DESTINATION SIZE
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ziplib179.h"

namespace {

struct Target {
    uint64_t size;
    bool inEntry = false;
    int steps = 0;
};

int32_t ZL_CALL OnReport(void* caller, ZlCallbackRecord* record) {
    auto* target = static_cast<Target*>(caller);
    const int kind = record->kindOrReply & ZL_REPORT_KIND_MASK;
    if (kind == ZL_REPORT_ENTRY_START) target->inEntry = record->area.report.size == target->size;
    if (kind == ZL_REPORT_BYTES_DONE && target->inEntry && ++target->steps == 2)
        TerminateProcess(GetCurrentProcess(), 9);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    HMODULE library = LoadLibraryA(argv[1]);
    if (library == nullptr) return 2;
    auto unzExec = reinterpret_cast<ZlUnzExecFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "ZL_UnzExec")));
    if (unzExec == nullptr) return 2;
    std::string destination = argv[3];
    if (destination.back() != '\\') destination += '\\';
    Target target{std::strtoull(argv[4], nullptr, 10)};
    ZlCommand command;
    std::memset(&command, 0, sizeof command);
    command.caller = &target;
    command.version = ZL_INTERFACE_VERSION;
    command.callback = OnReport;
    command.reserved44 = -1;
    command.directoryNames = ZL_TRUE;
    command.overwrite = ZL_TRUE;
    command.archivePath = argv[2];
    command.passwordRequestCount = 1;
    command.destination = destination.c_str();
    command.endMarker = ZL_COMMAND_END_MARKER;
    unzExec(&command);
    return 3;
}

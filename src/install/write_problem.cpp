#include "install/write_problem.h"

#include <windows.h>

#include <cstdint>

#include "framework/handles.h"
#include "ziplib179.h"

namespace mvt::install {

namespace {

bool IsWriteFailure(const MissingEntry& entry) {
    return entry.reason == ZL_SKIP_WRITE_ERROR || (entry.errorCode & 0xFF) == ZL_ERR_WRITE;
}

std::string TargetOf(const ArchiveOutcome& outcome, const MissingEntry& entry) {
    return outcome.destination + "\\" + entry.name;
}

std::string ParentOf(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(0, cut);
}

// What writing the target would meet now: opening an existing file for writing without
// sharing it, or making a scratch file in the folder that would hold a new one.
WriteProblem ProbeTarget(const std::string& target) {
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
            return WriteProblem::AccessDenied;
        UniqueHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (file.get() != INVALID_HANDLE_VALUE) return WriteProblem::None;
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return WriteProblem::FileInUse;
        return error == ERROR_ACCESS_DENIED ? WriteProblem::AccessDenied : WriteProblem::None;
    }
    // The nearest folder that exists on the way to the target decides. A scratch file is
    // made there only when that folder is no link: nothing is written through one.
    std::string folder = ParentOf(target);
    DWORD folderAttributes;
    while ((folderAttributes = GetFileAttributesA(folder.c_str())) == INVALID_FILE_ATTRIBUTES &&
           folder.find('\\') != std::string::npos)
        folder = ParentOf(folder);
    if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
        (folderAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return WriteProblem::None;
    char scratch[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "mvt", 0, scratch) != 0) {
        DeleteFileA(scratch);
        return WriteProblem::None;
    }
    return GetLastError() == ERROR_ACCESS_DENIED ? WriteProblem::AccessDenied : WriteProblem::None;
}

// The first missing entry's file that another program holds open or that refuses writing.
std::string BlockedEntry(const ArchiveOutcome& outcome, WriteProblem problem) {
    for (const MissingEntry& entry : outcome.missing)
        if (IsWriteFailure(entry) && ProbeTarget(TargetOf(outcome, entry)) == problem)
            return entry.name;
    return {};
}

WriteProblem FindWriteProblem(const ArchiveOutcome& outcome) {
    uint64_t needed = 0;
    bool failed = false;
    for (const MissingEntry& entry : outcome.missing) {
        if (!IsWriteFailure(entry)) continue;
        failed = true;
        needed += entry.size;
    }
    if (!failed) return WriteProblem::None;
    // The library removes what it could not finish, so the room may be back by now; what
    // the rest needs against what is free says whether it runs out again.
    const uint64_t slack = 1 << 20;  // folders and cluster rounding
    if (outcome.freeBytes < needed + slack) return WriteProblem::DiskFull;  // never for MAX
    for (WriteProblem problem : {WriteProblem::FileInUse, WriteProblem::AccessDenied})
        if (!BlockedEntry(outcome, problem).empty()) return problem;
    return WriteProblem::None;
}

}  // namespace

uint64_t FreeBytesAt(const std::string& folder) {
    ULARGE_INTEGER available{};
    std::string existing = folder;
    while (!GetDiskFreeSpaceExA(existing.c_str(), &available, nullptr, nullptr)) {
        if (existing.find('\\') == std::string::npos) return UINT64_MAX;
        existing = ParentOf(existing);
    }
    return available.QuadPart;
}

void DiagnoseWriteProblem(ArchiveOutcome& outcome) {
    outcome.freeBytes = FreeBytesAt(outcome.destination);
    outcome.problem = FindWriteProblem(outcome);
    if (outcome.problem == WriteProblem::FileInUse || outcome.problem == WriteProblem::AccessDenied)
        outcome.blocked = BlockedEntry(outcome, outcome.problem);
}

}  // namespace mvt::install

// What an installation run achieved, archive by archive: what the zip component answered,
// which entries it could not write and why. Window-free: the finish screen, the write
// failure question and an unattended caller's exit code and log all read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mvt::install {

// Why entries could not be written, as far as the user can do something about it.
enum class WriteProblem {
    None,         // every entry was written, or the failures are none the user can remove
    DiskFull,     // the destination's drive has no room left
    FileInUse,    // another program holds a file open
    AccessDenied  // a file or folder refuses writing (read-only, no rights)
};

// One entry the library skipped or could not write.
struct MissingEntry {
    std::string name;   // as the library reported it, with "\"
    int reason = 0;     // the library's skip reason
    int errorCode = 0;  // the entry error code, full (low byte: the library's error)
    uint64_t size = 0;  // uncompressed size from the archive's directory, 0 if unknown
};

struct ArchiveOutcome {
    std::string archive;                // full path
    std::string destination;            // the folder it unpacked into
    int result = 0;                     // Extract's result: the component's error code, 0 = none
    std::string errorMessage;           // the component's error text after Extract
    bool directoryRead = false;         // the archive could be opened and listed
    uint32_t files = 0;                 // file entries its directory holds
    std::vector<std::string> messages;  // the library's error messages, in order
    std::vector<MissingEntry> missing;  // entries not written
    // Found out on the destination after the attempt: the cause the user can remove, the
    // entry in use or refusing writing (relative to the destination), the room left.
    WriteProblem problem = WriteProblem::None;
    std::string blocked;
    uint64_t freeBytes = 0;

    // Every file of the archive was written.
    bool Complete() const { return directoryRead && result == 0 && missing.empty(); }
    // Files known not to have been written: the missing entries, or every file of an
    // archive that could not be read at all (unknown then: 0).
    uint64_t MissingFiles() const { return directoryRead ? missing.size() : files; }
    uint64_t MissingBytes() const;
};

struct InstallationOutcome {
    std::vector<ArchiveOutcome> archives;   // the last attempt of each archive, in run order
    bool cancelled = false;                 // a checkpoint found the cancel mark set
    bool finished = false;                  // the run reached the finish screen
    bool undone = false;                    // everything the run changed was put back
    std::vector<std::string> undoFailures;  // what could not be put back, "<what>: <why>"

    bool Complete() const;
    uint64_t MissingFiles() const;
    // Archives that could not be opened or read at all.
    unsigned UnreadableArchives() const;
};

}  // namespace mvt::install

// Reading an archive's central directory without the zip library: finding the end
// record, walking the central headers, code-page conversion of names and comments, and
// the directory progress reports. No window headers: file access, code-page conversion
// and reporting go through DirReaderHost, so the reader also builds natively for fuzzing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mvt::zip {

enum class CodePageOpts { cpAuto, cpNone, cpOEM };
enum class DriveKind { Invalid, Unknown, Removable, Fixed, Network, CdRom, RamDisk };

// One kept central header. The numeric fields are the header's bytes 4..45 as stored, widened
// where the Zip64 records carry larger numbers.
struct ZipDirEntry {
    uint8_t madeByVersion = 0;
    uint8_t hostSystem = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t compressionMethod = 0;
    uint16_t modTime = 0;
    uint16_t modDate = 0;
    uint32_t crc32 = 0;
    // The sizes and the offset are 64-bit: where the header's own field is saturated
    // (0xFFFFFFFF), the number the entry's Zip64 extra field gives.
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint16_t fileNameLength = 0;
    uint16_t extraFieldLength = 0;
    uint16_t fileCommentLength = 0;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint64_t localHeaderOffset = 0;
    std::string fileName;     // code-page converted, "/" turned into "\"
    std::string fileComment;  // at most DirReadOptions::maxKeptPerEntry bytes of it
    bool encrypted = false;
    std::string extraData;  // raw bytes, at most DirReadOptions::maxKeptPerEntry of them
};

// What a read leaves behind besides the entries.
struct ArchiveState {
    std::string path;  // the file actually read
    int64_t fileSize = 0;
    int64_t endRecordPosition = 0;
    int64_t centralPosition = 0;
    int64_t firstLocalHeaderOffset = 0;  // bytes prepended to the archive
    std::string comment;
    int lastDisk = 0;
    bool spanned = false;
    bool multiPart = false;
    bool structureError = false;
    int droppedDirectories = 0;
    uint8_t hostSystem = 0;
    uint8_t madeByVersion = 20;
};

class ArchiveFile {
  public:
    virtual ~ArchiveFile() = default;
    virtual int64_t Size() = 0;  // -1 when unknown
    virtual bool Seek(int64_t position) = 0;
    virtual size_t Read(void* buffer, size_t count) = 0;
};

// The reader's view of the system and of the component it reports to.
class DirReaderHost {
  public:
    virtual ~DirReaderHost() = default;
    virtual std::string ExpandPath(const std::string& path) = 0;
    // Invalid when the path has no drive letter present among the logical drives.
    virtual DriveKind DriveOf(const std::string& expandedPath) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Opens for reading while denying others write access; null on failure.
    virtual std::unique_ptr<ArchiveFile> OpenForReading(const std::string& path) = 0;
    virtual std::string ConvertOemToAnsi(const std::string& text) = 0;

    // An error reported by id (information box unless unattended, OnMessage).
    virtual void ReportById(int id) = 0;
    // An error raised inside the reader (error box unless unattended, OnMessage).
    virtual void ReportRaised(int id, const std::string& suffix) = 0;
    // A diagnostic line to OnMessage with code 0.
    virtual void ReportDiagnostic(const std::string& text) = 0;
    virtual void ProgressStart(uint32_t count) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressEnd() = 0;
    virtual void NewName(int sequence, const ZipDirEntry& entry) = 0;
    virtual bool CancelRequested() = 0;
    virtual void BusyCursor(bool busy) = 0;
    virtual void DirUpdate() = 0;
};

// What a directory may make the reader hold, so that a hostile archive (65535 entries with
// 64 KiB of extra data and 64 KiB of comment each would be 8 GiB) cannot exhaust memory.
// Real archives carry a few dozen bytes of extra data per entry and rarely a comment.
constexpr size_t kMaxKeptPerEntry = 4096;
constexpr size_t kMaxKeptTotal = 16u << 20;

struct DirReadOptions {
    CodePageOpts codePage = CodePageOpts::cpAuto;
    bool useDirOnlyEntries = false;
    bool verbose = false;
    // An entry keeps at most this much of its extra field and of its comment each (the
    // rest is skipped; the lengths stay as recorded) ...
    size_t maxKeptPerEntry = kMaxKeptPerEntry;
    // ... and all entries together at most this much of both; past it the read stops with
    // message 10103 and a note saying why.
    size_t maxKeptTotal = kMaxKeptTotal;
};

enum class DirReadOutcome {
    NotOpened,  // missing, invalid drive or no end record: nothing more happened
    Failed,     // opened, then an error stopped the walk: the archive name is to be emptied
    Succeeded,
};

// The position of the end record and what follows it. When the end record leaves its
// numbers to a Zip64 end record, they are that record's.
struct EndRecordInfo {
    int64_t position = 0;
    int64_t fileSize = 0;  // corrected to the end of record and comment
    uint32_t thisDisk = 0, centralDisk = 0;
    uint64_t entriesOnDisk = 0, totalEntries = 0, centralSize = 0, centralOffset = 0;
    int64_t zip64Position = -1;  // where the Zip64 end record is; -1: none
    std::string rawComment;
    bool garbage = false;  // bytes after the comment that call for the warning
};

enum class EndRecordSearch { Found, NotFound, SizeError };
EndRecordSearch LocateEndRecord(ArchiveFile& file, EndRecordInfo& info, int64_t& size);

// Reads the central directory of `zipFileName` into `entries` and `state`.
DirReadOutcome ReadZipDirectory(DirReaderHost& host, const std::string& zipFileName,
                                const DirReadOptions& options, std::vector<ZipDirEntry>& entries,
                                ArchiveState& state);

}  // namespace mvt::zip

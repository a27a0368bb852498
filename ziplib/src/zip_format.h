// Reading the structures of a zip archive: the end record, the central directory and the
// local headers. No platform headers: the archive is reached through ByteSource, so this
// code also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip_records.h"

namespace ziplib {

using namespace zip_records;

// Random access to the archive's bytes.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly `count` bytes at `offset`; false on a short read or a read error.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
    // Another reader of the same bytes, for another thread: a reader is used by one thread
    // at a time, several readers at once.
    virtual std::unique_ptr<ByteSource> Another() = 0;
};

// One central directory header, numbers widened where zip64 may extend them.
struct CentralEntry {
    std::string name;    // raw bytes as stored
    uint32_t index = 0;  // position in the central directory
    uint16_t versionMadeBy = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t localHeaderOffset = 0;  // as recorded
    uint32_t externalAttributes = 0;

    uint8_t HostSystem() const { return static_cast<uint8_t>(versionMadeBy >> 8); }
    bool IsEncrypted() const { return (flags & kFlagEncrypted) != 0; }
    bool IsUtf8() const { return (flags & kFlagUtf8) != 0; }
    bool IsDirectory() const {
        return !name.empty() && (name.back() == '/' || name.back() == '\\');
    }
    uint32_t DosDateTime() const { return (uint32_t{dosDate} << 16) | dosTime; }
};

enum class DirectoryError {
    kNone,
    kUnreadable,    // the file cannot be read at all
    kNoEndRecord,   // not a zip archive
    kSpanned,       // part of a multi-disk set
    kBadDirectory,  // central directory out of range, truncated or with a wrong signature
};

struct Directory {
    std::vector<CentralEntry> entries;
    uint64_t centralDirectoryOffset = 0;  // where it really is in the file
    int64_t offsetShift = 0;              // bytes the recorded offsets are off by (prepended data)
    std::vector<uint64_t> localHeaderStarts;  // sorted, with the shift applied
};

struct DirectoryResult {
    DirectoryError error = DirectoryError::kNone;
    std::string detail;  // a short English reason for the error
    Directory directory;
};

DirectoryResult ReadDirectory(ByteSource& source);

// Where an entry's (possibly encrypted) data lies.
struct EntryData {
    uint64_t offset = 0;
    uint64_t size = 0;  // compressed size, encryption header included
};

enum class LocateError { kNone, kBadLocalHeader, kOutOfRange, kOverlap };

struct LocateResult {
    LocateError error = LocateError::kNone;
    EntryData data;
};

// Finds the entry's data through its local header. Refuses data that reaches past the next
// entry's local header or into the central directory, and entries that share a local
// header with another entry, so that no byte of the archive is read for two entries.
LocateResult LocateEntryData(ByteSource& source, const Directory& directory,
                             const CentralEntry& entry);

}  // namespace ziplib

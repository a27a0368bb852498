#include "zip_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ziplib {
namespace {

// Reads a region front to back through a window, so that a central directory of any size
// is parsed with bounded memory.
class SequentialReader {
  public:
    SequentialReader(ByteSource& source, uint64_t begin, uint64_t end)
        : source_(source), position_(begin), end_(end) {}

    // Returns a pointer to the next `count` bytes (count <= kWindow), or nullptr when the
    // region ends first or the read fails.
    const uint8_t* Take(size_t count) {
        if (count > end_ - position_) return nullptr;
        if (count > filled_ - used_) {
            if (count > kWindow) return nullptr;
            std::memmove(window_.data(), window_.data() + used_, filled_ - used_);
            filled_ -= used_;
            used_ = 0;
            const uint64_t readFrom = position_ + filled_;
            const size_t want =
                static_cast<size_t>(std::min<uint64_t>(kWindow - filled_, end_ - readFrom));
            if (!source_.ReadAt(readFrom, window_.data() + filled_, want)) return nullptr;
            filled_ += want;
        }
        const uint8_t* p = window_.data() + used_;
        used_ += count;
        position_ += count;
        return p;
    }

  private:
    static constexpr size_t kWindow = 1 << 17;
    ByteSource& source_;
    uint64_t position_;
    uint64_t end_;
    std::vector<uint8_t> window_ = std::vector<uint8_t>(kWindow);
    size_t filled_ = 0;
    size_t used_ = 0;
};

// The end record: the last 22 bytes, or the last signature within comment reach whose
// record fits in the file.
bool FindEndRecord(ByteSource& source, uint64_t fileSize, uint64_t& position,
                   std::array<uint8_t, kEndRecordSize>& record) {
    if (fileSize < kEndRecordSize) return false;
    if (source.ReadAt(fileSize - kEndRecordSize, record.data(), kEndRecordSize) &&
        Le32(record.data()) == kEndRecordSignature) {
        position = fileSize - kEndRecordSize;
        return true;
    }
    const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(fileSize, kEndSearchWindow));
    std::vector<uint8_t> tail(tailSize);
    const uint64_t tailStart = fileSize - tailSize;
    if (!source.ReadAt(tailStart, tail.data(), tailSize)) return false;
    for (size_t i = tailSize - kEndRecordSize + 1; i-- > 0;) {
        if (Le32(&tail[i]) == kEndRecordSignature) {
            std::memcpy(record.data(), &tail[i], kEndRecordSize);
            position = tailStart + i;
            return true;
        }
    }
    return false;
}

}  // namespace

DirectoryResult ReadDirectory(ByteSource& source) {
    DirectoryResult result;
    auto fail = [&](DirectoryError error, const char* detail) {
        result.error = error;
        result.detail = detail;
        result.directory = Directory{};
        return result;
    };
    const uint64_t fileSize = source.Size();
    uint64_t endPosition = 0;
    std::array<uint8_t, kEndRecordSize> end{};
    if (!FindEndRecord(source, fileSize, endPosition, end))
        return fail(DirectoryError::kNoEndRecord, "This archive is not a valid Zip archive");
    uint32_t thisDisk = Le16(&end[4]);
    uint32_t directoryDisk = Le16(&end[6]);
    uint64_t entryCount = Le16(&end[10]);
    uint64_t directorySize = Le32(&end[12]);
    uint64_t recordedOffset = Le32(&end[16]);
    uint64_t directoryEnd = endPosition;
    // Numbers too large for the end record are in the Zip64 end record, and the directory
    // ends where that begins.
    Zip64End zip64;
    if (EndRecordSaturated(end.data()) &&
        FindZip64End([&](uint64_t at, void* to, size_t n) { return source.ReadAt(at, to, n); },
                     endPosition, zip64)) {
        thisDisk = zip64.thisDisk;
        directoryDisk = zip64.centralDisk;
        entryCount = zip64.totalEntries;
        directorySize = zip64.centralSize;
        recordedOffset = zip64.centralOffset;
        directoryEnd = zip64.position;
    }
    if (thisDisk != 0 || directoryDisk != 0)
        return fail(DirectoryError::kSpanned, "Multi-part archives are not supported");
    if (directorySize > directoryEnd)
        return fail(DirectoryError::kBadDirectory, "Central directory out of range");
    // The directory ends where the end record starts; comparing with where the archive says
    // it starts gives the size of data prepended to the archive (a self-extractor stub).
    Directory& dir = result.directory;
    dir.centralDirectoryOffset = directoryEnd - directorySize;
    dir.offsetShift =
        static_cast<int64_t>(dir.centralDirectoryOffset) - static_cast<int64_t>(recordedOffset);

    // Never trust the count for allocation: every header takes at least 46 bytes.
    dir.entries.reserve(
        static_cast<size_t>(std::min(entryCount, directorySize / kCentralHeaderSize)));
    SequentialReader reader(source, dir.centralDirectoryOffset, directoryEnd);
    for (uint64_t i = 0; i < entryCount; ++i) {
        const uint8_t* h = reader.Take(kCentralHeaderSize);
        if (h == nullptr)
            return fail(DirectoryError::kBadDirectory, "Central directory is truncated");
        if (Le32(h) != kCentralHeaderSignature)
            return fail(DirectoryError::kBadDirectory,
                        "Central directory entry has a wrong signature");
        CentralEntry entry;
        entry.index = static_cast<uint32_t>(i);
        entry.versionMadeBy = Le16(h + 4);
        entry.flags = Le16(h + 8);
        entry.method = Le16(h + 10);
        entry.dosTime = Le16(h + 12);
        entry.dosDate = Le16(h + 14);
        entry.crc32 = Le32(h + 16);
        entry.compressedSize = Le32(h + 20);
        entry.uncompressedSize = Le32(h + 24);
        const size_t nameLength = Le16(h + 28);
        const size_t extraLength = Le16(h + 30);
        const size_t commentLength = Le16(h + 32);
        entry.externalAttributes = Le32(h + 38);
        entry.localHeaderOffset = Le32(h + 42);
        const uint8_t* name = reader.Take(nameLength);
        if (name == nullptr)
            return fail(DirectoryError::kBadDirectory, "Central directory is truncated");
        entry.name.assign(reinterpret_cast<const char*>(name), nameLength);
        const uint8_t* extra = reader.Take(extraLength);
        if (extra == nullptr)
            return fail(DirectoryError::kBadDirectory, "Central directory is truncated");
        ApplyZip64Extra(extra, extraLength, entry.uncompressedSize, entry.compressedSize,
                        entry.localHeaderOffset);
        if (reader.Take(commentLength) == nullptr)
            return fail(DirectoryError::kBadDirectory, "Central directory is truncated");
        dir.entries.push_back(std::move(entry));
    }

    dir.localHeaderStarts.reserve(dir.entries.size());
    for (const CentralEntry& entry : dir.entries) {
        const int64_t start = static_cast<int64_t>(entry.localHeaderOffset) + dir.offsetShift;
        if (start >= 0) dir.localHeaderStarts.push_back(static_cast<uint64_t>(start));
    }
    std::sort(dir.localHeaderStarts.begin(), dir.localHeaderStarts.end());
    return result;
}

LocateResult LocateEntryData(ByteSource& source, const Directory& directory,
                             const CentralEntry& entry) {
    LocateResult result;
    const int64_t shifted = static_cast<int64_t>(entry.localHeaderOffset) + directory.offsetShift;
    if (shifted < 0 || static_cast<uint64_t>(shifted) >= directory.centralDirectoryOffset) {
        result.error = LocateError::kOutOfRange;
        return result;
    }
    const uint64_t start = static_cast<uint64_t>(shifted);
    const auto& starts = directory.localHeaderStarts;
    const auto same = std::equal_range(starts.begin(), starts.end(), start);
    if (same.second - same.first > 1) {
        result.error = LocateError::kOverlap;
        return result;
    }
    const uint64_t limit = same.second == starts.end()
                               ? directory.centralDirectoryOffset
                               : std::min(*same.second, directory.centralDirectoryOffset);
    uint8_t header[kLocalHeaderSize];
    if (limit - start < kLocalHeaderSize || !source.ReadAt(start, header, sizeof header) ||
        Le32(header) != kLocalHeaderSignature) {
        result.error = LocateError::kBadLocalHeader;
        return result;
    }
    const uint64_t dataOffset = start + kLocalHeaderSize + Le16(header + 26) + Le16(header + 28);
    if (dataOffset > limit || entry.compressedSize > limit - dataOffset) {
        result.error = LocateError::kOverlap;
        return result;
    }
    result.data.offset = dataOffset;
    result.data.size = entry.compressedSize;
    return result;
}

}  // namespace ziplib

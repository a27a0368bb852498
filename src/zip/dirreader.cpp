#include "zip/dirreader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "zip_records.h"

namespace mvt::zip {

namespace {

using namespace zip_records;

constexpr size_t kLongestName = 260;
constexpr size_t kGarbageTestLimit = 512;
constexpr uint8_t kGarbageByteLimit = 47;

// Message ids raised by the walk.
constexpr int kSeekError = 10201, kListError = 10202, kStructureWarning = 10203,
              kGarbageWarning = 10204, kNoMemory = 10103, kZipNotOpened = 11002,
              kUserCancelled = 11007, kEndRecordError = 11011, kCentralHeaderError = 11013,
              kCentralSignatureWrong = 11015, kCentralName = 11017, kFileComment = 11022,
              kNotAZip = 11036;

// An error raised while walking the directory, reported by its message id.
struct ZipReadError {
    int id;
    std::string suffix = {};
};

bool ReadExact(ArchiveFile& file, void* buffer, size_t count) {
    return file.Read(buffer, count) == count;
}

std::string ReadText(ArchiveFile& file, size_t count, int errorId) {
    std::string text(count, '\0');
    if (count && !ReadExact(file, text.data(), count)) throw ZipReadError{errorId};
    return text;
}

// Reads `count` bytes of which the first `keep` are returned; the rest goes through a small
// buffer and is dropped.
std::string ReadKeeping(ArchiveFile& file, size_t count, size_t keep, int errorId) {
    if (count <= keep) return ReadText(file, count, errorId);
    std::string text = ReadText(file, keep, errorId);
    char skipped[4096];
    for (size_t left = count - keep; left > 0;) {
        const size_t step = std::min(left, sizeof skipped);
        if (!ReadExact(file, skipped, step)) throw ZipReadError{errorId};
        left -= step;
    }
    return text;
}

EndRecordInfo ParseEndRecord(const uint8_t* p, int64_t position) {
    EndRecordInfo info;
    info.position = position;
    info.thisDisk = Le16(p + 4);
    info.centralDisk = Le16(p + 6);
    info.entriesOnDisk = Le16(p + 8);
    info.totalEntries = Le16(p + 10);
    info.centralSize = Le32(p + 12);
    info.centralOffset = Le32(p + 16);
    return info;
}

// A recorded 64-bit offset as a file position; one beyond any file stays beyond any file.
int64_t ClampedPosition(uint64_t offset) {
    return static_cast<int64_t>(std::min<uint64_t>(offset, INT64_MAX));
}

bool EndsWithZipExtension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".zip";
}

std::string ChangeExtension(const std::string& path, const std::string& extension) {
    const size_t dot = path.find_last_of('.');
    const size_t separator = path.find_last_of("\\/:");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return path + extension;
    return path.substr(0, dot) + extension;
}

bool FixedLike(DriveKind kind) {
    return kind == DriveKind::Fixed || kind == DriveKind::Network || kind == DriveKind::RamDisk;
}

bool HasEndRecord(DirReaderHost& host, const std::string& path) {
    auto file = host.OpenForReading(path);
    EndRecordInfo info;
    int64_t size = 0;
    return file && LocateEndRecord(*file, info, size) == EndRecordSearch::Found;
}

// Where the local header of the central header `h` (just read from `file`) lies: its own
// field, or the Zip64 extra field's number when that is saturated. -1 when unreadable.
int64_t LocalHeaderOffset(ArchiveFile& file, const uint8_t* h) {
    uint64_t size = Le32(h + 24), compressed = Le32(h + 20), offset = Le32(h + 42);
    if (offset == kSaturated32) {
        std::vector<uint8_t> extra(Le16(h + 30));
        const std::string name = ReadText(file, Le16(h + 28), kCentralName);
        // An empty extra field has no memory to read into: nothing is read.
        if (!extra.empty() && !ReadExact(file, extra.data(), extra.size())) return -1;
        ApplyZip64Extra(extra.data(), extra.size(), size, compressed, offset);
    }
    return offset > uint64_t{INT64_MAX} ? -1 : static_cast<int64_t>(offset);
}

// A program with an archive appended whose offsets were not adjusted: the directory is
// read from the companion ".zip" file instead.
std::string ProbeType(DirReaderHost& host, const std::string& name) {
    auto file = host.OpenForReading(name);
    if (!file) return name;
    char mz[2];
    if (!ReadExact(*file, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return name;
    EndRecordInfo info;
    int64_t size = 0;
    if (LocateEndRecord(*file, info, size) != EndRecordSearch::Found) return name;
    uint8_t header[kCentralHeaderSize];
    uint8_t local[4] = {};
    try {
        const bool localFound = file->Seek(static_cast<int64_t>(info.centralOffset)) &&
                                ReadExact(*file, header, sizeof header) &&
                                Le32(header) == kCentralHeaderSignature &&
                                file->Seek(LocalHeaderOffset(*file, header)) &&
                                ReadExact(*file, local, 4) && Le32(local) == kLocalHeaderSignature;
        return localFound ? name : ChangeExtension(name, ".zip");
    } catch (const ZipReadError&) {
        return ChangeExtension(name, ".zip");
    }
}

class DirectoryRead {
  public:
    DirectoryRead(DirReaderHost& host, const DirReadOptions& options,
                  std::vector<ZipDirEntry>& entries, ArchiveState& state)
        : host_(host), options_(options), entries_(entries), state_(state) {}

    DirReadOutcome Run(const std::string& zipFileName);

  private:
    std::unique_ptr<ArchiveFile> Open(const std::string& path, EndRecordInfo& end);
    void Walk(ArchiveFile& file, const EndRecordInfo& end);
    ZipDirEntry ReadEntry(ArchiveFile& file);
    std::string Convert(const std::string& text, uint8_t host, uint8_t madeBy) const;

    DirReaderHost& host_;
    const DirReadOptions& options_;
    std::vector<ZipDirEntry>& entries_;
    ArchiveState& state_;
    uint8_t rememberedHost_ = 0, rememberedMadeBy_ = 20;
    size_t kept_ = 0;  // bytes of extra data and comments held so far
};

std::string DirectoryRead::Convert(const std::string& text, uint8_t host, uint8_t madeBy) const {
    const bool oem = options_.codePage == CodePageOpts::cpOEM ||
                     (options_.codePage == CodePageOpts::cpAuto && host == 0) || host == 6 ||
                     (host == 11 && madeBy == 50);
    return oem ? host_.ConvertOemToAnsi(text) : text;
}

std::unique_ptr<ArchiveFile> DirectoryRead::Open(const std::string& path, EndRecordInfo& end) {
    const std::string expanded = host_.ExpandPath(path);
    const DriveKind drive = host_.DriveOf(expanded);
    if (drive == DriveKind::Invalid) return nullptr;
    state_.path = expanded;
    if (!host_.FileExists(expanded)) {
        // Multi-part sets: name001.zip, name002.zip, ...; the part with the end record.
        if (!FixedLike(drive) || !EndsWithZipExtension(expanded)) return nullptr;
        bool found = false;
        for (int part = 1; part <= 999 && !found; ++part) {
            char number[4];
            std::snprintf(number, sizeof number, "%03d", part);
            const std::string partName = expanded.substr(0, expanded.size() - 4) + number +
                                         expanded.substr(expanded.size() - 4);
            if (!host_.FileExists(partName)) break;
            if (HasEndRecord(host_, partName)) {
                state_.path = partName;
                state_.multiPart = found = true;
            }
        }
        if (!found) return nullptr;
    }
    auto file = host_.OpenForReading(state_.path);
    EndRecordSearch search = EndRecordSearch::NotFound;
    if (!file) {
        host_.ReportById(kZipNotOpened);
    } else {
        uint8_t start[8];
        if (ReadExact(*file, start, 8) && Le32(start) == kSpanMarker &&
            Le32(start + 4) == kLocalHeaderSignature)
            state_.spanned = true;
        int64_t size = 0;
        search = LocateEndRecord(*file, end, size);
        if (search == EndRecordSearch::SizeError && options_.verbose)
            host_.ReportDiagnostic("Opening EOC seek/size error " +
                                   std::to_string(std::max<int64_t>(size, 0) / 1048576) + "Mb");
    }
    if (search != EndRecordSearch::Found) {
        host_.ReportById(kNotAZip);
        return nullptr;
    }
    if (end.garbage) host_.ReportById(kGarbageWarning);
    return file;
}

ZipDirEntry DirectoryRead::ReadEntry(ArchiveFile& file) {
    uint8_t h[kCentralHeaderSize];
    if (!ReadExact(file, h, sizeof h)) throw ZipReadError{kCentralHeaderError};
    if (Le32(h) != kCentralHeaderSignature) throw ZipReadError{kCentralSignatureWrong};
    ZipDirEntry e;
    e.fileNameLength = Le16(h + 28);
    if (e.fileNameLength >= kLongestName) throw ZipReadError{kCentralName};
    const std::string rawName = ReadText(file, e.fileNameLength, kCentralName);
    e.madeByVersion = h[4];
    e.hostSystem = h[5];
    if (e.hostSystem != 0) {
        rememberedHost_ = e.hostSystem;
        rememberedMadeBy_ = e.madeByVersion;
    }
    e.versionNeeded = Le16(h + 6);
    e.flags = Le16(h + 8);
    e.compressionMethod = Le16(h + 10);
    e.modTime = Le16(h + 12);
    e.modDate = Le16(h + 14);
    e.crc32 = Le32(h + 16);
    e.compressedSize = Le32(h + 20);
    e.uncompressedSize = Le32(h + 24);
    e.extraFieldLength = Le16(h + 30);
    e.fileCommentLength = Le16(h + 32);
    e.diskNumberStart = Le16(h + 34);
    e.internalAttributes = Le16(h + 36);
    e.externalAttributes = Le32(h + 38);
    e.localHeaderOffset = Le32(h + 42);
    e.fileName = Convert(rawName, e.hostSystem, e.madeByVersion);
    std::replace(e.fileName.begin(), e.fileName.end(), '/', '\\');
    e.encrypted = e.flags & 1;
    e.extraData = ReadKeeping(file, e.extraFieldLength, options_.maxKeptPerEntry, kSeekError);
    ApplyZip64Extra(reinterpret_cast<const uint8_t*>(e.extraData.data()), e.extraData.size(),
                    e.uncompressedSize, e.compressedSize, e.localHeaderOffset);
    e.fileComment =
        Convert(ReadKeeping(file, e.fileCommentLength, options_.maxKeptPerEntry, kFileComment),
                e.hostSystem, e.madeByVersion);
    kept_ += e.extraData.size() + e.fileComment.size();
    if (kept_ > options_.maxKeptTotal)
        throw ZipReadError{kNoMemory, ": the archive's directory holds more than " +
                                          std::to_string(options_.maxKeptTotal >> 20) +
                                          " MiB of extra fields and comments"};
    return e;
}

void DirectoryRead::Walk(ArchiveFile& file, const EndRecordInfo& end) {
    state_.lastDisk = static_cast<int>(end.thisDisk);
    if (end.thisDisk != 0) state_.spanned = true;
    // Multi-disk sets are never switched here: a directory on another disk is read from
    // its recorded offset in this file. On this disk the directory ends where the end record
    // (or the Zip64 end record) begins.
    const int64_t directoryEnd =
        end.zip64Position >= 0
            ? end.zip64Position
            : state_.fileSize - int64_t(end.rawComment.size()) - int64_t{kEndRecordSize};
    state_.centralPosition = end.centralDisk != end.thisDisk ? ClampedPosition(end.centralOffset)
                             : end.centralSize > uint64_t{INT64_MAX}
                                 ? -1
                                 : directoryEnd - static_cast<int64_t>(end.centralSize);
    state_.firstLocalHeaderOffset = state_.fileSize == kEndRecordSize ? 0 : state_.fileSize;
    if (state_.centralPosition < 0 || uint64_t(state_.centralPosition) != end.centralOffset) {
        state_.structureError = true;
        host_.ReportById(kStructureWarning);
    }
    if (state_.centralPosition < 0 || !file.Seek(state_.centralPosition))
        throw ZipReadError{kSeekError};
    host_.ProgressStart(static_cast<uint32_t>(std::min<uint64_t>(end.totalEntries, UINT32_MAX)));
    for (uint64_t sequence = 1; sequence <= end.totalEntries; ++sequence) {
        ZipDirEntry entry = ReadEntry(file);
        const int64_t localOffset = ClampedPosition(entry.localHeaderOffset);
        if (options_.useDirOnlyEntries || entry.fileName.empty() || entry.fileName.back() != '\\') {
            entries_.push_back(std::move(entry));
            host_.NewName(static_cast<int>(std::min<uint64_t>(sequence, INT_MAX)), entries_.back());
        } else {
            ++state_.droppedDirectories;
        }
        state_.firstLocalHeaderOffset = std::min(state_.firstLocalHeaderOffset, localOffset);
        host_.ProgressStep();
        if (host_.CancelRequested()) throw ZipReadError{kUserCancelled};
    }
    // What follows the directory: the Zip64 end record where there is one, else the end record.
    const bool zip64 = end.zip64Position >= 0;
    uint8_t record[kZip64EndRecordSize];
    if (!ReadExact(file, record, zip64 ? kZip64EndRecordSize : kEndRecordSize))
        throw ZipReadError{kCentralHeaderError};
    if (Le32(record) != (zip64 ? kZip64EndRecordSignature : kEndRecordSignature))
        throw ZipReadError{kEndRecordError};
    state_.lastDisk = static_cast<int>(zip64 ? Le32(record + 16) : Le16(record + 4));
}

DirReadOutcome DirectoryRead::Run(const std::string& zipFileName) {
    entries_.clear();
    state_ = ArchiveState{};
    const std::string name = ProbeType(host_, zipFileName);
    EndRecordInfo end;
    auto file = Open(name, end);
    if (!file) {
        host_.DirUpdate();
        return DirReadOutcome::NotOpened;
    }
    state_.fileSize = end.fileSize;
    state_.endRecordPosition = end.position;
    host_.BusyCursor(true);
    bool succeeded = false;
    try {
        Walk(*file, end);
        succeeded = true;
    } catch (const ZipReadError& error) {
        host_.ReportRaised(error.id, error.suffix);
    } catch (const std::bad_alloc&) {
        host_.ReportRaised(kNoMemory, {});
    } catch (const std::exception& error) {
        host_.ReportRaised(kListError, error.what());
    }
    host_.ProgressEnd();
    host_.BusyCursor(false);
    file.reset();
    if (succeeded) {
        state_.firstLocalHeaderOffset +=
            static_cast<int64_t>(static_cast<uint64_t>(state_.centralPosition) - end.centralOffset);
        state_.hostSystem = rememberedHost_;
        state_.madeByVersion = rememberedMadeBy_;
        state_.comment = Convert(end.rawComment, rememberedHost_, rememberedMadeBy_);
    } else {
        state_.firstLocalHeaderOffset = 0;
    }
    host_.DirUpdate();
    return succeeded ? DirReadOutcome::Succeeded : DirReadOutcome::Failed;
}

}  // namespace

namespace {

EndRecordSearch FindEndRecord(ArchiveFile& file, EndRecordInfo& info, int64_t& size) {
    size = file.Size();
    if (size < 0) return EndRecordSearch::SizeError;
    if (size > int64_t{kEndRecordSize} - 1) {
        uint8_t tail[kEndRecordSize];
        if (!file.Seek(size - kEndRecordSize)) return EndRecordSearch::SizeError;
        if (ReadExact(file, tail, sizeof tail) && Le32(tail) == kEndRecordSignature) {
            info = ParseEndRecord(tail, size - kEndRecordSize);
            info.fileSize = size;
            return EndRecordSearch::Found;
        }
    }
    const int64_t windowSize = std::min(size, int64_t{kEndSearchWindow});
    const int64_t windowStart = size - windowSize;
    std::vector<uint8_t> window(static_cast<size_t>(windowSize));
    if (!file.Seek(windowStart) || !ReadExact(file, window.data(), window.size()))
        return EndRecordSearch::NotFound;
    for (int64_t at = windowSize - 23; at >= 0; --at) {
        const uint8_t* p = window.data() + at;
        if (Le32(p) != kEndRecordSignature) continue;
        info = ParseEndRecord(p, windowStart + at);
        const int64_t commentStart = at + int64_t{kEndRecordSize};
        const int64_t commentLength = std::min<int64_t>(Le16(p + 20), windowSize - commentStart);
        info.rawComment.assign(reinterpret_cast<const char*>(p + kEndRecordSize),
                               static_cast<size_t>(commentLength));
        const int64_t end = commentStart + commentLength;
        info.fileSize = size;
        if (end < windowSize) {
            info.fileSize = windowStart + end;
            const int64_t remaining = windowSize - end;
            info.garbage = remaining >= int64_t{kGarbageTestLimit} ||
                           std::any_of(window.begin() + end, window.end(),
                                       [](uint8_t b) { return b >= kGarbageByteLimit; });
        }
        return EndRecordSearch::Found;
    }
    return EndRecordSearch::NotFound;
}

}  // namespace

EndRecordSearch LocateEndRecord(ArchiveFile& file, EndRecordInfo& info, int64_t& size) {
    const EndRecordSearch search = FindEndRecord(file, info, size);
    if (search != EndRecordSearch::Found) return search;
    uint8_t record[kEndRecordSize];
    Zip64End zip64;
    const auto readAt = [&file](uint64_t at, void* to, size_t count) {
        return file.Seek(ClampedPosition(at)) && ReadExact(file, to, count);
    };
    if (readAt(info.position, record, sizeof record) && EndRecordSaturated(record) &&
        FindZip64End(readAt, info.position, zip64)) {
        info.zip64Position = static_cast<int64_t>(zip64.position);
        info.thisDisk = zip64.thisDisk;
        info.centralDisk = zip64.centralDisk;
        info.entriesOnDisk = zip64.entriesOnDisk;
        info.totalEntries = zip64.totalEntries;
        info.centralSize = zip64.centralSize;
        info.centralOffset = zip64.centralOffset;
    }
    return EndRecordSearch::Found;
}

DirReadOutcome ReadZipDirectory(DirReaderHost& host, const std::string& zipFileName,
                                const DirReadOptions& options, std::vector<ZipDirEntry>& entries,
                                ArchiveState& state) {
    return DirectoryRead(host, options, entries, state).Run(zipFileName);
}

}  // namespace mvt::zip

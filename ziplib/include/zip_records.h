// The records of the zip file format as every zip reader and writer of the project sees them:
// their signatures, fixed sizes and the field values with a meaning of their own, and the
// little-endian numbers they are made of. Header only and free of platform headers: the zip
// component's directory reader, the zip library and the distribution packer include it, and
// the fuzz targets build it natively. How each reader reacts to what it finds stays its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace zip_records {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
// Starts the first part of a spanned set (and a data descriptor, where one is signed).
constexpr uint32_t kSpanMarker = 0x08074B50;

// Fixed parts, without the names, extra fields and comments that follow them.
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndRecordSize = 56;
constexpr size_t kMaxCommentSize = 0xFFFF;
// The end record lies within this many bytes of the end of the file.
constexpr size_t kEndSearchWindow = kEndRecordSize + kMaxCommentSize;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// The extra field that carries the 64-bit numbers of an entry, and the values a 16- or 32-bit
// field holds when its number is given in the Zip64 records instead.
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kSaturated16 = 0xFFFF;
constexpr uint32_t kSaturated32 = 0xFFFFFFFF;

inline uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t Le32(const uint8_t* p) {
    return Le16(p) | uint32_t{Le16(p + 2)} << 16;
}
inline uint64_t Le64(const uint8_t* p) {
    return Le32(p) | uint64_t{Le32(p + 4)} << 32;
}

inline void PutLe16(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}
inline void PutLe32(std::string& out, uint32_t value) {
    PutLe16(out, static_cast<uint16_t>(value & 0xFFFF));
    PutLe16(out, static_cast<uint16_t>(value >> 16));
}
inline void PutLe64(std::string& out, uint64_t value) {
    PutLe32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
    PutLe32(out, static_cast<uint32_t>(value >> 32));
}

// Replaces the numbers whose central header fields are saturated by the 64-bit ones of the
// Zip64 extra field in `extra` (an entry's whole extra data), which holds exactly those, in
// this order. A number the field is too short for keeps its saturated value.
inline void ApplyZip64Extra(const uint8_t* extra, size_t size, uint64_t& uncompressedSize,
                            uint64_t& compressedSize, uint64_t& localHeaderOffset) {
    for (size_t at = 0; at + 4 <= size;) {
        const uint16_t id = Le16(extra + at);
        const size_t length = Le16(extra + at + 2);
        at += 4;
        if (length > size - at) return;
        if (id == kZip64ExtraId) {
            size_t used = 0;
            for (uint64_t* number : {&uncompressedSize, &compressedSize, &localHeaderOffset}) {
                if (*number != kSaturated32) continue;
                if (used + 8 > length) return;
                *number = Le64(extra + at + used);
                used += 8;
            }
            return;
        }
        at += length;
    }
}

// An end record whose numbers do not fit leaves them to a Zip64 end record.
inline bool EndRecordSaturated(const uint8_t* endRecord) {
    for (size_t at : {4, 6, 8, 10})
        if (Le16(endRecord + at) == kSaturated16) return true;
    return Le32(endRecord + 12) == kSaturated32 || Le32(endRecord + 16) == kSaturated32;
}

// What a Zip64 end record says, and where it was found.
struct Zip64End {
    uint64_t position = 0;
    uint32_t thisDisk = 0, centralDisk = 0;
    uint64_t entriesOnDisk = 0, totalEntries = 0, centralSize = 0, centralOffset = 0;
};

// Finds the Zip64 end record through its locator, which stands right before the end record at
// `endPosition`: at the offset the locator gives or, in an archive that got data prepended
// after it was made, right before the locator. `readAt(offset, buffer, count)` reads exactly
// `count` bytes or answers false. False when there is no such record.
template <typename ReadAt>
bool FindZip64End(ReadAt&& readAt, uint64_t endPosition, Zip64End& found) {
    if (endPosition < kZip64LocatorSize + kZip64EndRecordSize) return false;
    const uint64_t locatorPosition = endPosition - kZip64LocatorSize;
    uint8_t locator[kZip64LocatorSize];
    if (!readAt(locatorPosition, locator, sizeof locator) ||
        Le32(locator) != kZip64LocatorSignature)
        return false;
    const uint64_t latest = locatorPosition - kZip64EndRecordSize;
    for (const uint64_t position : {Le64(locator + 8), latest}) {
        uint8_t record[kZip64EndRecordSize];
        if (position > latest || !readAt(position, record, sizeof record) ||
            Le32(record) != kZip64EndRecordSignature)
            continue;
        found = {position,          Le32(record + 16), Le32(record + 20), Le64(record + 24),
                 Le64(record + 32), Le64(record + 40), Le64(record + 48)};
        return true;
    }
    return false;
}

}  // namespace zip_records

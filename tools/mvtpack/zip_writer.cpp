#include "zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "zip_records.h"

namespace mvtpack {

namespace {

using namespace zip_records;

constexpr uint16_t kVersion = 20;                   // 2.0: deflate and folders
constexpr uint16_t kVersionZip64 = 45;              // 4.5: Zip64 records
constexpr uint16_t kMadeBy = (11 << 8) | kVersion;  // NTFS: names kept as they are
constexpr uint32_t kFolderAttribute = FILE_ATTRIBUTE_DIRECTORY;
constexpr uint32_t kFileAttribute = FILE_ATTRIBUTE_ARCHIVE;
constexpr size_t kBlock = 1 << 20;
// Deflate lets incompressible data grow by a few bytes per 16 KiB: a file this large may need
// 64-bit sizes once compressed, so its local header makes room for them before the data.
constexpr uint64_t kZip64LocalFrom = kSaturated32 - (16u << 20);
constexpr size_t kZip64ExtraHeader = 4;  // id and length

bool Saturated(uint64_t number) {
    return number >= kSaturated32;
}

std::string SystemText(DWORD error) {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = text ? text : "error " + std::to_string(error);
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

}  // namespace

// Where the bytes of an entry come from: a file read block by block, or bytes in memory.
class ZipWriter::Source {
  public:
    explicit Source(HANDLE file) : file_(file) {}
    explicit Source(const std::string& data) : data_(&data) {}
    // Up to `size` bytes into `to`; 0 at the end. False when the file cannot be read.
    bool Read(uint8_t* to, size_t size, size_t& got) {
        if (data_) {
            got = std::min(size, data_->size() - at_);
            std::memcpy(to, data_->data() + at_, got);
            at_ += got;
            return true;
        }
        DWORD read = 0;
        const BOOL ok = ReadFile(file_, to, static_cast<DWORD>(size), &read, nullptr);
        got = read;
        return ok;
    }

  private:
    HANDLE file_ = nullptr;
    const std::string* data_ = nullptr;
    size_t at_ = 0;
};

bool ZipWriter::Create(const std::wstring& path, std::string& error) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_.get() == INVALID_HANDLE_VALUE) {
        file_.release();
        error = "cannot create the archive: " + SystemText(GetLastError());
        return false;
    }
    buffer_.reserve(kBlock);
    return true;
}

bool ZipWriter::Write(const void* data, size_t size, std::string& error) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    position_ += size;
    return buffer_.size() < kBlock || Flush(error);
}

bool ZipWriter::Flush(std::string& error) {
    size_t done = 0;
    while (done < buffer_.size()) {
        DWORD written = 0;
        if (!WriteFile(file_.get(), buffer_.data() + done,
                       static_cast<DWORD>(buffer_.size() - done), &written, nullptr) ||
            written == 0) {
            error = "cannot write the archive: " + SystemText(GetLastError());
            return false;
        }
        done += written;
    }
    buffer_.clear();
    return true;
}

bool ZipWriter::Begin(const std::string& name, uint16_t method, uint32_t dosTime,
                      uint64_t expectedSize, std::string& error) {
    Central entry{name, method, dosTime};
    entry.offset = position_;
    entry.zip64Local = expectedSize >= kZip64LocalFrom;
    std::string header;
    PutLe32(header, kLocalHeaderSignature);
    PutLe16(header, entry.zip64Local ? kVersionZip64 : kVersion);
    PutLe16(header, 0);  // flags: sizes and CRC are in this header (patched after the data)
    PutLe16(header, method);
    PutLe32(header, dosTime);
    PutLe32(header, 0);                                    // CRC
    PutLe32(header, entry.zip64Local ? kSaturated32 : 0);  // compressed size
    PutLe32(header, entry.zip64Local ? kSaturated32 : 0);  // size
    PutLe16(header, static_cast<uint16_t>(name.size()));
    PutLe16(header, entry.zip64Local ? kZip64ExtraHeader + 16 : 0);  // extra field
    header += name;
    if (entry.zip64Local) {
        PutLe16(header, kZip64ExtraId);
        PutLe16(header, 16);
        PutLe64(header, 0);  // size
        PutLe64(header, 0);  // compressed size
    }
    central_.push_back(entry);
    return Write(header.data(), header.size(), error);
}

bool ZipWriter::AddFolder(const std::string& name, uint32_t dosTime, uint32_t attributes,
                          std::string& error) {
    if (!Begin(name, kMethodStored, dosTime, 0, error)) return false;
    central_.back().attributes = kFolderAttribute | attributes;
    return true;
}

bool ZipWriter::Deflate(Source& source, uint64_t expectedSize, Central& entry, std::string& error) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        error = "zlib cannot start";
        return false;
    }
    std::vector<uint8_t> in(kBlock), out(kBlock);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t read = 0, compressed = 0;
    bool ok = true, end = false;
    while (ok && !end) {
        size_t got = 0;
        if (!source.Read(in.data(), in.size(), got)) {
            error = "cannot read the file: " + SystemText(GetLastError());
            ok = false;
            break;
        }
        end = got == 0;
        read += got;
        crc = crc32(crc, in.data(), static_cast<uInt>(got));
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(got);
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, end ? Z_FINISH : Z_NO_FLUSH);
            const size_t made = out.size() - z.avail_out;
            compressed += made;
            if (made > 0 && !Write(out.data(), made, error)) ok = false;
        } while (ok && z.avail_out == 0);
    }
    deflateEnd(&z);
    if (!ok) return false;
    if (read != expectedSize) {
        error = "the file changed while it was packed";
        return false;
    }
    if (!entry.zip64Local && (Saturated(read) || Saturated(compressed))) {
        error = "it grew to 4 GiB while it was packed";
        return false;
    }
    entry.crc = static_cast<uint32_t>(crc);
    entry.size = read;
    entry.compressed = compressed;
    return true;
}

bool ZipWriter::PatchLocalHeader(const Central& entry, std::string& error) {
    if (!Flush(error)) return false;
    std::string crc;
    PutLe32(crc, entry.crc);
    std::string sizes;
    if (entry.zip64Local) {
        PutLe64(sizes, entry.size);
        PutLe64(sizes, entry.compressed);
    } else {
        PutLe32(sizes, static_cast<uint32_t>(entry.compressed));
        PutLe32(sizes, static_cast<uint32_t>(entry.size));
    }
    const uint64_t sizesAt =
        entry.zip64Local ? entry.offset + kLocalHeaderSize + entry.name.size() + kZip64ExtraHeader
                         : entry.offset + 18;
    return WriteAt(entry.offset + 14, crc, error) && WriteAt(sizesAt, sizes, error);
}

bool ZipWriter::WriteAt(uint64_t position, const std::string& bytes, std::string& error) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(position);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(position_);
    DWORD written = 0;
    if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) ||
        !WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size() || !SetFilePointerEx(file_.get(), end, nullptr, FILE_BEGIN)) {
        error = "cannot write the archive: " + SystemText(GetLastError());
        return false;
    }
    return true;
}

bool ZipWriter::AddFile(const std::string& name, const std::wstring& source, uint64_t expectedSize,
                        uint32_t dosTime, uint32_t attributes, std::string& error) {
    mvt::UniqueHandle input(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (input.get() == INVALID_HANDLE_VALUE) {
        input.release();
        error = "cannot open the file: " + SystemText(GetLastError());
        return false;
    }
    if (!Begin(name, kMethodDeflated, dosTime, expectedSize, error)) return false;
    Source from(input.get());
    Central& entry = central_.back();
    entry.attributes = kFileAttribute | attributes;
    return Deflate(from, expectedSize, entry, error) && PatchLocalHeader(entry, error);
}

bool ZipWriter::AddData(const std::string& name, const std::string& data, uint32_t dosTime,
                        std::string& error) {
    if (!Begin(name, kMethodDeflated, dosTime, data.size(), error)) return false;
    Source from(data);
    Central& entry = central_.back();
    entry.attributes = kFileAttribute;
    return Deflate(from, data.size(), entry, error) && PatchLocalHeader(entry, error);
}

bool ZipWriter::Finish(std::string& error) {
    const uint64_t start = position_;
    for (const Central& entry : central_) {
        // The Zip64 extra field holds exactly the numbers whose own fields are saturated.
        std::string zip64;
        for (const uint64_t number : {entry.size, entry.compressed, entry.offset})
            if (Saturated(number)) PutLe64(zip64, number);
        std::string header;
        PutLe32(header, kCentralHeaderSignature);
        PutLe16(header, kMadeBy);
        PutLe16(header, zip64.empty() && !entry.zip64Local ? kVersion : kVersionZip64);
        PutLe16(header, 0);
        PutLe16(header, entry.method);
        PutLe32(header, entry.dosTime);
        PutLe32(header, entry.crc);
        PutLe32(header, static_cast<uint32_t>(std::min<uint64_t>(entry.compressed, kSaturated32)));
        PutLe32(header, static_cast<uint32_t>(std::min<uint64_t>(entry.size, kSaturated32)));
        PutLe16(header, static_cast<uint16_t>(entry.name.size()));
        PutLe16(header,
                zip64.empty() ? 0 : static_cast<uint16_t>(kZip64ExtraHeader + zip64.size()));
        PutLe16(header, 0);  // comment
        PutLe16(header, 0);  // disk
        PutLe16(header, 0);  // internal attributes
        PutLe32(header, entry.attributes);
        PutLe32(header, static_cast<uint32_t>(std::min<uint64_t>(entry.offset, kSaturated32)));
        header += entry.name;
        if (!zip64.empty()) {
            PutLe16(header, kZip64ExtraId);
            PutLe16(header, static_cast<uint16_t>(zip64.size()));
            header += zip64;
        }
        if (!Write(header.data(), header.size(), error)) return false;
    }
    const uint64_t size = position_ - start;
    const uint64_t count = central_.size();
    std::string end;
    if (count >= kSaturated16 || Saturated(size) || Saturated(start)) {
        // The Zip64 end record and its locator, before an end record that leaves its numbers
        // to them.
        const uint64_t zip64End = position_;
        PutLe32(end, kZip64EndRecordSignature);
        PutLe64(end, kZip64EndRecordSize - 12);  // what follows this field
        PutLe16(end, kMadeBy);
        PutLe16(end, kVersionZip64);
        PutLe32(end, 0);  // this disk
        PutLe32(end, 0);  // the directory's disk
        PutLe64(end, count);
        PutLe64(end, count);
        PutLe64(end, size);
        PutLe64(end, start);
        PutLe32(end, kZip64LocatorSignature);
        PutLe32(end, 0);  // the Zip64 end record's disk
        PutLe64(end, zip64End);
        PutLe32(end, 1);  // disks
    }
    PutLe32(end, kEndRecordSignature);
    PutLe16(end, 0);
    PutLe16(end, 0);
    PutLe16(end, static_cast<uint16_t>(std::min<uint64_t>(count, kSaturated16)));
    PutLe16(end, static_cast<uint16_t>(std::min<uint64_t>(count, kSaturated16)));
    PutLe32(end, static_cast<uint32_t>(std::min<uint64_t>(size, kSaturated32)));
    PutLe32(end, static_cast<uint32_t>(std::min<uint64_t>(start, kSaturated32)));
    PutLe16(end, 0);
    if (!Write(end.data(), end.size(), error) || !Flush(error)) return false;
    file_.reset();
    return true;
}

}  // namespace mvtpack

// Writes a zip archive as the setup reads it: deflated files (zlib), folder entries, names
// as given (code page 1251 bytes, no UTF-8 flag) under the host system NTFS with version 2.0,
// which neither the setup's zip component nor its zip library converts, DOS attributes and
// times. Numbers too large for their fields (a file or an archive of 4 GiB or more, 65,535
// entries or more) go into Zip64 records, only where they are needed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace mvtpack {

class ZipWriter {
  public:
    // Creates the file, replacing one of that name. False with the reason on failure.
    bool Create(const std::wstring& path, std::string& error);
    bool AddFolder(const std::string& name, uint32_t dosTime, uint32_t attributes,
                   std::string& error);
    // Reads the source while writing; it must still have expectedSize bytes.
    bool AddFile(const std::string& name, const std::wstring& source, uint64_t expectedSize,
                 uint32_t dosTime, uint32_t attributes, std::string& error);
    bool AddData(const std::string& name, const std::string& data, uint32_t dosTime,
                 std::string& error);
    // Writes the central directory and the end record and closes the file.
    bool Finish(std::string& error);

    uint32_t Entries() const { return static_cast<uint32_t>(central_.size()); }

  private:
    struct Central {
        std::string name;
        uint16_t method;
        uint32_t dosTime, crc = 0, attributes = 0;
        uint64_t compressed = 0, size = 0, offset = 0;
        bool zip64Local = false;  // the local header carries the sizes in a Zip64 extra field
    };
    class Source;

    // `expectedSize` decides whether the local header gets room for 64-bit sizes.
    bool Begin(const std::string& name, uint16_t method, uint32_t dosTime, uint64_t expectedSize,
               std::string& error);
    bool Deflate(Source& source, uint64_t expectedSize, Central& entry, std::string& error);
    bool Write(const void* data, size_t size, std::string& error);
    bool Flush(std::string& error);
    bool PatchLocalHeader(const Central& entry, std::string& error);
    // Overwrites bytes already written (flushed) and returns to the end.
    bool WriteAt(uint64_t position, const std::string& bytes, std::string& error);

    mvt::UniqueHandle file_;
    std::vector<uint8_t> buffer_;
    uint64_t position_ = 0;  // bytes written, buffered ones included
    std::vector<Central> central_;
};

}  // namespace mvtpack

// Benchmark baseline, the bare loop: the least an extractor can do. Reads the central
// directory, inflates each entry with zlib in blocks as large as the library's, and per entry
// creates the file (CREATE_NEW), writes it, gives it the entry's time and closes it; one
// thread, no callbacks, no name or CRC checks, no attributes. Prints the time and the peak
// memory.
//
//   extract_baseline ARCHIVE DESTINATION
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "zip_format.h"

namespace {

class Source : public ziplib::ByteSource {
  public:
    explicit Source(HANDLE file) : file_(file) {
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        size_ = static_cast<uint64_t>(size.QuadPart);
    }
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        return ReadFile(file_, buffer, static_cast<DWORD>(count), &got, &at) && got == count;
    }
    std::unique_ptr<ziplib::ByteSource> Another() override {
        return std::make_unique<Source>(file_);
    }

  private:
    HANDLE file_;
    uint64_t size_ = 0;
};

void MakeParents(const std::string& path, std::unordered_set<std::string>& made) {
    for (size_t pos = path.find('\\', 3); pos != std::string::npos;
         pos = path.find('\\', pos + 1)) {
        std::string folder = path.substr(0, pos);
        if (made.insert(folder).second) CreateDirectoryA(folder.c_str(), nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    HANDLE archive = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (archive == INVALID_HANDLE_VALUE) return 1;
    Source source(archive);
    const ziplib::DirectoryResult read = ziplib::ReadDirectory(source);
    if (read.error != ziplib::DirectoryError::kNone) return 1;

    std::string root = argv[2];
    if (root.back() != '\\') root += '\\';
    std::unordered_set<std::string> made;
    std::vector<uint8_t> in(1024 * 1024), out(1024 * 1024);
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    int files = 0;
    for (const ziplib::CentralEntry& entry : read.directory.entries) {
        std::string path = root + entry.name;
        for (char& c : path)
            if (c == '/') c = '\\';
        MakeParents(path, made);
        if (entry.IsDirectory()) continue;
        const ziplib::LocateResult at = ziplib::LocateEntryData(source, read.directory, entry);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        uint64_t consumed = 0;
        DWORD written = 0;
        if (entry.method == ziplib::kMethodStored) {
            while (consumed < at.data.size) {
                const DWORD n =
                    static_cast<DWORD>(std::min<uint64_t>(in.size(), at.data.size - consumed));
                source.ReadAt(at.data.offset + consumed, in.data(), n);
                WriteFile(file, in.data(), n, &written, nullptr);
                consumed += n;
            }
        } else {
            inflateReset(&z);
            int status = Z_OK;
            while (status == Z_OK) {
                if (z.avail_in == 0 && consumed < at.data.size) {
                    const DWORD n =
                        static_cast<DWORD>(std::min<uint64_t>(in.size(), at.data.size - consumed));
                    source.ReadAt(at.data.offset + consumed, in.data(), n);
                    consumed += n;
                    z.next_in = in.data();
                    z.avail_in = n;
                }
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                status = inflate(&z, Z_NO_FLUSH);
                WriteFile(file, out.data(), static_cast<DWORD>(out.size() - z.avail_out), &written,
                          nullptr);
            }
        }
        FILETIME local{}, utc{};
        if (DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) &&
            LocalFileTimeToFileTime(&local, &utc))
            SetFileTime(file, nullptr, nullptr, &utc);
        CloseHandle(file);
        ++files;
    }
    inflateEnd(&z);
    CloseHandle(archive);
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("entries %d seconds %.3f peak_mb %.1f\n", files,
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}

// Benchmark baseline, the bare loop: the least a check of installed files can do. Walks a
// folder, reads every file below it once in 1 MB blocks and computes its CRC-32 with zlib;
// one thread, nothing compared, nothing shown. Prints what it read and how long it took.
//
//   verify_baseline FOLDER
#include <windows.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Totals {
    uint64_t files = 0;
    uint64_t bytes = 0;
    uint32_t crcs = 0;  // every file's CRC-32 folded in, so that none is left uncomputed
};

void ReadFolder(const std::string& folder, std::vector<char>& buffer, Totals& totals) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ReadFolder(path, buffer, totals);
            continue;
        }
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        uLong crc = crc32(0, nullptr, 0);
        DWORD read = 0;
        while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
               read > 0) {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), read);
            totals.bytes += read;
        }
        CloseHandle(file);
        ++totals.files;
        totals.crcs ^= static_cast<uint32_t>(crc);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: verify_baseline FOLDER\n");
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    std::vector<char> buffer(1u << 20);
    Totals totals;
    ReadFolder(argv[1], buffer, totals);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::printf("files %llu\nbytes %llu\ncrcs %08X\nseconds %.3f\n",
                static_cast<unsigned long long>(totals.files),
                static_cast<unsigned long long>(totals.bytes), static_cast<unsigned>(totals.crcs),
                took.count());
    return totals.files ? 0 : 1;
}

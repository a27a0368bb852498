// mvtzip: lists, tests and extracts zip archives through TZipUnpacker and the zip
// library beside it, unattended, printing every report as a tab-separated line.
//
//   mvtzip list ARCHIVE
//   mvtzip test ARCHIVE
//   mvtzip extract ARCHIVE DEST [--password P]
#include <cstdio>
#include <string>
#include <vector>

#include "framework/system_library.h"
#include "zip/zipunpacker.h"

namespace {

using namespace mvt::zip;

void PrintLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

int Usage() {
    std::fputs(
        "usage: mvtzip list ARCHIVE\n"
        "       mvtzip test ARCHIVE\n"
        "       mvtzip extract ARCHIVE DEST [--password P]\n",
        stderr);
    return 2;
}

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() < 2) return Usage();
    const std::string& command = args[0];
    const bool extract = command == "extract";
    if (!(command == "list" || command == "test" || extract)) return Usage();
    std::string destination, password;
    size_t at = 2;
    if (extract) {
        if (args.size() < 3) return Usage();
        destination = args[2];
        at = 3;
    }
    for (; at < args.size(); ++at) {
        if (extract && args[at] == "--password" && at + 1 < args.size())
            password = args[++at];
        else
            return Usage();
    }

    TZipUnpacker zip(nullptr);
    zip.SetUnattended(true);
    // Reports are handled one by one; there are no windows whose messages need pumping.
    zip.OnCheckTerminate = [](mvt::TObject*, bool&) {};
    zip.OnItemProgress = [](mvt::TObject*, const std::string& item, uint32_t size, int perCent) {
        PrintLine({"progress", item, std::to_string(size), std::to_string(perCent)});
    };
    zip.OnMessage = [](mvt::TObject*, int code, const std::string& text) {
        PrintLine({"message", std::to_string(code), text});
    };
    zip.SetZipFileName(args[1]);

    int result;
    if (command == "list") {
        for (const ZipDirEntry& entry : zip.ZipContents())
            PrintLine({"entry", entry.fileName, std::to_string(entry.uncompressedSize),
                       std::to_string(entry.compressedSize),
                       std::to_string(entry.compressionMethod), Hex8(entry.crc32)});
        result = zip.DirectoryResult();
    } else {
        if (extract) {
            zip.SetExtrBaseDir(destination);
            zip.SetExtrOptions(ExtrBit(ExtrOptsEnum::ExtrDirNames) |
                               ExtrBit(ExtrOptsEnum::ExtrOverWrite) |
                               ExtrBit(ExtrOptsEnum::ExtrForceDirs));
            zip.SetPassword(password);
        } else {
            zip.SetExtrOptions(ExtrBit(ExtrOptsEnum::ExtrTest));
        }
        result = zip.Extract();
    }
    PrintLine({"result", std::to_string(result)});
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: no DLL from beside the tool or from the current folder.
    mvt::RestrictDllSearchToSystemFolder();
    try {
        const int code = Run(std::vector<std::string>(argv + 1, argv + argc));
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mvtzip: %s\n", error.what());
        return 3;
    }
}

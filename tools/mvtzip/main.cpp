// mvtzip: lists, tests and extracts zip archives through TZipUnpacker and the zip
// library beside it, unattended, printing the reports as tab-separated lines whose text
// fields are escaped (see kHelp). Progress is printed only when asked for.
//
//   mvtzip list ARCHIVE [--progress[=all]]
//   mvtzip test ARCHIVE [--progress[=all]]
//   mvtzip extract ARCHIVE DEST [--password P] [--progress[=all]]
//   mvtzip --help
//
// Options may stand before, between or after the arguments; "--" ends them.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/system_library.h"
#include "zip/messages.h"
#include "zip/zipunpacker.h"

namespace {

using namespace mvt::zip;

constexpr char kUsage[] =
    "usage: mvtzip list ARCHIVE [--progress[=all]]\n"
    "       mvtzip test ARCHIVE [--progress[=all]]\n"
    "       mvtzip extract ARCHIVE DEST [--password P] [--progress[=all]]\n"
    "       mvtzip --help\n"
    "Options may come before or after the arguments; \"--\" ends the options.\n";

constexpr char kHelp[] =
    "\n"
    "Lists, tests or extracts a zip archive with the setup's zip component and the zip\n"
    "library ZipLib179.dll beside this program, without asking anything. DEST must name a\n"
    "folder (\".\" for the current one); it is created when missing.\n"
    "\n"
    "Output: one line per report, fields separated by a tab:\n"
    "  entry     NAME  SIZE  COMPRESSED  METHOD  CRC32   (list: one per entry)\n"
    "  progress  ITEM  SIZE  PERCENT                     (only with --progress)\n"
    "  message   CODE  TEXT                              (every message and error)\n"
    "  result    CODE                                    (last line; 0 is success)\n"
    "With --progress, progress lines come at most about ten a second, and the last\n"
    "progress report is always printed; with --progress=all every report is.\n"
    "Text fields (NAME, ITEM, TEXT) are escaped so that every line splits into the same\n"
    "fields whatever a name holds: a backslash becomes \\\\, a tab \\t, a line feed \\n, a\n"
    "carriage return \\r and any other byte below 32 \\xHH (two hexadecimal digits).\n"
    "Folder separators in names are backslashes, so \"sub\\a.txt\" prints as sub\\\\a.txt.\n"
    "Texts are in the ANSI code page (1251 on a Cyrillic system).\n"
    "\n"
    "Exit status: 0 success, 1 the operation failed, 2 wrong arguments, 3 unexpected error.\n";

// A text field as printed: backslashes, tabs, line breaks and other control bytes escaped.
std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (byte < 0x20) {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                    out += hex;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

void PrintLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// Progress lines as asked for: none, every report, or at most one per interval plus the
// last report, which is held back and printed when the operation ends.
class ProgressPrinter {
  public:
    enum class Mode { kNone, kThrottled, kAll };
    explicit ProgressPrinter(Mode mode) : mode_(mode) {}
    ProgressPrinter(const ProgressPrinter&) = delete;
    ProgressPrinter& operator=(const ProgressPrinter&) = delete;

    bool Wanted() const { return mode_ != Mode::kNone; }

    void Report(const std::string& item, uint64_t size, int perCent) {
        held_ = {"progress", Escape(item), std::to_string(size), std::to_string(perCent)};
        const Clock::time_point now = Clock::now();
        if (mode_ == Mode::kThrottled && printedOnce_ && now - lastPrinted_ < kInterval) {
            holding_ = true;
            return;
        }
        lastPrinted_ = now;
        printedOnce_ = true;
        Print();
    }

    // Prints the last report when it was held back.
    void Finish() {
        if (holding_) Print();
    }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{100};

    void Print() {
        PrintLine(held_);
        holding_ = false;
    }

    Mode mode_;
    std::vector<std::string> held_;
    bool holding_ = false;
    bool printedOnce_ = false;
    Clock::time_point lastPrinted_;
};

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int Help() {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
}

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

// The command line taken apart: options wherever they stand, the rest in order.
struct CommandLine {
    std::vector<std::string> arguments;
    std::string password;
    bool passwordGiven = false;
    ProgressPrinter::Mode progress = ProgressPrinter::Mode::kNone;
    bool help = false;
    bool wrong = false;  // an unknown option, or --password without its value
};

CommandLine ReadCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool optionsOver = false;
    for (size_t at = 0; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (optionsOver || arg.size() < 2 || (arg[0] != '-' && arg != "/?")) {
            line.arguments.push_back(arg);
        } else if (arg == "--") {
            optionsOver = true;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            line.help = true;
        } else if (arg == "--password" && at + 1 < args.size()) {
            line.password = args[++at];
            line.passwordGiven = true;
        } else if (arg == "--progress") {
            line.progress = ProgressPrinter::Mode::kThrottled;
        } else if (arg == "--progress=all") {
            line.progress = ProgressPrinter::Mode::kAll;
        } else {
            line.wrong = true;
        }
    }
    return line;
}

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

int Run(const std::vector<std::string>& args) {
    const CommandLine line = ReadCommandLine(args);
    if (line.help) return Help();
    const std::vector<std::string>& arguments = line.arguments;
    if (line.wrong || arguments.size() < 2) return Usage();
    const std::string& command = arguments[0];
    const bool extract = command == "extract";
    if (!(command == "list" || command == "test" || extract)) return Usage();
    if (arguments.size() != (extract ? 3u : 2u) || (line.passwordGiven && !extract)) return Usage();
    std::string destination;
    if (extract) {
        destination = arguments[2];
        // An empty destination would mean the current folder to the component; files
        // landing wherever the tool happened to be started are not what anyone asked for.
        if (Blank(destination)) {
            std::fputs(
                "mvtzip: the destination folder is empty; name a folder (\".\" for the "
                "current one)\n",
                stderr);
            return 2;
        }
    }

    TZipUnpacker zip(nullptr);
    zip.SetUnattended(true);
    // Reports are handled one by one; there are no windows whose messages need pumping.
    zip.OnCheckTerminate = [](mvt::TObject*, bool&) {};
    ProgressPrinter progress(line.progress);
    if (progress.Wanted())
        zip.OnItemProgress = [&progress](mvt::TObject*, const std::string& item, uint64_t size,
                                         int perCent) { progress.Report(item, size, perCent); };
    // The component warns before every unattended extraction without a password; the
    // warning is true only of an archive with encrypted entries.
    const std::string passwordWarning = ZipMessages().Text(kMsgUnattendedPassword);
    bool encrypted = false;
    zip.OnMessage = [&](mvt::TObject*, int code, const std::string& text) {
        if (code == 0 && text == passwordWarning && !encrypted) return;
        PrintLine({"message", std::to_string(code), Escape(text)});
    };
    zip.SetZipFileName(arguments[1]);
    for (const ZipDirEntry& entry : zip.ZipContents()) encrypted = encrypted || entry.encrypted;

    int result;
    if (command == "list") {
        const auto& contents = zip.ZipContents();
        progress.Finish();  // the directory read's reports come before the listing
        for (const ZipDirEntry& entry : contents)
            PrintLine({"entry", Escape(entry.fileName), std::to_string(entry.uncompressedSize),
                       std::to_string(entry.compressedSize),
                       std::to_string(entry.compressionMethod), Hex8(entry.crc32)});
        result = zip.DirectoryResult();
    } else {
        if (extract) {
            zip.SetExtrBaseDir(destination);
            zip.SetExtrOptions(ExtrBit(ExtrOptsEnum::ExtrDirNames) |
                               ExtrBit(ExtrOptsEnum::ExtrOverWrite) |
                               ExtrBit(ExtrOptsEnum::ExtrForceDirs));
            zip.SetPassword(line.password);
        } else {
            zip.SetExtrOptions(ExtrBit(ExtrOptsEnum::ExtrTest));
        }
        result = zip.Extract();
    }
    progress.Finish();
    PrintLine({"result", std::to_string(result)});
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: no DLL from beside the tool or from the current folder.
    mvt::RestrictDllSearchToSystemFolder();
    // Fully buffered whatever stdout is: on a console or the null device the C runtime would
    // otherwise write every character with a system call of its own.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    try {
        const int code = Run(std::vector<std::string>(argv + 1, argv + argc));
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mvtzip: %s\n", error.what());
        return 3;
    }
}

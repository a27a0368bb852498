// mvtpack: turns a game's folder tree into a distribution medium for the setup.
//
//   mvtpack [--setup DIR] [--uninstaller EXE] [--split SIZE] GAME_FOLDER MEDIUM_FOLDER
//
// The medium gets the setup program and its zip library (copied from DIR with its
// Resource folder; without --setup the medium folder must hold them already), "Archives\"
// with the game's zip archives, "Archives\Unregmvt.zip" with the uninstaller (EXE, by
// default the unregmvt.exe beside mvtpack) and the list of what the medium installs, and
// "MVTSetup.ini" with FullSize and the File0, File1, ... list. SIZE is bytes with an
// optional K, M or G (binary) and bounds the files' bytes in one archive (default 1G).
//
// Nothing is written when the layout is one the setup cannot reproduce; every reason is
// printed. Exit code 0: medium written; 1: refused or failed (nothing left behind); 2: usage.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/system_library.h"
#include "game_tree.h"
#include "install/medium_layout.h"
#include "medium_plan.h"
#include "uninstall/installed_files.h"
#include "zip_writer.h"

using namespace mvtpack;

namespace {

constexpr wchar_t kSetupProgram[] = L"MVTSetup.exe";
constexpr wchar_t kZipLibrary[] = L"ZipLib179.dll";
constexpr wchar_t kResourceFolder[] = L"Resource";
constexpr char kUninstallerArchive[] = "Unregmvt.zip";

void Print(FILE* stream, const std::string& line) {
    const std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), stream);
}

std::string Narrow(const std::wstring& text) {
    std::string result;
    ToCodePage1251(text, result);
    return result;
}

int Usage() {
    Print(stderr,
          "usage: mvtpack [--setup DIR] [--uninstaller EXE] [--split SIZE] GAME_FOLDER "
          "MEDIUM_FOLDER");
    return 2;
}

bool ParseSize(const std::wstring& text, uint64_t& size) {
    if (text.empty()) return false;
    size_t used = 0;
    uint64_t value = 0;
    try {
        value = std::stoull(text, &used);
    } catch (const std::exception&) {
        return false;
    }
    const std::wstring unit = text.substr(used);
    const int shift = unit.empty()   ? 0
                      : unit == L"K" ? 10
                      : unit == L"M" ? 20
                      : unit == L"G" ? 30
                                     : -1;
    if (shift < 0 || value == 0 || value > (UINT64_MAX >> shift)) return false;
    size = value << shift;
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[32768];
    const DWORD length = GetFullPathNameW(path.c_str(), 32768, full, nullptr);
    std::wstring result = length > 0 && length < 32768 ? full : path;
    while (result.size() > 3 && (result.back() == L'\\' || result.back() == L'/'))
        result.pop_back();
    return result;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsEmptyOrMissingFolder(const std::wstring& path) {
    if (!IsFolder(path)) return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") empty = false;
    } while (empty && FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

std::wstring ProgramFolderW() {
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
    std::wstring result(path, length);
    return result.substr(0, result.find_last_of(L'\\'));
}

struct Arguments {
    std::wstring setup, uninstaller, game, medium;
    PackOptions options;
};

// Writes the medium and removes what it wrote when a step fails.
class MediumWriter {
  public:
    MediumWriter(const Arguments& args, const GameTree& tree, const MediumPlan& plan)
        : args_(args), tree_(tree), plan_(plan), archives_(args.medium + L"\\Archives") {}

    bool Write() {
        const bool ok = CopySetup() && MakeFolder(archives_) && WriteArchives() &&
                        WriteUninstaller() && WriteSetupDescription();
        if (!ok) Undo();
        return ok;
    }
    uint64_t FullSize() const { return fullSize_; }

  private:
    bool Fail(const std::string& what) {
        Print(stderr, "mvtpack: " + what);
        return false;
    }

    bool MakeFolder(const std::wstring& folder) {
        if (IsFolder(folder)) return true;
        const size_t cut = folder.find_last_of(L'\\');
        if (cut != std::wstring::npos && cut > 2 && !MakeFolder(folder.substr(0, cut)))
            return false;
        if (!CreateDirectoryW(folder.c_str(), nullptr) && !IsFolder(folder))
            return Fail(Narrow(folder) + ": cannot make the folder");
        madeFolders_.push_back(folder);
        return true;
    }

    // A file that was there before is replaced but never removed again by Undo.
    bool CopyOne(const std::wstring& from, const std::wstring& to) {
        const bool existed = IsFile(to);
        if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
            return Fail(Narrow(from) + ": cannot copy onto the medium");
        if (!existed) madeFiles_.push_back(to);
        return true;
    }

    bool CopySetup() {
        // Without --setup, or with the medium itself as setup folder, the medium has it.
        if (args_.setup.empty() ||
            CompareStringOrdinal(args_.setup.c_str(), -1, args_.medium.c_str(), -1, TRUE) ==
                CSTR_EQUAL)
            return true;
        if (!CopyOne(args_.setup + L"\\" + kSetupProgram, args_.medium + L"\\" + kSetupProgram) ||
            !CopyOne(args_.setup + L"\\" + kZipLibrary, args_.medium + L"\\" + kZipLibrary))
            return false;
        const std::wstring resources = args_.setup + L"\\" + kResourceFolder;
        if (!IsFolder(resources)) return true;
        const std::wstring target = args_.medium + L"\\" + kResourceFolder;
        if (!MakeFolder(target)) return false;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((resources + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return true;
        bool ok = true;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ok = CopyOne(resources + L"\\" + found.cFileName, target + L"\\" + found.cFileName);
        } while (ok && FindNextFileW(search, &found));
        FindClose(search);
        return ok;
    }

    bool WriteArchives() {
        for (const PlannedArchive& archive : plan_.archives) {
            const std::wstring path = archives_ + L"\\" + FromCodePage1251(archive.name);
            if (!MakeFolder(path.substr(0, path.find_last_of(L'\\')))) return false;
            ZipWriter zip;
            std::string error;
            bool ok = zip.Create(path, error);
            if (ok) madeFiles_.push_back(path);
            std::vector<uint64_t> sizes;
            for (size_t m = 0; ok && m < archive.members.size(); ++m) {
                const ArchiveMember& member = archive.members[m];
                const TreeItem& item = tree_.items[member.item];
                if (item.folder) {
                    ok = zip.AddFolder(member.name, item.dosTime, item.attributes, error);
                } else {
                    ok = zip.AddFile(member.name, tree_.sources[member.item], item.size,
                                     item.dosTime, item.attributes, error);
                    sizes.push_back(item.size);
                }
                if (!ok) error = item.path + ": " + error;
            }
            if (!ok || !zip.Finish(error)) return Fail(archive.name + ": " + error);
            // What the progress screen will add up while this archive is read and unpacked.
            fullSize_ += mvt::install::ArchiveDoneGrowth(zip.Entries(), sizes);
            std::string destination = archive.destination.empty() ? "." : archive.destination;
            Print(stdout, "archive\t" + archive.name + "\t" + destination + "\t" +
                              std::to_string(archive.members.size()) + "\t" +
                              std::to_string(archive.bytes));
        }
        return true;
    }

    bool WriteUninstaller() {
        mvt::uninstall::InstalledFiles installed = plan_.installed;
        installed.files.push_back(mvt::uninstall::kUninstallerName);
        installed.files.push_back(mvt::uninstall::kInstalledFilesName);
        const std::wstring path = archives_ + L"\\" + FromCodePage1251(kUninstallerArchive);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(args_.uninstaller.c_str(), GetFileExInfoStandard, &data))
            return Fail(Narrow(args_.uninstaller) + ": cannot be read");
        // Both entries carry the program's time, so the same build packs the same archive.
        const uint32_t stamp = DosTime(data.ftLastWriteTime);
        const uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        ZipWriter zip;
        std::string error;
        bool ok = zip.Create(path, error);
        if (ok) madeFiles_.push_back(path);
        ok = ok &&
             zip.AddFile(mvt::uninstall::kUninstallerName, args_.uninstaller, size, stamp, 0,
                         error) &&
             zip.AddData(mvt::uninstall::kInstalledFilesName,
                         mvt::uninstall::FormatInstalledFiles(installed), stamp, error) &&
             zip.Finish(error);
        if (!ok) return Fail(std::string(kUninstallerArchive) + ": " + error);
        Print(stdout, std::string("uninstaller\t") + kUninstallerArchive + "\t" +
                          std::to_string(installed.files.size()) + " files\t" +
                          std::to_string(installed.folders.size()) + " folders");
        return true;
    }

    // FullSize as a whole number: no decimal separator for a locale to misread.
    bool WriteSetupDescription() {
        std::string text =
            "[Setup]\r\nFullSize=" + std::to_string(fullSize_) + "\r\n\r\n[Files]\r\n";
        for (size_t n = 0; n < plan_.archives.size(); ++n)
            text += "File" + std::to_string(n) + "=" + plan_.archives[n].name + "\r\n";
        const std::wstring path = args_.medium + L"\\MVTSetup.ini";
        const bool existed = IsFile(path);
        mvt::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) {
            file.release();
            return Fail("MVTSetup.ini: cannot be written");
        }
        if (!existed) madeFiles_.push_back(path);
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) ||
            written != text.size())
            return Fail("MVTSetup.ini: cannot be written");
        Print(stdout, "FullSize\t" + std::to_string(fullSize_));
        return true;
    }

    void Undo() {
        for (auto file = madeFiles_.rbegin(); file != madeFiles_.rend(); ++file)
            DeleteFileW(file->c_str());
        for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
    }

    const Arguments& args_;
    const GameTree& tree_;
    const MediumPlan& plan_;
    const std::wstring archives_;
    std::vector<std::wstring> madeFiles_, madeFolders_;
    uint64_t fullSize_ = 0;
};

int Run(const std::vector<std::wstring>& args) {
    Arguments parsed;
    std::vector<std::wstring> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == L"--setup" && hasValue) {
            parsed.setup = FullPath(args[++i]);
        } else if (arg == L"--uninstaller" && hasValue) {
            parsed.uninstaller = FullPath(args[++i]);
        } else if (arg == L"--split" && hasValue) {
            if (!ParseSize(args[++i], parsed.options.splitSize)) return Usage();
        } else if (arg.starts_with(L"--")) {
            return Usage();
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) return Usage();
    parsed.game = FullPath(positional[0]);
    parsed.medium = FullPath(positional[1]);
    if (parsed.uninstaller.empty())
        parsed.uninstaller =
            ProgramFolderW() + L"\\" + FromCodePage1251(mvt::uninstall::kUninstallerName);

    // Everything that can be known before writing is checked first, and all of it reported.
    std::vector<std::string> problems;
    const GameTree tree = ReadGameTree(parsed.game);
    problems = tree.problems;
    MediumPlan plan;
    if (problems.empty()) {
        plan = PlanMedium(tree.items, parsed.options);
        problems = plan.problems;
    }
    if (!IsFile(parsed.uninstaller))
        problems.push_back(Narrow(parsed.uninstaller) + ": no uninstaller program there");
    const std::wstring setupFrom = parsed.setup.empty() ? parsed.medium : parsed.setup;
    for (const wchar_t* name : {kSetupProgram, kZipLibrary})
        if (!IsFile(setupFrom + L"\\" + name))
            problems.push_back(
                Narrow(setupFrom + L"\\" + name) +
                (parsed.setup.empty() ? ": missing on the medium; give --setup DIR" : ": missing"));
    if (!IsEmptyOrMissingFolder(parsed.medium + L"\\Archives"))
        problems.push_back(Narrow(parsed.medium) +
                           "\\Archives: holds files already; give an empty medium folder");
    const std::wstring gameSlash = parsed.game + L"\\";
    if ((parsed.medium + L"\\").starts_with(gameSlash))
        problems.push_back("the medium folder lies inside the game folder");

    for (const std::string& warning : plan.warnings) Print(stderr, "mvtpack: warning: " + warning);
    if (!problems.empty()) {
        for (const std::string& problem : problems) Print(stderr, "mvtpack: " + problem);
        Print(stderr, "mvtpack: refused; nothing was written");
        return 1;
    }
    if (!IsFolder(parsed.medium) && !CreateDirectoryW(parsed.medium.c_str(), nullptr)) {
        Print(stderr, "mvtpack: " + Narrow(parsed.medium) + ": cannot make the medium folder");
        return 1;
    }
    MediumWriter writer(parsed, tree, plan);
    if (!writer.Write()) {
        Print(stderr, "mvtpack: failed; what was written is removed again");
        return 1;
    }
    return 0;
}

}  // namespace

int main() {
    mvt::RestrictDllSearchToSystemFolder();
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return Run(args);
}

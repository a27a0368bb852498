#include "install/uninstall_details.h"

#include <windows.h>

#include "install/journal_format.h"
#include "install/record_names.h"

namespace mvt::install {

namespace {

constexpr char kDisplayVersion[] = "2.5";  // the game's version, 2500 in its own key
constexpr char kPublisher[] = "Quillfen Corp";

uint64_t FolderBytes(const std::string& folder) {
    uint64_t bytes = 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        // What a reinstallation moved aside goes when it completes; the settings file is
        // written after the entry, so an older one does not count either: installed again,
        // the entry is what the first installation made.
        if (IsAsideName(name) || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1,
                                                kGameSettingsFile, -1) == CSTR_EQUAL)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            bytes += FolderBytes(folder + "\\" + name);
        else
            bytes += (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return bytes;
}

}  // namespace

uint32_t FolderKilobytes(const std::string& folder) {
    const uint64_t kilobytes = (FolderBytes(folder) + 1023) / 1024;
    return kilobytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kilobytes);
}

void WriteUninstallDetails(TRegistry& registry, const std::string& installDir) {
    const std::string uninstaller = installDir + "\\unregmvt.exe";
    // Written as REG_DWORD: the bits of the kilobytes go in unchanged.
    const int kilobytes = static_cast<int>(FolderKilobytes(installDir));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.CloseKey();
    registry.OpenKey(kUninstallKey, true);
    registry.WriteString("QuietUninstallString", "\"" + uninstaller + "\" /S");
    registry.WriteString("DisplayIcon", installDir + "\\morvath.exe");
    registry.WriteString("DisplayVersion", kDisplayVersion);
    registry.WriteString("Publisher", kPublisher);
    registry.WriteString("InstallLocation", installDir);
    registry.WriteInteger("EstimatedSize", kilobytes);
    registry.WriteInteger("NoModify", 1);
    registry.WriteInteger("NoRepair", 1);
    registry.CloseKey();
}

}  // namespace mvt::install

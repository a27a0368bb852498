#include "uninstall/removal.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <set>

#include "framework/comobj.h"
#include "framework/guarded_files.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sha256.h"
#include "framework/sysutils.h"
#include "install/medium_layout.h"
#include "install/seal_format.h"
#include "install/record_names.h"
#include "install/uninstall_details.h"

namespace mvt::uninstall {

namespace {

using install::kGameAppPath;
using install::kMainAppPath;
using install::kRestoreAppPath;
using install::kShellFolders;
using install::kUninstallKey;
constexpr const char* kShortcutList = install::kUninstallListFile;
constexpr const char* kGameSettings = install::kGameSettingsFile;
constexpr const char* kShortCuts = install::kShortCutsSection;
// The product keys and their parents, deepest first; each goes only when empty.
constexpr const char* kProductKeys[] = {
    "SOFTWARE\\Quillfen\\Veilspire\\1.00.000",
    "SOFTWARE\\Quillfen\\Veilspire",
    "SOFTWARE\\Quillfen",
    "SOFTWARE\\Quillfen Corp\\Morvath II Duskmere\\1.00.000",
    "SOFTWARE\\Quillfen Corp\\Morvath II Duskmere",
    "SOFTWARE\\Quillfen Corp\\Morvath(TM) II - Veilspire (TM)\\1.00.000",
    "SOFTWARE\\Quillfen Corp\\Morvath(TM) II - Veilspire (TM)",
    "SOFTWARE\\Quillfen Corp",
};
constexpr const char* kGameAppPathValues[] = {"Install",     "Path",        "MV25_INSTALL",
                                              "MV25GUID",    "MV25Tag",     "MV25Version",
                                              "MV2Location", "MV25Language"};
constexpr const char* kRestoreValues[] = {"DisplayName", "LogFile", "UninstallString"};

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool StartsWithText(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}
bool Exists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

// ---- registry, always in the 32-bit view where the setup wrote ----

// The text values of a key, in the system's order.
std::vector<std::string> StringValues(HKEY root, const char* path) {
    std::vector<std::string> strings;
    for (const TRegistryKey::Value& value : TRegistryKey(root, path).Values())
        if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
            std::string text(value.data.begin(), value.data.end());
            strings.push_back(text.substr(0, text.find('\0')));
        }
    return strings;
}

class Remover {
  public:
    Remover(const UninstallInput& input, const std::string& ownProgram, RemovalReport& report)
        : input_(input), dir_(input.installDir), own_(ownProgram), report_(report) {}

    void Run() {
        ComApartment com;
        std::string error;
        base_ = TGuardedFolder::Open(dir_, TFolderWay::Followed, error);
        if (!base_) {
            Fail(dir_, error);
            return;
        }
        RemoveShortcuts();
        RemoveFiles();
        RemoveFolders();
        // What could not go stays registered, with its lists and this program, so that
        // running it again finishes the removal.
        if (report_.Complete()) {
            RemoveRecords();
            RemoveFile(kInstalledFilesName);
            RemoveFile(kShortcutList);
            if (report_.Complete()) RemoveRegistration();
        } else {
            LeaveForRestart();
        }
        FindKept();
    }

  private:
    void Fail(const std::string& what, const std::string& why) {
        report_.failures.push_back(what + ": " + why);
    }

    // ---- shortcuts ----

    // The program a link file starts, as the link stores it; empty when it is no link.
    static std::string LinkTarget(const std::string& linkFile) {
        ComPtr<IShellLinkA> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    link.PutVoid())))
            return {};
        ComPtr<IPersistFile> file = link.As<IPersistFile>();
        const int length = MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide.data(), length);
        if (!file || FAILED(file->Load(wide.c_str(), STGM_READ))) return {};
        char target[MAX_PATH * 2] = "";
        if (FAILED(link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH))) return {};
        return target;
    }

    // Every shell folder (programs, desktop, start menu, ...) of the user and of all users:
    // a group folder is removed when empty, these never.
    static std::vector<std::string> ShellFolders() {
        std::vector<std::string> folders = StringValues(HKEY_CURRENT_USER, kShellFolders);
        for (std::string& folder : StringValues(HKEY_LOCAL_MACHINE, kShellFolders))
            folders.push_back(std::move(folder));
        return folders;
    }

    // Whether `link` is an absolute path of a ".lnk" file directly in the program group or
    // the all-users desktop folder the installation made its shortcuts in.
    bool InShortcutFolder(const std::string& link) const {
        const std::string folder = ExcludeTrailingBackslash(ExtractFilePath(link));
        const bool linkFile = link.size() > 4 && SameText(link.substr(link.size() - 4), ".lnk");
        const bool absolute = link.size() > 3 && link[1] == ':' && link[2] == '\\';
        const bool recorded =
            (!input_.groupFolder.empty() && SameText(folder, input_.groupFolder)) ||
            (!input_.desktopFolder.empty() && SameText(folder, input_.desktopFolder));
        return linkFile && absolute && recorded && link.find("\\..\\") == std::string::npos;
    }

    // A listed shortcut goes only when it is a link file in one of the two folders recorded
    // at installation that leads into the install directory, deleted by a handle that is no
    // link, reached with no link on its way.
    void RemoveShortcuts() {
        if (!input_.shortcutListFound) {
            report_.shortcutListMissing = true;
            report_.notes.push_back("ярлыки не удалены: нет списка unreglst.ini");
            return;
        }
        std::set<std::string> groups;
        for (const std::string& link : input_.shortcuts) {
            if (!Exists(link)) continue;
            const std::string folder = ExcludeTrailingBackslash(ExtractFilePath(link));
            if (!InShortcutFolder(link) || !StartsWithText(LinkTarget(link), dir_ + "\\")) {
                report_.notes.push_back(link + ": не ярлык этой установки, оставлен");
                continue;
            }
            std::string error;
            const std::optional<TGuardedFolder> place =
                TGuardedFolder::Open(folder, TFolderWay::NoLinkOnTheWay, error);
            const TGuardedOutcome outcome =
                place ? DeleteBelow(*place, ExtractFileName(link), false, error)
                      : TGuardedOutcome::NotOurs;
            if (outcome == TGuardedOutcome::NotOurs)
                report_.notes.push_back(link + ": ссылка на пути, оставлен");
            else if (outcome == TGuardedOutcome::Failed)
                Fail(link, error);
            else if (outcome == TGuardedOutcome::Done) {
                groups.insert(folder);
                report_.removed.push_back(link);
            }
        }
        const std::vector<std::string> shellFolders = ShellFolders();
        for (const std::string& group : groups) {
            const bool shellFolder = std::any_of(
                shellFolders.begin(), shellFolders.end(),
                [&](const std::string& f) { return SameText(ExcludeTrailingBackslash(f), group); });
            // A group that still holds other items stays, as it should.
            if (!shellFolder) RemoveGroup(group);
        }
    }

    void RemoveGroup(const std::string& group) {
        std::string error;
        const std::optional<TGuardedFolder> parent =
            TGuardedFolder::Open(ExtractFilePath(group), TFolderWay::NoLinkOnTheWay, error);
        if (parent &&
            DeleteBelow(*parent, ExtractFileName(group), true, error) == TGuardedOutcome::Done)
            report_.removed.push_back(group);
    }

    // ---- registry records ----

    void DeleteValues(const char* path, std::initializer_list<const char*> names) {
        for (const char* name : names) DeleteValue(path, name);
    }

    void DeleteValue(const char* path, const char* name) {
        const TRegistryKey key(HKEY_LOCAL_MACHINE, path);
        const bool there = key && (key.String(name) || key.Number(name));
        const std::string failure = DeleteRegistryValue(HKEY_LOCAL_MACHINE, path, name);
        if (!failure.empty())
            Fail(std::string("HKLM\\") + path + " " + name, failure);
        else if (there)
            report_.removed.push_back(std::string("HKLM\\") + path + " " + name);
    }

    void DeleteKeyIfEmpty(const std::string& path) {
        if (!TRegistryKey(HKEY_LOCAL_MACHINE, path).Empty()) return;
        const std::string failure = DeleteRegistryKey(HKEY_LOCAL_MACHINE, path);
        if (!failure.empty())
            Fail("HKLM\\" + path, failure);
        else
            report_.removed.push_back("HKLM\\" + path);
    }

    // A record is removed only when it names this install directory: after a second
    // installation elsewhere the records belong to that one.
    bool Names(const char* path, const char* value, const std::string& expected) {
        const std::optional<std::string> found =
            TRegistryKey(HKEY_LOCAL_MACHINE, path).String(value);
        if (!found) return false;
        if (SameText(*found, expected)) return true;
        report_.notes.push_back(std::string("HKLM\\") + path + ": запись другой установки (" +
                                *found + "), оставлена");
        return false;
    }

    void RemoveRecords() {
        const std::string folder = dir_ + "\\";
        if (Names(kGameAppPath, "Install", folder)) {
            if (Names(kRestoreAppPath, "DisplayName", dir_ + "\\MVMain.exe")) {
                DeleteValues(kRestoreAppPath,
                             {kRestoreValues[0], kRestoreValues[1], kRestoreValues[2]});
                DeleteKeyIfEmpty(kRestoreAppPath);
            }
            for (const char* name : kGameAppPathValues) DeleteValue(kGameAppPath, name);
            DeleteKeyIfEmpty(kGameAppPath);
        }
        if (Names(kMainAppPath, "Path", folder)) {
            DeleteValues(kMainAppPath, {"Path"});
            DeleteKeyIfEmpty(kMainAppPath);
        }
    }

    // The last to go: the uninstall entry when it is this installation's, and its seal.
    void RemoveRegistration() {
        if (Names(kUninstallKey, "UninstallString", install::UninstallCommand(dir_))) {
            DeleteValues(kUninstallKey, {"DisplayName", "UninstallString"});
            for (const char* name : install::kUninstallDetailValues)
                DeleteValues(kUninstallKey, {name});
        }
        const std::string seal = install::SealKey(dir_);
        const std::string failure = DeleteRegistryKey(HKEY_LOCAL_MACHINE, seal);
        if (!failure.empty())
            Fail("HKLM\\" + seal, failure);
        else
            report_.removed.push_back("HKLM\\" + seal);
        DeleteKeyIfEmpty(install::kInstallationsKey);
        // The product keys are shared by every installation of the package: they go with
        // the last one, and only when nothing else was put into them.
        if (!TRegistryKey(HKEY_LOCAL_MACHINE, kGameAppPath) &&
            !TRegistryKey(HKEY_LOCAL_MACHINE, install::kInstallationsKey))
            for (const char* key : kProductKeys) DeleteKeyIfEmpty(key);
        DeleteKeyIfEmpty(kUninstallKey);
    }

    // Files in use go at the next restart, asked of the system now, each checked to be in
    // its place with no link on the way (a later run finds them gone, or removes them).
    void LeaveForRestart() {
        for (const std::string& file : report_.leftForRestart)
            MoveFileExA((dir_ + "\\" + file).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }

    // ---- files and folders ----

    // Every item goes by a handle confirmed to be no link and to lie at its place inside the
    // install directory, reached with no link on its way (framework/guarded_files.h).
    void RemoveFile(const std::string& relative) {
        if (SameText(dir_ + "\\" + relative, own_)) return;  // goes once the program has ended
        std::string error;
        switch (DeleteBelow(*base_, relative, false, error)) {
            case TGuardedOutcome::NotOurs:
                report_.notes.push_back(relative + ": не файл установки, оставлен");
                break;
            case TGuardedOutcome::Failed:
                Fail(relative, error);
                report_.leftForRestart.push_back(relative);
                break;
            case TGuardedOutcome::Done:
                report_.removed.push_back(relative);
                break;
            default:
                break;  // gone already
        }
    }

    // Every installed file but the two lists, which go last.
    void RemoveFiles() {
        for (const std::string& file : input_.installed.files)
            if (!SameText(file, kInstalledFilesName)) RemoveFile(file);
        RemoveFile(kGameSettings);
    }

    // A game folder stays unless the installation recorded that it made it: one the user
    // had before is the user's, even when empty.
    bool ForeignGameFolder(const std::string& folder) const {
        for (size_t n = 0; n < std::size(install::kGameFolders); ++n)
            if (SameText(folder, install::kGameFolders[n] + 1))
                return (input_.madeGameFolders & (1u << n)) == 0;
        return false;
    }

    // Every folder the installation made, deepest first, each when nothing is left in it:
    // the medium's folders and the game folders the installation made. Folders the user
    // made stay even when empty: in the install directory nothing but what the installation
    // made is touched.
    void RemoveFolders() {
        std::vector<std::string> folders = input_.installed.folders;
        for (const std::string& file : input_.installed.files)
            for (size_t cut = file.find('\\'); cut != std::string::npos;
                 cut = file.find('\\', cut + 1))
                folders.push_back(file.substr(0, cut));
        for (const char* folder : install::kGameFolders) folders.emplace_back(folder + 1);
        auto depth = [](const std::string& path) {
            return std::count(path.begin(), path.end(), '\\');
        };
        std::sort(folders.begin(), folders.end(), [&](const std::string& a, const std::string& b) {
            return depth(a) != depth(b) ? depth(a) > depth(b) : a > b;
        });
        folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
        for (const std::string& folder : folders) {
            if (ForeignGameFolder(folder)) continue;
            std::string error;
            // Refused when not empty (the user's files stay) or when it is no folder of ours.
            if (DeleteBelow(*base_, folder, true, error) == TGuardedOutcome::Done)
                report_.removed.push_back(folder + "\\");
        }
    }

    void FindKept() {
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((dir_ + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == ".." || SameText(dir_ + "\\" + name, own_)) continue;
            report_.kept.push_back(name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    const UninstallInput& input_;
    const std::string dir_;
    const std::string own_;
    RemovalReport& report_;
    std::optional<TGuardedFolder> base_;  // the install directory, held while removing
};

bool IsRootFolder(const std::string& dir) {
    if (dir.size() <= 3 && dir.size() >= 2 && dir[1] == ':') return true;  // "C:" or "C:\"
    if (dir.starts_with("\\\\")) {
        // "\\server\share" is the root of a share.
        const size_t server = dir.find('\\', 2);
        return server == std::string::npos || dir.find('\\', server + 1) == std::string::npos;
    }
    return dir.empty();
}

// A list of some megabytes is already far beyond any real game.
constexpr size_t kListLimit = 64u << 20;

std::string Refusal(const std::string& why) {
    return why + " Ничего не удалено.";
}

// The seal the setup stored for this install directory below the uninstall entry.
struct StoredSeal {
    std::string installedFilesHash;
    std::string shortCutsHash;
};

std::optional<StoredSeal> ReadSeal(const std::string& dir, UninstallInput& input) {
    const TRegistryKey seal(HKEY_LOCAL_MACHINE, install::SealKey(dir));
    const std::optional<std::string> files = seal.String(install::kInstalledFilesHashValue);
    const std::optional<std::string> shortcuts = seal.String(install::kShortCutsHashValue);
    if (!files || files->empty() || !shortcuts || shortcuts->empty()) return std::nullopt;
    input.groupFolder = seal.String(install::kProgramGroupValue).value_or("");
    input.desktopFolder = seal.String(install::kDesktopValue).value_or("");
    input.madeGameFolders = seal.Number(install::kGameFoldersValue).value_or(0);
    return StoredSeal{*files, *shortcuts};
}

// The shortcut list's entries in the file's order, as the hash covers them.
std::vector<install::ShortcutEntry> ReadShortcuts(const std::string& listFile) {
    TIniFile ini(listFile);
    std::vector<install::ShortcutEntry> entries;
    for (const std::string& key : ini.ReadSection(kShortCuts))
        entries.push_back({key, ini.ReadString(kShortCuts, key, "")});
    return entries;
}

}  // namespace

Preparation PrepareUninstall(const std::string& installDir) {
    Preparation result;
    const std::string dir = ExcludeTrailingBackslash(installDir);
    if (IsRootFolder(dir) || IsRootFolder(installDir)) {
        result.refusal = "Программа удаления лежит в корне диска\r" + installDir +
                         ",\rа не в папке игры. Ничего не удалено.";
        return result;
    }
    std::string error, text;
    const std::optional<TGuardedFolder> folder =
        TGuardedFolder::Open(dir, TFolderWay::Followed, error);
    const TGuardedOutcome read =
        folder ? ReadBelow(*folder, kInstalledFilesName, kListLimit, text, error)
               : TGuardedOutcome::Missing;
    if (read == TGuardedOutcome::Missing || read == TGuardedOutcome::Failed) {
        result.refusal = std::string("Не найден список файлов установки\r") + kInstalledFilesName +
                         ". Ничего не удалено.";
        return result;
    }
    const std::optional<StoredSeal> seal = ReadSeal(dir, result.input);
    if (!seal) {
        result.refusal =
            Refusal("В реестре нет записи об этой\rустановке: списку файлов\rнельзя доверять.");
        return result;
    }
    InstalledFilesParse list = ParseInstalledFiles(text);
    if (read == TGuardedOutcome::Done && !list.ok) {
        result.refusal = std::string("Список файлов установки ") + kInstalledFilesName +
                         "\rповреждён. Ничего не удалено.";
        return result;
    }
    if (read != TGuardedOutcome::Done || Sha256Hex(text) != seal->installedFilesHash) {
        result.refusal = Refusal(std::string("Список файлов установки\r") + kInstalledFilesName +
                                 " изменён после установки.");
        return result;
    }
    result.input.installDir = dir;
    result.input.installed = std::move(list.list);
    const std::string shortcutList = dir + "\\" + kShortcutList;
    result.input.shortcutListFound = FileExists(shortcutList);
    if (result.input.shortcutListFound) {
        const std::vector<install::ShortcutEntry> entries = ReadShortcuts(shortcutList);
        if (Sha256Hex(install::ShortCutsText(entries)) != seal->shortCutsHash) {
            result.refusal = Refusal(std::string("Список ярлыков ") + kShortcutList +
                                     "\rизменён после установки.");
            return result;
        }
        for (const install::ShortcutEntry& entry : entries)
            if (!entry.linkFile.empty()) result.input.shortcuts.push_back(entry.linkFile);
    }
    result.ok = true;
    return result;
}

RemovalReport RemoveInstallation(const UninstallInput& input, const std::string& ownProgram) {
    RemovalReport report;
    Remover(input, ownProgram, report).Run();
    return report;
}

std::string ReportText(const RemovalReport& report) {
    if (!report.Complete()) {
        std::string text = "Удалено не всё. Не удалось удалить:\r" + report.failures.front();
        if (report.failures.size() > 1)
            text += "\rи ещё " + std::to_string(report.failures.size() - 1);
        return text;
    }
    if (!report.kept.empty())
        return "Трилогия Морвата удалена.\rПапка игры оставлена: в ней есть\rваши файлы (" +
               report.kept.front() + (report.kept.size() > 1 ? ", ..." : "") + ").";
    if (report.shortcutListMissing)
        return "Трилогия Морвата удалена.\rЯрлыки не найдены: нет списка\runreglst.ini.";
    if (!report.notes.empty())
        return "Трилогия Морвата удалена.\rЗаписи и ярлыки другой установки\rоставлены.";
    return "Трилогия Морвата удалена.";
}

}  // namespace mvt::uninstall

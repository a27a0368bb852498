#include "uninstall/removal.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <set>

#include "framework/comobj.h"
#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "install/medium_layout.h"
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
// The folders the run makes beforehand but no archive lists.
constexpr const char* kRunFolders[] = {"temp", "tempsave"};

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool StartsWithText(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::string LastError() {
    return SysErrorMessage(GetLastError());
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}
bool Exists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

// ---- registry, always in the 32-bit view where the setup wrote ----

class Key {
  public:
    Key(HKEY root, const char* path, REGSAM access) {
        if (RegOpenKeyExA(root, path, 0, access | KEY_WOW64_32KEY, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    std::optional<std::string> String(const char* name) const {
        char data[2048];
        DWORD size = sizeof data - 1, type = 0;
        if (!key_ ||
            RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        data[size] = '\0';
        return std::string(data);
    }
    bool Empty() const {
        DWORD subkeys = 0, values = 0;
        return key_ &&
               RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
               subkeys == 0 && values == 0;
    }
    std::vector<std::string> StringValues() const {
        std::vector<std::string> values;
        for (DWORD index = 0; key_; ++index) {
            char name[512], data[2048];
            DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
            if (RegEnumValueA(key_, index, name, &nameSize, nullptr, &type,
                              reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
                break;
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                data[dataSize] = '\0';
                values.emplace_back(data);
            }
        }
        return values;
    }

  private:
    HKEY key_ = nullptr;
};

bool KeyExists(const char* path) {
    return static_cast<bool>(Key(HKEY_LOCAL_MACHINE, path, KEY_READ));
}

class Remover {
  public:
    Remover(const UninstallInput& input, const std::string& ownProgram, RemovalReport& report)
        : input_(input), dir_(input.installDir), own_(ownProgram), report_(report) {}

    void Run() {
        ComApartment com;
        RemoveShortcuts();
        RemoveRecords();
        RemoveFiles();
        RemoveFolders();
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
        std::vector<std::string> folders =
            Key(HKEY_CURRENT_USER, kShellFolders, KEY_READ).StringValues();
        for (std::string& folder : Key(HKEY_LOCAL_MACHINE, kShellFolders, KEY_READ).StringValues())
            folders.push_back(std::move(folder));
        return folders;
    }

    // A listed shortcut goes only when it is a link file that leads into the install
    // directory: the list is a plain ini file that anything could have changed.
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
            const bool linkFile = link.size() > 4 && SameText(link.substr(link.size() - 4), ".lnk");
            if (!linkFile || folder.size() < 3 || !StartsWithText(LinkTarget(link), dir_ + "\\")) {
                report_.notes.push_back(link + ": не ярлык этой установки, оставлен");
                continue;
            }
            SetFileAttributesA(link.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(link.c_str())) {
                Fail(link, LastError());
                continue;
            }
            groups.insert(folder);
        }
        const std::vector<std::string> shellFolders = ShellFolders();
        for (const std::string& group : groups) {
            const bool shellFolder = std::any_of(
                shellFolders.begin(), shellFolders.end(),
                [&](const std::string& f) { return SameText(ExcludeTrailingBackslash(f), group); });
            // A group that still holds other items stays, as it should.
            if (!shellFolder) RemoveDirectoryA(group.c_str());
        }
    }

    // ---- registry records ----

    void DeleteValues(const char* path, std::initializer_list<const char*> names) {
        Key key(HKEY_LOCAL_MACHINE, path, KEY_READ | KEY_SET_VALUE);
        if (!key) return;
        for (const char* name : names) {
            const LONG result = RegDeleteValueA(key.get(), name);
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                Fail(std::string("HKLM\\") + path + " " + name, SysErrorMessage(result));
        }
    }

    void DeleteKeyIfEmpty(const char* path) {
        if (!Key(HKEY_LOCAL_MACHINE, path, KEY_READ).Empty()) return;
        const LONG result = RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, 0);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            Fail(std::string("HKLM\\") + path, SysErrorMessage(result));
    }

    // A record is removed only when it names this install directory: after a second
    // installation elsewhere the records belong to that one.
    bool Names(const char* path, const char* value, const std::string& expected) {
        const std::optional<std::string> found =
            Key(HKEY_LOCAL_MACHINE, path, KEY_READ).String(value);
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
            Key key(HKEY_LOCAL_MACHINE, kGameAppPath, KEY_READ | KEY_SET_VALUE);
            for (const char* name : kGameAppPathValues) {
                const LONG result = key ? RegDeleteValueA(key.get(), name) : ERROR_SUCCESS;
                if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                    Fail(std::string("HKLM\\") + kGameAppPath + " " + name,
                         SysErrorMessage(result));
            }
            DeleteKeyIfEmpty(kGameAppPath);
        }
        if (Names(kMainAppPath, "Path", folder)) {
            DeleteValues(kMainAppPath, {"Path"});
            DeleteKeyIfEmpty(kMainAppPath);
        }
        if (Names(kUninstallKey, "UninstallString", dir_ + "\\" + kUninstallerName)) {
            DeleteValues(kUninstallKey, {"DisplayName", "UninstallString"});
            for (const char* name : install::kUninstallDetailValues)
                DeleteValues(kUninstallKey, {name});
            DeleteKeyIfEmpty(kUninstallKey);
        }
        // The product keys are shared by every installation of the package: they go with
        // the last one, and only when nothing else was put into them.
        if (!KeyExists(kGameAppPath))
            for (const char* key : kProductKeys) DeleteKeyIfEmpty(key);
    }

    // ---- files and folders ----

    // No folder on the way from the install directory to `relative` may be a link to
    // elsewhere (a junction or a symbolic link), or a removal could reach outside.
    bool StaysInside(const std::string& relative) {
        std::string path = dir_;
        size_t start = 0;
        for (size_t end; (end = relative.find('\\', start)) != std::string::npos; start = end + 1) {
            path.append("\\").append(relative, start, end - start);
            const DWORD attributes = Attributes(path);
            if (attributes != INVALID_FILE_ATTRIBUTES &&
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                return false;
        }
        return true;
    }

    void RemoveFile(const std::string& relative) {
        const std::string path = dir_ + "\\" + relative;
        if (SameText(path, own_)) return;  // the program itself goes once it has ended
        const DWORD attributes = Attributes(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) return;  // already gone
        if (!StaysInside(relative) || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            report_.notes.push_back(relative + ": не файл установки, оставлен");
            return;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (!DeleteFileA(path.c_str())) Fail(relative, LastError());
    }

    void RemoveFiles() {
        for (const std::string& file : input_.installed.files) RemoveFile(file);
        RemoveFile(kGameSettings);
        RemoveFile(kShortcutList);
    }

    // Every folder the installation made, deepest first, each when nothing is left in it.
    // Folders the user made stay even when empty: in the install directory nothing but what
    // the installation made is touched.
    void RemoveFolders() {
        std::vector<std::string> folders = input_.installed.folders;
        for (const std::string& file : input_.installed.files)
            for (size_t cut = file.find('\\'); cut != std::string::npos;
                 cut = file.find('\\', cut + 1))
                folders.push_back(file.substr(0, cut));
        for (const char* folder : install::kGameFolders) folders.emplace_back(folder + 1);
        for (const char* folder : kRunFolders) folders.emplace_back(folder);
        auto depth = [](const std::string& path) {
            return std::count(path.begin(), path.end(), '\\');
        };
        std::sort(folders.begin(), folders.end(), [&](const std::string& a, const std::string& b) {
            return depth(a) != depth(b) ? depth(a) > depth(b) : a > b;
        });
        for (const std::string& folder : folders) {
            const std::string path = dir_ + "\\" + folder;
            const DWORD attributes = Attributes(path);
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !StaysInside(folder))
                continue;
            RemoveDirectoryA(path.c_str());  // refused when not empty: the user's files stay
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

std::string ReadWholeFile(const std::string& path, bool& found) {
    found = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    found = true;
    std::string text;
    LARGE_INTEGER size{};
    // A list of some megabytes is already far beyond any real game.
    if (GetFileSizeEx(file, &size) && size.QuadPart < (64 << 20)) {
        text.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) read = 0;
        text.resize(read);
    }
    CloseHandle(file);
    return text;
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
    bool found = false;
    const std::string text = ReadWholeFile(dir + "\\" + kInstalledFilesName, found);
    if (!found) {
        result.refusal = std::string("Не найден список файлов установки\r") + kInstalledFilesName +
                         ". Ничего не удалено.";
        return result;
    }
    InstalledFilesParse list = ParseInstalledFiles(text);
    if (!list.ok) {
        result.refusal = std::string("Список файлов установки ") + kInstalledFilesName +
                         "\rповреждён. Ничего не удалено.";
        return result;
    }
    result.input.installDir = dir;
    result.input.installed = std::move(list.list);
    const std::string shortcutList = dir + "\\" + kShortcutList;
    result.input.shortcutListFound = FileExists(shortcutList);
    if (result.input.shortcutListFound) {
        TIniFile ini(shortcutList);
        for (const std::string& key : ini.ReadSection(kShortCuts)) {
            const std::string link = ini.ReadString(kShortCuts, key, "");
            if (!link.empty()) result.input.shortcuts.push_back(link);
        }
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

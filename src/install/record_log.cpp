#include "install/record_log.h"

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "install/record_names.h"

namespace mvt::install {

namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::string ValueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
    if (type == REG_DWORD && size >= sizeof(DWORD))
        return std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string text(reinterpret_cast<const char*>(data.data()), size);
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return "\"" + text + "\"";
    }
    return "(" + std::to_string(size) + " байт)";
}

void LogKey(InstallLog& log, const char* path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return;
    const UniqueKey key(opened);
    log.Write(std::string("Реестр: HKEY_LOCAL_MACHINE\\") + path);
    std::vector<BYTE> data(64 * 1024);
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name, type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            return;
        log.Write(std::string("Реестр:   ") + name + " = " + ValueText(type, data, size));
    }
}

void LogShortcuts(InstallLog& log, const std::string& uninstallList) {
    // Numbers of shortcuts not chosen stay free, so the list may have gaps.
    for (int n = 1; n <= 16; ++n) {
        char link[MAX_PATH * 2] = "";
        const std::string key = "ShCut#" + std::to_string(n);
        GetPrivateProfileStringA(kShortCutsSection, key.c_str(), "", link, sizeof link,
                                 uninstallList.c_str());
        if (link[0]) log.Write(std::string("Ярлык: ") + link);
    }
}

}  // namespace

void LogWrittenRecords(InstallLog& log, const std::string& installDir) {
    if (!log.Enabled()) return;
    for (const char* key : kProductKeys) LogKey(log, key);
    for (const char* key : {kGameAppPath, kRestoreAppPath, kMainAppPath, kUninstallKey})
        LogKey(log, key);
    LogShortcuts(log, installDir + "\\" + kUninstallListFile);
    const std::string settings = installDir + "\\" + kGameSettingsFile;
    if (GetFileAttributesA(settings.c_str()) != INVALID_FILE_ATTRIBUTES)
        log.Write("Файл настроек: " + settings);
    log.Write(std::string("Список удаления: ") + installDir + "\\" + kUninstallListFile);
}

}  // namespace mvt::install

#include "install/record_log.h"

#include <windows.h>

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/record_names.h"

namespace mvt::install {

namespace {

std::string ValueText(const TRegistryKey::Value& value) {
    const size_t size = value.data.size();
    if (value.type == REG_DWORD && size >= sizeof(DWORD)) {
        DWORD number = 0;
        CopyMemory(&number, value.data.data(), sizeof number);
        return std::to_string(number);
    }
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        std::string text(value.data.begin(), value.data.end());
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return "\"" + text + "\"";
    }
    return "(" + std::to_string(size) + " байт)";
}

void LogKey(InstallLog& log, const char* path) {
    const TRegistryKey key(HKEY_LOCAL_MACHINE, path);
    if (!key) return;
    log.Write(std::string("Реестр: HKEY_LOCAL_MACHINE\\") + path);
    for (const TRegistryKey::Value& value : key.Values())
        log.Write("Реестр:   " + value.name + " = " + ValueText(value));
}

void LogShortcuts(InstallLog& log, const std::string& uninstallList) {
    const TIniFile list(uninstallList);
    // Numbers of shortcuts not chosen stay free, so the list may have gaps.
    for (int n = 1; n <= 16; ++n) {
        const std::string link =
            list.ReadString(kShortCutsSection, "ShCut#" + std::to_string(n), "");
        if (!link.empty()) log.Write("Ярлык: " + link);
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
    if (FileExists(settings)) log.Write("Файл настроек: " + settings);
    log.Write(std::string("Список удаления: ") + installDir + "\\" + kUninstallListFile);
}

}  // namespace mvt::install

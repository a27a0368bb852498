#include "install/record_log.h"

#include <windows.h>

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/install_report.h"
#include "install/installation_seal.h"
#include "install/record_names.h"
#include "uninstall/installed_files.h"

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
    log.Write(std::string("Реестр: HKEY_LOCAL_MACHINE\\") + path + " (32-битное представление)");
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

void LogStageRecords(InstallLog& log, RecordStage stage, const std::string& installDir) {
    if (!log.Enabled()) return;
    const std::string uninstallList = installDir + "\\" + kUninstallListFile;
    switch (stage) {
        case RecordStage::Registry:
            for (const char* key : kProductKeys) LogKey(log, key);
            for (const char* key : {kGameAppPath, kRestoreAppPath, kMainAppPath}) LogKey(log, key);
            break;
        case RecordStage::ProgramGroup:
            LogShortcuts(log, uninstallList);
            LogKey(log, kUninstallKey);
            break;
        case RecordStage::Settings: {
            const std::string settings = installDir + "\\" + kGameSettingsFile;
            if (FileExists(settings)) log.Write("Файл настроек: " + settings);
            log.Write("Список удаления: " + uninstallList);
            break;
        }
    }
}

uint64_t LogUnreadArchiveFiles(InstallLog& log, const InstallationOutcome& outcome,
                               const std::string& installDir) {
    if (!log.Enabled() || outcome.UnreadableArchives() == 0) return 0;
    const uninstall::InstalledFilesParse list =
        uninstall::ParseInstalledFiles(InstalledFilesText(installDir));
    const std::vector<std::string> lines = UnreadArchiveLines(
        outcome, installDir, list.list.files,
        [&](const std::string& file) { return FileExists(installDir + "\\" + file); });
    for (const std::string& line : lines) log.Write(line);
    // Without a list the lines say that the files cannot be named.
    return list.ok ? lines.size() : 0;
}

}  // namespace mvt::install

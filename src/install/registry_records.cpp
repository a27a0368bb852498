#include "install/registry_records.h"

#include <windows.h>

#include <algorithm>

#include "install/installation_seal.h"
#include "install/record_names.h"

namespace mvt::install {

namespace {

constexpr char kGameGuid[] = "{5D2E91A0-4C7B-11D5-A3F0-00104B7E2C91}";
constexpr int kGameVersion = 2500;

// A key that cannot be opened leaves no key current, so the first write after it raises
// "Failed to set data for ..." with that value's name.
void OpenForWriting(TRegistry& registry, const std::string& key) {
    registry.CloseKey();
    registry.OpenKey(key, true);
}

}  // namespace

void WriteRegistryRecords(TRegistry& registry, const std::string& installDir) {
    const std::string folder = installDir + "\\";
    const std::string mainProgram = installDir + "\\MVMain.exe";
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    for (const char* key : kProductKeys) registry.CreateKey(key);

    OpenForWriting(registry, kGameAppPath);
    registry.WriteString("Install", folder);
    registry.WriteString("Path", folder);
    registry.WriteString("MV25_INSTALL", "true");
    registry.WriteString("MV25GUID", kGameGuid);
    registry.WriteString("MV25Tag", "Morvath Trilogy");
    registry.WriteInteger("MV25Version", kGameVersion);
    registry.WriteString("MV2Location", folder);
    registry.WriteString("MV25Language", "English");
    registry.CloseKey();

    // All three hold the main program's path, which is what the game's tools expect here.
    OpenForWriting(registry, kRestoreAppPath);
    registry.WriteString("DisplayName", mainProgram);
    registry.WriteString("LogFile", mainProgram);
    registry.WriteString("UninstallString", mainProgram);
    registry.CloseKey();

    OpenForWriting(registry, kMainAppPath);
    registry.WriteString("Path", folder);
    registry.CloseKey();
}

void WriteUninstallRegistration(TRegistry& registry, const std::string& installDir,
                                const InstallationSeal& seal) {
    // Before anything of the entry is written: a list changed since it was unpacked leaves
    // no entry that would name it.
    const std::string listHash = InstalledFilesHash(installDir, seal);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    OpenForWriting(registry, kUninstallKey);
    registry.WriteString("DisplayName", "Трилогия Морвата");
    registry.WriteString("UninstallString", UninstallCommand(installDir));
    OpenForWriting(registry, SealKey(installDir));
    WriteInstallationSeal(registry, listHash, seal);
    registry.CloseKey();
}

std::vector<std::string> RecordKeys(const std::string& installDir) {
    std::vector<std::string> keys;
    // The product keys with the parents CreateKey makes, each once.
    for (const std::string key : kProductKeys)
        for (size_t cut = key.find('\\', sizeof "SOFTWARE");; cut = key.find('\\', cut + 1)) {
            const std::string level = key.substr(0, cut);
            if (std::find(keys.begin(), keys.end(), level) == keys.end()) keys.push_back(level);
            if (cut == std::string::npos) break;
        }
    keys.insert(keys.end(), {kGameAppPath, kRestoreAppPath, kMainAppPath, kUninstallKey,
                             kInstallationsKey, SealKey(installDir)});
    return keys;
}

}  // namespace mvt::install

#include "install/registry_records.h"

#include <windows.h>

#include <cstring>

#include "install/installation_seal.h"
#include "install/record_names.h"
#include "install/uninstall_details.h"

namespace mvt::install {

namespace {

// A key that cannot be opened leaves no key current, so the first write after it raises
// "Failed to set data for ..." with that value's name.
void OpenForWriting(TRegistry& registry, const std::string& key) {
    registry.CloseKey();
    registry.OpenKey(key, true);
}

}  // namespace

void WriteRecordValue(TRegistry& registry, const RegistryRecord& record,
                      const std::string& installDir) {
    if (record.data == RecordData::Kilobytes)
        // Written as REG_DWORD: the bits of the kilobytes go in unchanged.
        registry.WriteInteger(record.name, static_cast<int>(FolderKilobytes(installDir)));
    else if (record.data == RecordData::Number)
        registry.WriteInteger(record.name, record.number);
    else
        registry.WriteString(record.name, RecordText(record, installDir));
}

void WriteRecords(TRegistry& registry, std::span<const RegistryRecord> records,
                  const std::string& installDir) {
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    const char* open = nullptr;
    for (const RegistryRecord& record : records) {
        if (!open || std::strcmp(open, record.key) != 0)
            OpenForWriting(registry, open = record.key);
        WriteRecordValue(registry, record, installDir);
    }
    registry.CloseKey();
}

void WriteRegistryRecords(TRegistry& registry, const std::string& installDir) {
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    for (const char* key : kProductKeys) registry.CreateKey(key);
    WriteRecords(registry, kAppPathRecords, installDir);
}

void WriteUninstallRegistration(TRegistry& registry, const std::string& installDir,
                                const InstallationSeal& seal) {
    // Before anything of the entry is written: a list changed since it was unpacked leaves
    // no entry that would name it.
    const std::string listHash = InstalledFilesHash(installDir, seal);
    WriteRecords(registry, kUninstallRecords, installDir);
    OpenForWriting(registry, SealKey(installDir));
    WriteInstallationSeal(registry, listHash, seal);
    registry.CloseKey();
}

std::vector<std::string> RecordKeys(const std::string& installDir) {
    std::vector<std::string> keys = ProductKeyLevels();
    keys.insert(keys.end(), {kGameAppPath, kRestoreAppPath, kMainAppPath, kUninstallKey,
                             kInstallationsKey, SealKey(installDir)});
    return keys;
}

}  // namespace mvt::install

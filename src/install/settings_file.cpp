#include "install/settings_file.h"

#include "framework/inifiles.h"
#include "install/record_names.h"

namespace mvt::install {

void WriteSettingsRecords(const std::string& installDir, std::span<const SettingsRecord> records) {
    // The profile functions replace each key where it stands and append what is new, so a
    // settings file unpacked from an archive keeps its other keys. The install directory may
    // be open to other users: the file is written only through a checked handle.
    TGuardedIniFile settings(installDir, kGameSettingsFile);
    for (const SettingsRecord& record : records)
        settings.WriteString(record.section, record.key, SettingsValue(record, installDir));
}

void WriteGameSettings(const std::string& installDir) {
    WriteSettingsRecords(installDir, kSettingsRecords);
}

}  // namespace mvt::install

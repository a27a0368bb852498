#include "install/settings_file.h"

#include "framework/inifiles.h"
#include "install/record_names.h"

namespace mvt::install {

void WriteGameSettings(const std::string& installDir) {
    // The profile functions replace each key where it stands and append what is new, so a
    // settings file unpacked from an archive keeps its other keys. The install directory may
    // be open to other users: the file is written only through a checked handle.
    TGuardedIniFile settings(installDir, kGameSettingsFile);
    settings.WriteInteger("Program Options", "Installing", 0);
    settings.WriteInteger("Program Options", "Install Type", 2);
    settings.WriteInteger("Game Options", "Memory Access", 100);
    settings.WriteInteger("Game Options", "Memory Level", 1);
    settings.WriteInteger("Game Options", "Never Show Nuisance DKM", 1);
    settings.WriteInteger("Game Options", "Never Show Nuisance", 1);
    settings.WriteInteger("Game Options", "Environmental Audio", 0);
    settings.WriteInteger("Game Options", "Footsteps", 1);
    settings.WriteString("Local", "Language", "English");
    settings.WriteString("Local", "Language25", "English");
    // The hard-disk alias and the five disc aliases all point at the install directory.
    const std::string folder = installDir + "\\";
    for (const char* alias : {"HD0:", "CD1:", "CD2:", "CD3:", "CD4:", "CD5:"})
        settings.WriteString("Alias", alias, folder);
    settings.WriteInteger("GameSpy", "Enabled", 1);
}

}  // namespace mvt::install

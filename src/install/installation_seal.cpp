#include "install/installation_seal.h"

#include <windows.h>

#include "framework/guarded_files.h"
#include "framework/inifiles.h"
#include "framework/sha256.h"
#include "framework/sysutils.h"
#include "install/medium_layout.h"

namespace mvt::install {

namespace {

// A list of some megabytes is already far beyond any real game.
constexpr size_t kListLimit = 64u << 20;

}  // namespace

uint32_t MakeGameFolders(const std::string& installDir) {
    ForceDirectories(installDir);
    uint32_t made = 0;
    for (size_t n = 0; n < std::size(kGameFolders); ++n)
        if (CreateDirectoryA((installDir + kGameFolders[n]).c_str(), nullptr)) made |= 1u << n;
    return made;
}

uint32_t SealedGameFolders(const std::string& installDir) {
    return TRegistryKey(HKEY_LOCAL_MACHINE, SealKey(installDir))
        .Number(kGameFoldersValue)
        .value_or(0);
}

std::string InstalledFilesText(const std::string& installDir) {
    std::string error, bytes;
    const std::optional<TGuardedFolder> folder = TGuardedFolder::Open(installDir, false, error);
    if (!folder ||
        ReadBelow(*folder, kInstalledFilesFile, kListLimit, bytes, error) != TGuardedOutcome::Done)
        return {};
    return bytes;
}

std::string InstalledFilesHash(const std::string& installDir) {
    const std::string bytes = InstalledFilesText(installDir);
    return bytes.empty() ? std::string() : Sha256Hex(bytes);
}

void RefuseLinkedIniFile(const std::string& installDir, const char* name) {
    std::string error;
    const std::optional<TGuardedFolder> folder = TGuardedFolder::Open(installDir, false, error);
    const TGuardedOutcome found =
        folder ? CheckBelow(*folder, name, error) : TGuardedOutcome::Missing;
    if (found == TGuardedOutcome::NotOurs)
        throw EIniFileException(
            Format("Unable to write to %s", (installDir + "\\" + name).c_str()));
}

void WriteInstallationSeal(TRegistry& registry, const std::string& installDir,
                           const InstallationSeal& seal) {
    registry.WriteString(kInstalledFilesHashValue, InstalledFilesHash(installDir));
    registry.WriteString(kShortCutsHashValue, Sha256Hex(ShortCutsText(seal.shortcuts)));
    registry.WriteString(kProgramGroupValue, seal.groupFolder);
    registry.WriteString(kDesktopValue, seal.desktopFolder);
    registry.WriteInteger(kGameFoldersValue, static_cast<int>(seal.madeGameFolders));
}

}  // namespace mvt::install

#include "install/installation_seal.h"

#include <windows.h>

#include "framework/guarded_files.h"
#include "framework/private_folder.h"
#include "framework/sha256.h"
#include "framework/sysutils.h"
#include "install/medium_layout.h"
#include "zip/zipunpacker.h"

namespace mvt::install {

namespace {

// A list of some megabytes is already far beyond any real game.
constexpr size_t kListLimit = 64u << 20;

// The list of installed files in `folder`, read through a checked handle.
TGuardedOutcome ReadInstalledFiles(const std::string& folder, TFolderWay way, std::string& bytes) {
    std::string error;
    const std::optional<TGuardedFolder> guarded = TGuardedFolder::Open(folder, way, error);
    return guarded ? ReadBelow(*guarded, kInstalledFilesFile, kListLimit, bytes, error)
                   : TGuardedOutcome::Failed;
}

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

std::optional<std::string> InstalledFilesFromMedium(const std::string& uninstallerArchive,
                                                    const std::string& libraryFolder) {
    std::string error, bytes;
    const std::optional<TPrivateFolder> folder = TPrivateFolder::Make("mvt-list-", error);
    if (!folder) return std::nullopt;
    zip::TZipUnpacker unpacker(nullptr);
    unpacker.SetDLLDirectory(libraryFolder);
    unpacker.SetUnattended(true);
    // The one entry is read at once: no windows to service meanwhile.
    unpacker.OnCheckTerminate = [](TObject*, bool&) {};
    unpacker.FSpecArgs().Add(kInstalledFilesFile);
    unpacker.SetZipFileName(uninstallerArchive);
    unpacker.SetExtrBaseDir(folder->Path());
    unpacker.Extract();
    if (ReadInstalledFiles(folder->Path(), TFolderWay::Followed, bytes) != TGuardedOutcome::Done)
        return std::nullopt;
    return bytes;
}

std::string InstalledFilesHash(const std::string& installDir, const InstallationSeal& seal) {
    if (!seal.installedFiles) return {};
    std::string bytes;
    const TGuardedOutcome read = ReadInstalledFiles(installDir, TFolderWay::NoLinkAtItsEnd, bytes);
    // A list the unpacking left out (a full drive, skipped) is none: no hash, and the
    // uninstaller refuses, as it does without a list.
    if (read == TGuardedOutcome::Missing) return {};
    if (read != TGuardedOutcome::Done || bytes != *seal.installedFiles)
        throw Exception("Список файлов установки " + installDir + "\\" + kInstalledFilesFile +
                        " не совпадает со списком дистрибутива");
    return Sha256Hex(bytes);
}

std::string InstalledFilesText(const std::string& installDir) {
    std::string bytes;
    return ReadInstalledFiles(installDir, TFolderWay::Followed, bytes) == TGuardedOutcome::Done
               ? bytes
               : std::string();
}

void WriteInstallationSeal(TRegistry& registry, const std::string& listHash,
                           const InstallationSeal& seal) {
    registry.WriteString(kInstalledFilesHashValue, listHash);
    registry.WriteString(kShortCutsHashValue, Sha256Hex(ShortCutsText(seal.shortcuts)));
    registry.WriteString(kProgramGroupValue, seal.groupFolder);
    registry.WriteString(kDesktopValue, seal.desktopFolder);
    registry.WriteInteger(kGameFoldersValue, static_cast<int>(seal.madeGameFolders));
}

}  // namespace mvt::install

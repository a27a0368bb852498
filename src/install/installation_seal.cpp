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

}  // namespace

uint32_t MakeGameFolders(const std::string& installDir) {
    ForceDirectories(installDir);
    uint32_t made = 0;
    for (size_t n = 0; n < std::size(kGameFolders); ++n)
        if (CreateDirectoryA((installDir + kGameFolders[n]).c_str(), nullptr)) made |= 1u << n;
    return made;
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
    const std::optional<TGuardedFolder> unpacked =
        TGuardedFolder::Open(folder->Path(), TFolderWay::Followed, error);
    if (!unpacked || ReadBelow(*unpacked, kInstalledFilesFile, kListLimit, bytes, error) !=
                         TGuardedOutcome::Done)
        return std::nullopt;
    return bytes;
}

std::string InstalledFilesHash(const std::string& installDir, const InstallationSeal& seal) {
    if (!seal.installedFiles) return {};
    std::string error, bytes;
    const std::optional<TGuardedFolder> folder =
        TGuardedFolder::Open(installDir, TFolderWay::NoLinkAtItsEnd, error);
    const TGuardedOutcome read =
        folder ? ReadBelow(*folder, kInstalledFilesFile, kListLimit, bytes, error)
               : TGuardedOutcome::Failed;
    // A list the unpacking left out (a full drive, skipped) is none: no hash, and the
    // uninstaller refuses, as it does without a list.
    if (read == TGuardedOutcome::Missing) return {};
    if (read != TGuardedOutcome::Done || bytes != *seal.installedFiles)
        throw Exception("Список файлов установки " + installDir + "\\" + kInstalledFilesFile +
                        " не совпадает со списком дистрибутива");
    return Sha256Hex(bytes);
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

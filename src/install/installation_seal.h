// What the installation leaves for its uninstaller to trust. The install directory may be a
// folder every user can write to, so the uninstaller (which runs with administrator rights)
// believes nothing it finds there alone: the setup stores, under the uninstall entry in
// HKEY_LOCAL_MACHINE (32-bit view), where only administrators can write, the SHA-256 of the
// list of installed files and of the shortcut list it wrote, the two folders shortcuts were
// made in, and which of the game folders it made itself. The list of installed files it
// seals is the one the medium holds, never what it finds in the install directory alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/registry.h"
#include "install/seal_format.h"

namespace mvt::install {

// What the run gathers for the seal on its way.
struct InstallationSeal {
    uint32_t madeGameFolders = 0;  // bit n: kGameFolders[n] made by this run
    std::string groupFolder;       // empty: no shortcut made in a program group
    std::string desktopFolder;     // empty: no desktop shortcut
    std::vector<ShortcutEntry> shortcuts;
    // The list of installed files as the medium's uninstaller archive holds it; none when
    // no uninstaller was unpacked or the archive holds no list.
    std::optional<std::string> installedFiles;
};

// Makes the install directory with its missing parents and the game folders in it; returns
// the bits of the game folders that were not there before (made by this run).
uint32_t MakeGameFolders(const std::string& installDir);

// The game folders an earlier installation into installDir recorded in its seal as made by
// it: they stay the game's when the game is installed there again (bits as above).
uint32_t SealedGameFolders(const std::string& installDir);

// The list of installed files in the medium's uninstaller archive, unpacked by the zip
// library (from libraryFolder, as the run's component loads it) into a private folder
// (framework/private_folder.h) and read there; none when it holds no list or cannot be read.
std::optional<std::string> InstalledFilesFromMedium(const std::string& uninstallerArchive,
                                                    const std::string& libraryFolder);

// The list of installed files in installDir as its bytes, read by a handle that is no link
// and lies in the install directory; empty when there is no such file.
std::string InstalledFilesText(const std::string& installDir);

// The SHA-256 of the seal's list of installed files, once the list in installDir, read
// through a checked handle (framework/guarded_files.h) that lets nobody write to it
// meanwhile, has been found to be the very same; empty without a list on the medium or in
// installDir. Raises Exception when the installed list differs from the medium's, or is a
// link of any kind, or cannot be read.
std::string InstalledFilesHash(const std::string& installDir, const InstallationSeal& seal);

// Writes the seal's values, with the list's hash from InstalledFilesHash, into the current
// key of `registry` (the uninstall entry). Raises "Failed to set data for '%s'" like the
// other records.
void WriteInstallationSeal(TRegistry& registry, const std::string& listHash,
                           const InstallationSeal& seal);

}  // namespace mvt::install

// What the installation leaves for its uninstaller to trust. The install directory may be a
// folder every user can write to, so the uninstaller (which runs with administrator rights)
// believes nothing it finds there alone: the setup stores, under the uninstall entry in
// HKEY_LOCAL_MACHINE (32-bit view), where only administrators can write, the SHA-256 of the
// list of installed files and of the shortcut list it wrote, the two folders shortcuts were
// made in, and which of the game folders it made itself.
#pragma once

#include <cstdint>
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
};

// Makes the install directory with its missing parents and the game folders in it; returns
// the bits of the game folders that were not there before (made by this run).
uint32_t MakeGameFolders(const std::string& installDir);

// The game folders an earlier installation into installDir recorded in its seal as made by
// it: they stay the game's when the game is installed there again (bits as above).
uint32_t SealedGameFolders(const std::string& installDir);

// The list of installed files in installDir as its bytes, read by a handle that is no link
// and lies in the install directory; empty when there is no such file.
std::string InstalledFilesText(const std::string& installDir);
// Its SHA-256; empty when there is no such file.
std::string InstalledFilesHash(const std::string& installDir);

// The ini files the setup writes in the install directory go through the system's profile
// functions, which follow links: a file of that name that is a link (or a folder) makes the
// write fail before it starts, with the ini file's own error ("Unable to write to %s").
void RefuseLinkedIniFile(const std::string& installDir, const char* name);

// Writes the seal's values into the current key of `registry` (the uninstall entry). Raises
// "Failed to set data for '%s'" like the other records.
void WriteInstallationSeal(TRegistry& registry, const std::string& installDir,
                           const InstallationSeal& seal);

}  // namespace mvt::install

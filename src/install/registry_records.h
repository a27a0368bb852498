// The registry records of an installed game: the product keys, the application-path entries
// of the two game executables and the entry in the system's list of installed software.
// Everything is written under HKEY_LOCAL_MACHINE in the 32-bit view, where the package's
// 32-bit games and tools look.
#pragma once

#include <string>
#include <vector>

#include "framework/registry.h"
#include "install/installation_seal.h"

namespace mvt::install {

// Records 1 to 6: the three product keys (left as they are when they exist, values of
// other software included) and the application paths with install location, version and
// language. installDir is written as it is, followed by a backslash where a folder is meant.
// Raises ERegistryException "Failed to create key <key>" or "Failed to set data for '<name>'";
// nothing after the failing record is written.
void WriteRegistryRecords(TRegistry& registry, const std::string& installDir);

// Record 7, the uninstall registration: display name and the uninstaller's path in quotes,
// then the installation's own seal (SealKey) the uninstaller checks what it finds against.
void WriteUninstallRegistration(TRegistry& registry, const std::string& installDir,
                                const InstallationSeal& seal);

// Every key the record stages of an installation into installDir may change, parents
// before their subkeys.
std::vector<std::string> RecordKeys(const std::string& installDir);

}  // namespace mvt::install

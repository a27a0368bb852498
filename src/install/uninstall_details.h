// What the system's list of installed programs and deployment tools read from the
// uninstall entry beyond its name and command: the quiet uninstall command, icon, version,
// publisher, location, size, and that the entry offers no change and no repair.
#pragma once

#include <cstdint>
#include <string>

#include "framework/registry.h"

namespace mvt::install {

// Kilobytes (rounded up) of the files below folder; folders that are links are not entered.
uint32_t FolderKilobytes(const std::string& folder);

// Writes the values (kUninstallDetailRecords) into the uninstall entry (HKEY_LOCAL_MACHINE, 32-bit
// view), after its name and command. Raises the framework's exception on a refused write.
void WriteUninstallDetails(TRegistry& registry, const std::string& installDir);

}  // namespace mvt::install

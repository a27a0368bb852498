// The game's own settings file "morvath.ini" in the install directory: the installer writes
// its 17 values and leaves every other key of the file as it is.
#pragma once

#include <span>
#include <string>

#include "install/record_names.h"

namespace mvt::install {

// The given values; each replaces its key where it stands, every other key of the file stays.
// Raises EIniFileException "Unable to write to <file>" when a write is refused (or the file is
// a link); the values after it are then not written.
void WriteSettingsRecords(const std::string& installDir, std::span<const SettingsRecord> records);

// All 17. Raises EIniFileException "Unable to write to <file>" when a write is refused; the values
// after it are then not written.
void WriteGameSettings(const std::string& installDir);

}  // namespace mvt::install

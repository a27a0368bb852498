// The game's own settings file "morvath.ini" in the install directory: the installer writes
// its 17 values and leaves every other key of the file as it is.
#pragma once

#include <string>

namespace mvt::install {

// Raises EIniFileException "Unable to write to <file>" when a write is refused; the values
// after it are then not written.
void WriteGameSettings(const std::string& installDir);

}  // namespace mvt::install

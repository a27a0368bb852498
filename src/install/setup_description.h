// What the setup starts from: the setup description "MVTSetup.ini" beside the program (the
// size everything unpacks to, the archive list) and the defaults the wizard's screens offer.
#pragma once

#include <string>
#include <vector>

namespace mvt::install {

// The setup description beside the running program.
std::string SetupDescriptionPath();

// The archives of [Files] File0, File1, … in order, up to the first missing or empty key.
std::vector<std::string> ListedArchives();

// FullSize as bytes the installation needs (10 * 2^30 when missing, unreadable or 0).
double RequiredBytesFromSetup();

// The "ProgramFilesDir" registry value followed by "\Morvath Trilogy".
std::string DefaultInstallDirectory();

// The program group the options screen offers.
inline constexpr char kDefaultGroupName[] = "Morvath Trilogy";

}  // namespace mvt::install

#include "install/setup_description.h"

#include "framework/inifiles.h"
#include "framework/numbers.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/space_figures.h"

namespace mvt::install {

std::string SetupDescriptionPath() {
    return ProgramFolder() + "MVTSetup.ini";
}

std::vector<std::string> ListedArchives() {
    const TIniFile setup(SetupDescriptionPath());
    std::vector<std::string> archives;
    for (int n = 0;; ++n) {
        std::string name = setup.ReadString("Files", "File" + std::to_string(n), "");
        if (name.empty()) return archives;
        archives.push_back(std::move(name));
    }
}

double RequiredBytesFromSetup() {
    const TIniFile setup(SetupDescriptionPath());
    return RequiredBytes(
        ParseNumber(setup.ReadString("Setup", "FullSize", ""), DecimalSeparator()));
}

std::string DefaultInstallDirectory() {
    return ReadMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir") +
           "\\Morvath Trilogy";
}

}  // namespace mvt::install

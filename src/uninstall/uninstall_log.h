// The uninstaller's switches and its log. It takes the switches Inno-Setup-style
// uninstallers take, so that the commands package managers send it work:
//
//   /S, /SILENT, /VERYSILENT   no window at all
//   /SUPPRESSMSGBOXES          accepted; the uninstaller shows no box beyond its two windows
//   /NORESTART                 accepted; nothing it does needs a restart
//   /LOG, /LOG="file"          a log of what it removed and what it left, UTF-8 like the
//                              setup's; without a name "MVTUninstall Log YYYY-MM-DD #NNN.txt"
//                              in the user's temporary folder
//
// Anything else is skipped, as such uninstallers do.
#pragma once

#include <string>
#include <vector>

#include "install/install_log.h"
#include "uninstall/removal.h"

namespace mvt::uninstall {

struct UninstallSwitches {
    bool silent = false;
    bool log = false;
    std::string logFile;  // empty: a new file in the temporary folder
};

// Reads the arguments after the program's name.
UninstallSwitches ReadUninstallSwitches(const std::vector<std::string>& arguments);

// Opens the log the switches ask for; false when they ask for one that cannot be made.
bool OpenUninstallLog(const UninstallSwitches& switches, install::InstallLog& log);

// The uninstaller's version, its command line and the install directory.
void LogUninstallStart(install::InstallLog& log, const std::string& installDir);

// Every item removed, every one left with the reason, each on a line of its own.
void LogRemoval(install::InstallLog& log, const RemovalReport& report);

}  // namespace mvt::uninstall

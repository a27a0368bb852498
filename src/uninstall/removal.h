// What the uninstaller removes, and how: the shortcuts that the setup listed in "unreglst.ini",
// its registry records, the files that the medium installed (the list beside the uninstaller),
// the two ini files the setup wrote, and then every folder left empty. Nothing outside the
// install directory is touched except the listed shortcuts, their empty group folder and the
// setup's own registry records; within the directory only what the medium or the setup made.
// Texts meant for the user are Russian (code page 1251).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "uninstall/installed_files.h"

namespace mvt::uninstall {

// What the uninstaller found beside itself, checked before anything is removed.
struct UninstallInput {
    std::string installDir;  // no trailing backslash
    InstalledFiles installed;
    bool shortcutListFound = false;
    std::vector<std::string> shortcuts;  // link files named in section "ShortCuts"
    // From the seal under the uninstall entry (install/installation_seal.h): the only two
    // folders shortcuts are removed from (empty: none), and the game folders the
    // installation made (bit n: install::kGameFolders[n]).
    std::string groupFolder;
    std::string desktopFolder;
    uint32_t madeGameFolders = 0;
};

struct Preparation {
    bool ok = false;
    std::string refusal;  // for the user: why nothing is removed
    UninstallInput input;
};

// Reads the list of installed files and the shortcut list of the install directory and checks
// both against the seal the setup stored under the uninstall entry. Refuses a drive root (or
// a share's root) as install directory, an uninstall entry that is missing or names another
// installation, a missing or damaged file list, and either list when it is not the one the
// setup wrote (its SHA-256 differs from the stored one).
Preparation PrepareUninstall(const std::string& installDir);

struct RemovalReport {
    // What was removed, each as the log names it.
    std::vector<std::string> removed;
    // Things that should have gone and are still there, each "<what>: <why>".
    std::vector<std::string> failures;
    // Left on purpose: records of another installation, shortcuts that do not lead into the
    // install directory, a missing shortcut list.
    std::vector<std::string> notes;
    // Names at the top of the install directory that were not made by the setup and stay
    // (the user's files), so the directory stays too.
    std::vector<std::string> kept;
    // Installed files that could not be deleted (in use), relative to the install
    // directory: the system is asked to delete them at the next restart, and the
    // installation stays registered with its lists and uninstaller until a run removes all.
    std::vector<std::string> leftForRestart;
    bool shortcutListMissing = false;
    bool Complete() const { return failures.empty(); }
};

// Removes everything the installation made, except the uninstaller program `ownProgram`
// (full path) and the install directory itself, which can go only once the program has
// ended (self_removal.h). The registration and the two lists go last, and only when
// everything else went.
RemovalReport RemoveInstallation(const UninstallInput& input, const std::string& ownProgram);

// The text of the uninstaller's last window for a report: what happened, in at most three
// short lines separated by '\r'.
std::string ReportText(const RemovalReport& report);

}  // namespace mvt::uninstall

// The uninstaller's own end: a running program cannot delete its file, and the install
// directory cannot go while that file is in it. So the uninstaller starts a copy of itself
// from a private folder it makes for itself below the temporary folder (a random name only
// SYSTEM and the administrators may enter, framework/private_folder.h), checked against the
// original's SHA-256 before it is started by its full path; the copy waits for the original
// to end, deletes the original's file and the install directory when nothing else is left
// in it. Its own folder goes at once (the running copy moves out of it, a rename the
// system allows); its file is deleted when it ends, through a delete-on-close handle it
// inherits where the system honours that for a program file, and else at the next restart.
#pragma once

#include <windows.h>

#include <string>

namespace mvt::uninstall {

// The switch that makes a started copy do the cleanup (followed by the inherited handle of
// the original process and the original's full path).
inline constexpr char kCleanupSwitch[] = "/cleanup";
// The start of the copy's folder name; 16 random hexadecimal digits follow.
inline constexpr char kCopyFolderPrefix[] = "mvt-unregmvt-";

// Starts the copy for the running program `ownProgram`; `silent` is handed on. False with the
// reason when the copy could not be made or started (its folder is removed again then).
bool StartCleanupCopy(const std::string& ownProgram, bool silent, std::string& error);

// The copy's work. Returns the exit code: 0 when the original's file is gone.
int RunCleanup(HANDLE original, const std::string& originalProgram, bool silent);

}  // namespace mvt::uninstall

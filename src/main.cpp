// MVT Setup: the program's first acts, then the setup layer decides from the command line
// what the program does (the wizard, or an installation started with switches).
#include <windows.h>

#include "framework/process_mitigation.h"
#include "framework/system_library.h"
#include "setup/setup_program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // It runs elevated, often from a folder others can write to: from here on no DLL is
    // taken from beside it or from the current folder.
    mvt::RestrictDllSearchToSystemFolder();
    // Where the system offers it, junctions made by other users are not followed at all.
    mvt::EnforceRedirectionTrust();
    return mvt::setup::RunSetup(GetCommandLineA());
}

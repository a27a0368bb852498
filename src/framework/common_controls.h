// The common controls of comctl32 (tree view and the like). comctl32 is not one of the
// DLLs Windows protects as KnownDLLs, so no program of ours imports it: it is loaded by
// name through TSystemLibrary, which takes it from the side-by-side store the program's
// manifest binds (Common-Controls 6) or from the system folder, never from beside the
// program, and keeps it for the life of the process (its window classes must outlive
// every window made from them).
#pragma once

#include <windows.h>

namespace mvt {

// Registers the window classes of the given ICC_* groups; false when comctl32 or its
// registration call is missing.
bool InitCommonControlClasses(DWORD classes);

}  // namespace mvt

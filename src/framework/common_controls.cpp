#include "framework/common_controls.h"

#include <commctrl.h>

#include "framework/system_library.h"

namespace mvt {

bool InitCommonControlClasses(DWORD classes) {
    // Pinned by the process lifetime: the object may go, the library stays.
    const TSystemLibrary comctl32("comctl32.dll", TLibraryLifetime::Process);
    const auto initialise =
        comctl32.Entry<decltype(&::InitCommonControlsEx)>("InitCommonControlsEx");
    if (!initialise) return false;
    INITCOMMONCONTROLSEX request{sizeof request, classes};
    return initialise(&request) != FALSE;
}

}  // namespace mvt

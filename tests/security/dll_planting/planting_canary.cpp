// The planting test's control: a program that imports the unprotected DLLs statically, as
// the setup once did. Beside the planted DLLs it must load them; if it does not, the test
// setup (the loader overrides, the markers) is broken and a clean result would mean nothing.
#include <windows.h>
#include <bcrypt.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <oleacc.h>
#include <winnetwk.h>

int main() {
    // Calls that do no harm: nothing to play, no drawing, no drive.
    sndPlaySoundA(nullptr, 0);
    TransparentBlt(nullptr, 0, 0, 0, 0, nullptr, 0, 0, 0, 0, 0);
    char remote[MAX_PATH];
    DWORD size = sizeof remote;
    WNetGetConnectionA("?:", remote, &size);
    // Without a manifest binding Common-Controls, comctl32 is an ordinary DLL.
    INITCOMMONCONTROLSEX controls{sizeof controls, 0};
    InitCommonControlsEx(&controls);
    BCryptCloseAlgorithmProvider(nullptr, 0);
    GetRoleTextA(0, nullptr, 0);
    return 0;
}

// MVConfig: the game's configuration program. It works on "morvath.ini" in its current
// directory, where the setup starts it (the install directory).
#include <windows.h>

#include "config_form.h"
#include "framework/forms.h"
#include "framework/system_library.h"

using namespace mvt;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Started from the install directory, where others may have put DLLs: system DLLs come
    // from the system folder only.
    RestrictDllSearchToSystemFolder();
    try {
        Application().SetTitle("MVConfig");
        mvconfig::TConfigForm* form = nullptr;
        Application().CreateForm(form);
        Application().Run();
        Application().Shutdown();
    } catch (const std::exception& error) {
        Application().ShowException(error);
        return 1;
    }
    return 0;
}

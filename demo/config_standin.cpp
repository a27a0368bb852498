// A stand-in for the game's configuration program "MVConfig.exe" in the demo game: the setup
// starts it at the end when the user asks for it, and it says what it is until closed.
#include <windows.h>

#include "framework/system_library.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    mvt::RestrictDllSearchToSystemFolder();
    MessageBoxA(nullptr,
                "Здесь запускается программа настройки игры.\n"
                "В демонстрационном дистрибутиве это заглушка.",
                "Настройка параметров", MB_OK | MB_ICONINFORMATION);
    return 0;
}

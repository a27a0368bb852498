// Starts a program like a user, waits until it shows its first screen and ends it through
// its own way out; used by the planting test, which looks for markers afterwards.
//
//   first_screen_driver wizard|window PROGRAM CURRENT_FOLDER
//
// wizard: the setup; its splash, then its welcome screen, then the close confirmation's
//         exit button. window: any program whose first visible window closes it on
//         WM_CLOSE. Each screen is first read as a screen reader reads it, so that the
//         program loads what it needs for that too. Exit code 0 when the program showed its
//         screen and ended by itself.
#include <oleacc.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/process_windows.h"

using namespace testsupport;

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "first_screen_driver: %s\n", what);
    return 1;
}

// The window's object and its name, as a screen reader asks for them.
void ReadLikeAScreenReader(HWND window) {
    constexpr GUID accessibleId = {
        0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), accessibleId,
                                          reinterpret_cast<void**>(&object))) ||
        !object)
        return;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK) SysFreeString(name);
    object->Release();
}

int DriveWizard(const Process& program) {
    // Client sizes of the splash, the welcome screen and the close confirmation.
    if (!WaitUntil([&] { return WindowWithClientSize(program.Id(), 497, 303) != nullptr; }, 20000))
        return Fail("no splash window");
    HWND welcome = nullptr;
    if (!WaitUntil([&] { return (welcome = WindowWithClientSize(program.Id(), 640, 480)); }, 30000))
        return Fail("no welcome window");
    ReadLikeAScreenReader(welcome);
    PostMessageA(welcome, WM_CLOSE, 0, 0);
    HWND confirmation = nullptr;
    if (!WaitUntil([&] { return (confirmation = WindowWithClientSize(program.Id(), 421, 144)); },
                   10000))
        return Fail("no close confirmation");
    HWND exit = ChildAt(confirmation, 57, 98);
    if (exit == confirmation) return Fail("no exit button on the confirmation");
    Click(exit);
    return program.WaitForExit(20000) ? 0 : Fail("the exit button did not end the program");
}

int DriveWindow(const Process& program) {
    HWND window = nullptr;
    if (!WaitUntil(
            [&] {
                std::vector<HWND> windows = VisibleWindows(program.Id());
                return (window = windows.empty() ? nullptr : windows.front());
            },
            30000))
        return Fail("no window");
    ReadLikeAScreenReader(window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return program.WaitForExit(20000) ? 0 : Fail("the program did not end on WM_CLOSE");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "wizard") && std::strcmp(argv[1], "window"))) {
        std::fputs("usage: first_screen_driver wizard|window PROGRAM CURRENT_FOLDER\n", stderr);
        return 2;
    }
    std::string commandLine = "\"";
    commandLine.append(argv[2]).append("\"");
    Process program(commandLine, nullptr, argv[3]);
    if (!program.Started()) return Fail("the program did not start");
    CoInitialize(nullptr);
    return std::strcmp(argv[1], "wizard") == 0 ? DriveWizard(program) : DriveWindow(program);
}

// Benchmark helper: keeps the default desktop of the Wine prefix open until its standard
// input closes. A Windows session always has its desktop; under Wine the first program that
// needs it starts the desktop process and waits for it, and the desktop closes again soon
// after its last user, so without a holder each timed program that shows a cursor or a
// window would pay that start again, and one that does not would not.
//
//   desktop_holder < pipe
#include <windows.h>

int main() {
    if (GetDesktopWindow() == nullptr) return 1;
    char buffer[64];
    DWORD got = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
    return 0;
}

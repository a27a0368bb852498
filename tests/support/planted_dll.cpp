// A stand-in for a DLL that someone planted beside a program or in its current folder.
// When the loader maps it into a process, it leaves a marker file beside itself
// ("<its own file name>.loaded") naming the program that loaded it; the planting test
// then knows that the program ran foreign code. Its exports (planted_dll.def) are the
// names the programs took or take from the unprotected system DLLs, so that a program that
// imports them statically would load it as if it were the real one.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcatW(marker, L".loaded");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    char program[MAX_PATH];
    DWORD size = GetModuleFileNameA(nullptr, program, sizeof program);
    DWORD written = 0;
    WriteFile(file, program, size, &written, nullptr);
    CloseHandle(file);
    return TRUE;
}

// Every export of the stand-in: does nothing and reports failure.
extern "C" INT_PTR WINAPI PlantedStub() {
    return 0;
}

// The baseline: the least a Win32 program does to show a painted window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static bool painted = false;
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(window, &paint);
        if (!painted) {
            painted = true;
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            if (const char* path = std::getenv("MVT_FIRST_PAINT_FILE"))
                if (FILE* file = std::fopen(path, "w")) {
                    std::fprintf(file, "%lld\n", static_cast<long long>(now.QuadPart));
                    std::fclose(file);
                }
        }
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "MinimalWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "MinimalWindow", "", WS_POPUP, 100, 100, 497, 303,
                                  nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

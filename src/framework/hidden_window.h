// The framework's hidden windows: the application's taskbar window and the message-only
// windows of the timers and of the thread synchronisation. Each kind is a plain window
// class with nothing but a name and a window procedure.
#pragma once

#include <windows.h>

namespace mvt {

// Registers the class for this module; a second registration of the same name fails
// harmlessly, so every instance may call it.
void RegisterHiddenWindowClass(const char* className, WNDPROC procedure);

// A message-only window of a class registered above; null when the system refuses one.
HWND CreateMessageWindow(const char* className);

}  // namespace mvt

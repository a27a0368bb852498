// The wizard's screens as tests outside the program find and step through them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "support/process_windows.h"

namespace testsupport {

// The process's wizard screen shown now (every one has a 640 × 480 client area).
inline HWND WizardWindow(DWORD process) {
    return WindowWithClientSize(process, 640, 480);
}

// Clicks Next on the current wizard window and waits for the next one.
inline HWND Next(DWORD process, HWND current) {
    Click(ChildAt(current, 330, 428));
    HWND next = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] { return (next = WizardWindow(process)) != nullptr && next != current; }, 10000));
    return next;
}

}  // namespace testsupport

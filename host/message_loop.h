// The message loop of the GUI thread, with its idle processing and the pre-translation
// that gives each window its keyboard interface.
// Tested by tests/host_idle_loop_test.cpp (idle), tests/host_subclass_test.cpp
// (HostRuntime.AForeignWindowIsNeverTakenForAHostObject) and
// tests/main_window_keyboard_test.cpp (keys through the real pre-translation).
#pragma once

#include <windows.h>

#include <cstdint>

// Runs until WM_QUIT; returns at once when no window of the list is loaded.
void RunMessageLoop();
// The wParam of the WM_QUIT that ended the loop (0 when it took none).
WPARAM LastQuitCode();

// Registers the routine called on every idle pass while `window` exists (one per window).
void SetIdleRoutine(HWND window, void (*routine)(std::uint32_t), std::uint32_t argument);

// Offers a message to its window and that window's parents; true when one consumed it.
bool PreTranslateMessage(MSG& message);

struct IdleStatistics {
    std::uint32_t steps = 0;     // idle steps taken since the program started
    std::uint32_t lastCount = 0; // the count the last step was called with
    bool lastResult = false;     // whether the last step asked for more
};
const IdleStatistics& GetIdleStatistics();

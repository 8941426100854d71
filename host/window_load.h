// Loading a window of the program's window list (window_list.h): the window and
// its controls made, set up and announced, then shown.
// Tested by tests/host_runtime_test.cpp (the events, command ids and stacking),
// tests/host_behaviour_load_test.cpp (the set-up messages, a modal window) and
// tests/main_window_keyboard_test.cpp (the first focus).
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/window_list.h"

// Creates and shows a window of the list with all its controls; a window that is
// already loaded is only brought forward.
bool LoadWindow(std::uint32_t windowId, bool modal, HWND owner);

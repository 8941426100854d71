// Loading a window of the program's window list (window_list.h): the window and
// its controls made, set up and announced, then shown.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/window_list.h"

// Creates and shows a window of the list with all its controls; a window that is
// already loaded is only brought forward.
bool LoadWindow(std::uint32_t windowId, bool modal, HWND owner);

// A tray icon's mouse messages (0x8064), which the window turns into its tray event: 1
// for a click, 2 for a double click, 3 for the context menu's click. Nothing in the
// program makes a tray icon (no Shell_NotifyIcon call), so the panel's window gets the
// message only when another program sends it; it answers it all the same.
// No test: nothing makes the icon, and no test sends the message.
#include <windows.h>

#include "host/window_object.h"

void WindowObject::OnTrayNotify(LPARAM lParam) {
    std::uint32_t kind = 0;
    switch (lParam) {
    case WM_LBUTTONUP:
        kind = 1;
        break;
    case WM_LBUTTONDBLCLK:
        kind = 2;
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        kind = 3;
        break;
    }
    if (kind) Raise(kEventTrayIcon, {kind});
}

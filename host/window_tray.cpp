// The tray icon's mouse messages, which the window turns into its tray event: 1 for a
// click, 2 for a double click, 3 for the context menu's click.
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

// The end of the window: the close request and its events, the end of the Windows
// session, destruction, and the end of the program with its last window.
// Tested by tests/host_runtime_test.cpp (a close refused and accepted, a routine that
// destroys its window) and tests/host_process_test.cpp (the close box, the system menu,
// Alt+F4, a window destroyed in its creation event); the end of the session has no test.
#include <windows.h>

#include "host/events.h"
#include "host/host_state.h"
#include "host/window_list.h"
#include "host/window_object.h"

LRESULT WindowObject::OnClose() {
    HWND hwnd = hwnd_;
    EventRecord record;
    Raise(kEventCloseRequest, {}, &record);
    if (!IsWindow(hwnd) || (record.hasResult && !record.result)) return 0;
    Raise(kEventCloseQuery, {}, &record);
    if (!IsWindow(hwnd) || (record.hasResult && !record.result)) return 0;
    for (auto& [window, wasEnabled] : disabledWindows)
        EnableWindow(window, wasEnabled);
    disabledWindows.clear();
    return CallOriginal(WM_CLOSE, 0, 0);
}

LRESULT WindowObject::OnQueryEndSession(WPARAM wParam, LPARAM lParam) {
    if (!CallOriginal(WM_QUERYENDSESSION, wParam, lParam)) return FALSE;
    EventRecord record;
    Raise(kEventCloseQuery, {}, &record);
    return record.hasResult && !record.result ? FALSE : TRUE;
}

void WindowObject::OnDestroying() {
    HWND hwnd = hwnd_;
    CallOriginal(WM_DESTROY, 0, 0);
    Raise(kEventDestroying);
    if (!IsWindow(hwnd)) return;
    if (HMENU menu = GetMenu(hwnd)) {
        SetMenu(hwnd, nullptr);
        DestroyMenu(menu);
    }
}

void WindowObject::OnDestroyed() {
    // After WM_NCDESTROY the units have no live object, and the program ends with the
    // last window of its list.
    for (Unit& unit : entry_.units)
        unit.live = nullptr;
    if (!AnyWindowLoaded() && Host().loopStarted) PostQuitMessage(0);
}

void WindowObject::OnDetached() {
    bigIcon_.reset();
    smallIcon_.reset();
    if (ownsItself_) delete this;
}

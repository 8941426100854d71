// The window unit type: a top-level window of class "KZWindow", and the switch that
// hands its messages, group by group, to the parts of the window object.
// Tested with the parts it hands to; its own cases: tests/main_window_test.cpp
// (WindowStart.AsksWindowsOnceToScaleTheFrameOfTheMainWindow),
// tests/main_window_dpi_change_test.cpp (the size asked for at a DPI),
// tests/host_runtime_test.cpp (clicks as WM_COMMAND).
#include <windows.h>

#include "host/accessible.h"
#include "host/background_picture.h"
#include "host/dpi.h"
#include "host/events.h"
#include "host/host_messages.h"
#include "host/runtime.h"
#include "host/window_object.h"

namespace {

constexpr UINT kMsgDpiChanged = 0x02E0;       // WM_DPICHANGED, Windows 8.1 on
constexpr UINT kMsgGetDpiScaledSize = 0x02E4; // WM_GETDPISCALEDSIZE, Windows 10 1703 on

} // namespace

WindowObject::WindowObject(Unit& unit, WindowEntry& entry)
    : UnitObject(unit, entry.Id(), this), entry_(entry) {}

WindowObject::~WindowObject() {
    // Controls go first: they refer to the window.
    controls_.clear();
}

bool WindowObject::RaiseAndOutlive(std::int32_t event) {
    HWND hwnd = hwnd_;
    Raise(event);
    return IsWindow(hwnd) != FALSE;
}

void WindowObject::OnCommand(WPARAM wParam, LPARAM lParam) {
    WORD id = LOWORD(wParam);
    auto control = reinterpret_cast<HWND>(lParam);
    if (id >= 0xE100) return;
    if (id >= 20000) {
        // Menu items: the window makes no menu from its units yet, so no id is in use here.
        return;
    }
    if (!control) return;
    if (UnitObject* object = HostObjectOf(control)) {
        object->OnNotify(HIWORD(wParam));
        return;
    }
    // A control the host did not make gets its notification handed on, once. It may
    // destroy this window meanwhile, and this object with it.
    if (commandPassing_ == control) return;
    HWND self = hwnd_;
    HWND previous = commandPassing_;
    commandPassing_ = control;
    SendMessageA(control, WM_COMMAND, wParam, lParam);
    if (IsWindow(self)) commandPassing_ = previous;
}

// The window's life: its frame as it is made, the close request, the end of the
// session and destruction.
std::optional<LRESULT> WindowObject::OnLifeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        // The window asks Windows to scale its frame wherever Windows has the function
        // (Windows 10 1607 on); from 1703 on, per-monitor v2 scales it without asking.
        auto enableNonClientScaling = EnableNonClientScalingEntry();
        bool asked = enableNonClientScaling && enableNonClientScaling(hwnd_);
        frameScales_ = asked || FramesFollowWindowDpi();
        break;
    }
    case WM_CLOSE:
        return OnClose();
    case WM_QUERYENDSESSION:
        return OnQueryEndSession(wParam, lParam);
    case WM_DESTROY:
        OnDestroying();
        return 0;
    case WM_NCDESTROY:
        OnDestroyed();
        return CallOriginal(message, wParam, lParam);
    }
    return std::nullopt;
}

// Where the window is and how large, shown or not, and at which DPI.
std::optional<LRESULT> WindowObject::OnPlaceMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOVE:
        if (!RaiseAndOutlive(kEventMoved)) return 0;
        break;
    case WM_SIZE:
        if (wParam == SIZE_RESTORED && fitOnRestore_) {
            fitOnRestore_ = false;
            RECT now;
            GetWindowRect(hwnd_, &now);
            FitFrame(false, {now.left, now.top});
        }
        if (!RaiseAndOutlive(kEventResized)) return 0;
        break;
    case WM_SHOWWINDOW:
        if (!RaiseAndOutlive(wParam ? kEventShown : kEventHidden)) return 0;
        break;
    case kMsgGetDpiScaledSize:
        // The size the window will take at the DPI, so that the rectangle Windows
        // suggests with WM_DPICHANGED is the window's own.
        if (auto* size = reinterpret_cast<SIZE*>(lParam); size && wParam > 0) {
            *size = OuterSizeAt(static_cast<int>(wParam));
            return TRUE;
        }
        break;
    case kMsgDpiChanged:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return std::nullopt;
}

// The controls' notifications, activation and focus, and a tray icon's messages.
std::optional<LRESULT> WindowObject::OnInputMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_ACTIVATE: {
        LRESULT result = CallOriginal(message, wParam, lParam);
        OnActivate(wParam);
        return result;
    }
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case kMsgTrayNotify:
        OnTrayNotify(lParam);
        return 0;
    }
    return std::nullopt;
}

// Painting: the window's own, its controls' colours and its font.
std::optional<LRESULT> WindowObject::OnDrawMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (UnitObject* control = HostObjectOf(reinterpret_cast<HWND>(lParam))) {
            if (HBRUSH brush = control->OnControlColour(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        }
        break;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_ERASEBKGND:
        PaintOnErase(reinterpret_cast<HDC>(wParam));
        return 1; // the paint routine draws every pixel
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT: {
        // The client area into another DC (PrintWindow, a snapshot).
        RECT client;
        GetClientRect(hwnd_, &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // High contrast switched on or off, or other colours: everything is painted again
        // in the colours it now calls for.
        if (message == WM_SYSCOLORCHANGE || wParam == SPI_SETHIGHCONTRAST)
            RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        break;
    }
    return std::nullopt;
}

// Each message goes to the group that handles it (each message is in one group at
// most); what no group answers goes to the window's original procedure.
LRESULT WindowObject::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> answer = OnLifeMessage(message, wParam, lParam)) return *answer;
    if (std::optional<LRESULT> answer = OnPlaceMessage(message, wParam, lParam)) return *answer;
    if (std::optional<LRESULT> answer = OnInputMessage(message, wParam, lParam)) return *answer;
    if (std::optional<LRESULT> answer = OnDrawMessage(message, wParam, lParam)) return *answer;
    if (message == WM_GETOBJECT) {
        EnsureOle(); // a screen reader's objects need it
        if (LRESULT object = AnswerAccessibleObject(*this, wParam, lParam)) return object;
    }
    return CallOriginal(message, wParam, lParam);
}

extern const UnitType kWindowType{
    kTypeWindow, "窗口", "window", {}, true, WindowObject::Create, nullptr, nullptr,
};

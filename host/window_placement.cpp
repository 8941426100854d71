// Where the window stands and how large it is: its client area is the layout's at the
// window's DPI, in whatever frame Windows draws around it, and it follows the window
// to another DPI, minimized or not.
#include <windows.h>

#include <algorithm>

#include "host/background_picture.h"
#include "host/control.h"
#include "host/dpi.h"
#include "host/window_object.h"

POINT CentredOnScreen(SIZE outer) {
    POINT at{(GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2};
    // A window larger than the screen would start above and left of it, its caption
    // out of reach: its top-left corner stays inside its monitor's work area.
    RECT place{at.x, at.y, at.x + outer.cx, at.y + outer.cy};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&place, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        at.x = std::max(at.x, monitor.rcWork.left);
        at.y = std::max(at.y, monitor.rcWork.top);
    }
    return at;
}

HFONT WindowObject::DefaultFont() const {
    return guiFont_ ? guiFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

FontHandle WindowObject::LayOutWindow(int dpi, bool centred, POINT at, UINT flags) {
    dpi_ = dpi;
    FontHandle previous = std::move(guiFont_);
    guiFont_ = CreateDefaultGuiFont(dpi);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
    picture_->SetDpi(dpi);
    UseIcons(dpi);
    if (IsIconic(hwnd_)) {
        PlaceForRestore();
    } else {
        FitFrame(centred, at, flags);
    }
    return previous;
}

void WindowObject::LayOutControls(UINT flags) {
    DeferredMoves moves(flags);
    for (std::size_t i = 1; i < entry_.units.size(); ++i) {
        if (UnitObject* control = entry_.units[i].live) control->ApplyDpi(dpi_, moves);
    }
}

SIZE WindowObject::ClientSizeAt(int dpi) const {
    return {ScaleToDpi(classicClient_.cx, dpi), ScaleToDpi(classicClient_.cy, dpi)};
}

SIZE WindowObject::OuterSizeAt(int dpi) const {
    SIZE client = ClientSizeAt(dpi);
    if (!frameScales_ && !IsIconic(hwnd_)) {
        // A frame that Windows does not draw for the window's DPI stays as it is now.
        RECT outer, inside;
        GetWindowRect(hwnd_, &outer);
        GetClientRect(hwnd_, &inside);
        return {client.cx + (outer.right - outer.left) - inside.right,
                client.cy + (outer.bottom - outer.top) - inside.bottom};
    }
    auto style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    auto extended = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE));
    return OuterSizeForClient(client, style, extended, frameScales_ ? dpi : 0);
}

void WindowObject::FitFrame(bool centred, POINT at, UINT flags) {
    SIZE client = ClientSizeAt(dpi_);
    SIZE outer = OuterSizeAt(dpi_);
    // The frame as Windows draws it decides: where it differs from what was expected,
    // the outer size makes up the difference once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (centred) at = CentredOnScreen(outer);
        RECT now;
        GetWindowRect(hwnd_, &now);
        if (now.left != at.x || now.top != at.y || now.right - now.left != outer.cx ||
            now.bottom - now.top != outer.cy)
            SetWindowPos(hwnd_, nullptr, at.x, at.y, outer.cx, outer.cy,
                         flags | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT inside;
        GetClientRect(hwnd_, &inside);
        if (inside.right == client.cx && inside.bottom == client.cy) return;
        outer.cx += client.cx - inside.right;
        outer.cy += client.cy - inside.bottom;
    }
}

void WindowObject::PlaceForRestore() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(hwnd_, &placement)) return;
    SIZE outer = OuterSizeAt(dpi_);
    RECT& normal = placement.rcNormalPosition;
    normal.right = normal.left + outer.cx;
    normal.bottom = normal.top + outer.cy;
    // Stays minimized and takes no activation; a hidden window stays hidden.
    placement.showCmd = IsWindowVisible(hwnd_) ? SW_SHOWMINNOACTIVE : SW_HIDE;
    SetWindowPlacement(hwnd_, &placement);
    // Restored, the frame Windows draws has the last word.
    fitOnRestore_ = true;
}

void WindowObject::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0) return;
    // The window takes its size, then every control its font and place in one batch of
    // moves; none of the moves draws or erases anything, and everything is painted once
    // after. (WM_SETREDRAW would stop the drawing too, but turned back on it shows a
    // window that is hidden.)
    constexpr UINT kQuiet = SWP_NOREDRAW | SWP_DEFERERASE;
    FontHandle previous = LayOutWindow(dpi, false, {suggested.left, suggested.top}, kQuiet);
    LayOutControls(kQuiet);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

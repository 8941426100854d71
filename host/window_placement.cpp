// Where the window stands and how large it is, at its DPI, and the change of DPI.
//
// The layout is drawn in pixels at 96 DPI; the window shows it at the DPI of the
// monitor it is on, and the manifest (resources/panel.manifest) tells Windows so, so
// that Windows does not stretch it as a bitmap. At 96 DPI every pixel is the layout's.
// - Made (window_create.cpp), the window asks for its DPI (WindowDpi, dpi.cpp) and lays
//   itself out there (LayOutWindow): the default GUI font at that DPI
//   (CreateDefaultGuiFont, dpi.cpp: the stock font's height taken back to 96 DPI, then
//   scaled; Wine's -12 at 96 is -18 at 144), the picture at that size (decoded when next
//   drawn, background_picture.h), the icons at that DPI's sizes (window_icon.cpp), then
//   its size: a client area that is the layout's scaled (dpi.h's rounding), in whatever
//   frame Windows draws. Then every control takes its font and place there
//   (LayOutControls, here, once window_load.cpp has made the controls), in one batch of
//   moves: each control's ApplyDpi (control.cpp) gives it its stored font, written at
//   96 DPI, scaled (CreateStoredFont, dpi.cpp; only 按钮1 has one, its 宋体 of -12 is
//   -18 at 144) or else the window's default font, and its rectangle, each edge scaled.
// - Its frame is Windows' own at that DPI: the window asks for it in WM_NCCREATE
//   (EnableNonClientDpiScaling) wherever Windows has the function (window_type.cpp).
// - Before a change of DPI, Windows asks the window the size it will take
//   (WM_GETDPISCALEDSIZE, window_type.cpp): its own at the new DPI, so that the
//   rectangle that WM_DPICHANGED suggests is that size. On WM_DPICHANGED, which
//   OnPlaceMessage (window_type.cpp) hands to OnDpiChanged, here, the window lays itself
//   out as it would start at that DPI, at the place Windows suggests; its controls are
//   moved, not made again, so that what was typed stays; nothing draws during the
//   moves, and the whole is painted once after.
// - Minimized meanwhile, it keeps its size for when it comes back (PlaceForRestore);
//   hidden meanwhile, it stays hidden until it is shown.
// - Centred (CentredOnScreen), it is centred on the screen, then moved so that its
//   top-left corner is inside its monitor's work area: a window larger than the screen
//   keeps its caption within reach, and one that fits moves too where a taskbar at the
//   top or the left covers that corner.
// Tested by tests/main_window_test.cpp
// (WindowStart.CentredWhereItFitsAndWithItsCaptionOnTheScreenWhereItDoesNot),
// tests/host_behaviour_load_test.cpp (shown maximized or minimized), tests/dpi_test.cpp
// and tests/main_window_dpi_change_test.cpp.
#include <windows.h>

#include <algorithm>

#include "host/background_picture.h"
#include "host/deferred_moves.h"
#include "host/dpi.h"
#include "host/window_object.h"

POINT CentredOnScreen(SIZE outer) {
    POINT at{(GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2};
    // A window larger than the screen would start above and left of it, its caption
    // out of reach: its top-left corner stays inside its monitor's work area (which
    // also moves a window that fits, where a taskbar at the top or left covers it).
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

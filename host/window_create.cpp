// Making the window: its styles from the layout's properties, the window itself where
// its start position puts it, fitted to its DPI, with its picture and icons; then
// showing it as loaded.
// Tested by tests/main_window_test.cpp (MainWindow.IsFixedAndStyledAsDesigned,
// WindowStart.*).
#include <windows.h>

#include "host/background_picture.h"
#include "host/dpi.h"
#include "host/events.h"
#include "host/host_state.h"
#include "host/window_object.h"

namespace {

constexpr char kWindowClass[] = "KZWindow";

struct WindowStyle {
    DWORD style;
    DWORD extended;
};

WindowStyle StyleOf(const WindowProperties& p, const char* title) {
    WindowStyle s{WS_CLIPCHILDREN, 0};
    if (p.border == WindowBorder::None) {
        s.style |= WS_POPUP; // an overlapped window would get a caption whatever we ask
    } else {
        if ((title && *title) || p.controlBox) s.style |= WS_CAPTION;
        if (p.controlBox) s.style |= WS_SYSMENU;
        s.style |= WS_DLGFRAME;
    }
    switch (p.border) {
    case WindowBorder::None:
    case WindowBorder::Fixed:
        break;
    case WindowBorder::Resizable:
        s.style |= WS_THICKFRAME;
        break;
    case WindowBorder::ResizableSmallCaption:
        s.style |= WS_THICKFRAME;
        s.extended |= WS_EX_TOOLWINDOW;
        break;
    case WindowBorder::FixedSmallCaption:
        s.extended |= WS_EX_TOOLWINDOW;
        break;
    case WindowBorder::ResizableSunken:
        s.style |= WS_THICKFRAME;
        s.extended |= WS_EX_CLIENTEDGE;
        break;
    case WindowBorder::FixedSunken:
        s.extended |= WS_EX_CLIENTEDGE;
        break;
    }
    if (p.minimizeBox) s.style |= WS_MINIMIZEBOX;
    if (p.maximizeBox) s.style |= WS_MAXIMIZEBOX;
    if (p.alwaysOnTop) s.extended |= WS_EX_TOPMOST;
    return s;
}

std::span<const std::uint8_t> ProgramData(const char* name) {
    if (!name) return {};
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    return bytes ? std::span<const std::uint8_t>(bytes, SizeofResource(module, found))
                 : std::span<const std::uint8_t>();
}

} // namespace

std::unique_ptr<UnitObject> WindowObject::Create(Unit& unit, const CreationContext& context) {
    auto window = std::make_unique<WindowObject>(unit, *context.entry);
    const UnitDescription& d = *unit.description;
    const WindowProperties& p = window->Properties();
    RegisterHostClass(kWindowClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
    window->picture_ = std::make_unique<BackgroundPicture>(ProgramData(p.picture));
    window->icon_ = ProgramData(p.icon);

    // The layout's rectangles are 96-DPI pixels, and so is its outer size, which with
    // the classic frame metrics gives the client area that its controls fill.
    WindowStyle style = StyleOf(p, d.text);
    window->classicClient_ = ClassicClientSize(d.width, d.height, style.style, style.extended);
    HWND owner = context.owner;
    if (!owner && (context.modal || !p.showInTaskbar)) owner = Host().hiddenOwner;
    // Made where the layout's own size puts it; at 96 DPI in the classic frame that is
    // where it stays.
    bool centred = p.position == StartPosition::Centred;
    POINT at = centred ? CentredOnScreen({d.width, d.height}) : POINT{d.left, d.top};
    HWND hwnd = CreateWindowExA(style.extended, kWindowClass, d.text,
                                style.style | (d.disabled ? WS_DISABLED : 0), at.x, at.y, d.width, d.height,
                                owner, context.menu, GetModuleHandleA(nullptr), window.get());
    if (!hwnd) return nullptr;

    // Made where it will be shown, the window knows its DPI, and its size, place and
    // icons follow from it.
    int dpi = WindowDpi(hwnd);
    window->LayOutWindow(dpi, centred, {ScaleToDpi(d.left, dpi), ScaleToDpi(d.top, dpi)});
    return window;
}

void WindowObject::ShowLoaded() {
    // Showing raises the shown event, whose routine may destroy the window and this
    // object with it: from then on only the handle is trusted.
    HWND hwnd = hwnd_;
    switch (Properties().position) {
    case StartPosition::Maximized:
        if (IsIconic(hwnd) || IsZoomed(hwnd)) ShowWindow(hwnd, SW_RESTORE);
        if (IsWindow(hwnd)) ShowWindow(hwnd, SW_MAXIMIZE);
        break;
    case StartPosition::Minimized:
        ShowWindow(hwnd, SW_SHOWMINIMIZED);
        break;
    default:
        ShowWindow(hwnd, SW_SHOW);
        break;
    }
    if (!IsWindow(hwnd)) return;
    HWND focus = GetFocus();
    if (focus == hwnd) {
        Raise(kEventGotFocus);
    } else if (focus && IsChild(hwnd, focus)) {
        if (UnitObject* control = HostObjectOf(focus)) control->Raise(kEventGotFocus);
    }
}

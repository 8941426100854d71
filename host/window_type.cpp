// The window unit type: a top-level window of class "KZWindow".
#include <windows.h>

#include <algorithm>

#include "host/background_picture.h"
#include "host/dpi.h"
#include "host/events.h"
#include "host/runtime.h"
#include "host/window_list.h"
#include "host/window_object.h"

namespace {

constexpr char kWindowClass[] = "KZWindow";
constexpr UINT kMsgDpiChanged = 0x02E0; // WM_DPICHANGED, Windows 8.1 on

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

// The first image of an ICO file, as an icon of the given size.
HICON IconFromFile(std::span<const std::uint8_t> ico, int size) {
    if (ico.size() < 6 + 16) return nullptr;
    auto word = [&](std::size_t at) { return static_cast<unsigned>(ico[at] | ico[at + 1] << 8); };
    auto dword = [&](std::size_t at) { return word(at) | word(at + 2) << 16; };
    if (word(0) != 0 || word(2) != 1 || word(4) < 1) return nullptr;
    std::size_t bytes = dword(6 + 8), offset = dword(6 + 12);
    if (offset >= ico.size() || bytes > ico.size() - offset) return nullptr;
    return CreateIconFromResourceEx(const_cast<std::uint8_t*>(ico.data() + offset), static_cast<DWORD>(bytes),
                                    TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

} // namespace

WindowObject::WindowObject(Unit& unit, WindowEntry& entry)
    : UnitObject(unit, entry.Id(), this), entry_(entry) {}

WindowObject::~WindowObject() {
    // Controls go first: they refer to the window.
    controls_.clear();
}

const WindowProperties& WindowObject::Properties() const {
    return *static_cast<const WindowProperties*>(GetUnit().description->properties);
}

std::unique_ptr<UnitObject> WindowObject::Create(Unit& unit, const CreationContext& context) {
    auto window = std::make_unique<WindowObject>(unit, *context.entry);
    const UnitDescription& d = *unit.description;
    const WindowProperties& p = window->Properties();
    RegisterHostClass(kWindowClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
    window->picture_ = std::make_unique<BackgroundPicture>(ProgramData(p.picture));

    // The layout's rectangles are 96-DPI pixels, and so is its outer size, which with
    // the classic frame metrics gives the client area that its controls fill.
    WindowStyle style = StyleOf(p, d.text);
    window->classicClient_ = ClassicClientSize(d.width, d.height, style.style, style.extended);
    HWND owner = context.owner;
    if (!owner && (context.modal || !p.showInTaskbar)) owner = Host().hiddenOwner;
    // Made where the layout's own size puts it; at 96 DPI in the classic frame that is
    // where it stays.
    bool centred = p.position == StartPosition::Centred;
    int left = d.left, top = d.top;
    if (centred) {
        left = (GetSystemMetrics(SM_CXSCREEN) - d.width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - d.height) / 2;
    }
    HWND hwnd = CreateWindowExA(style.extended, kWindowClass, d.text,
                                style.style | (d.disabled ? WS_DISABLED : 0), left, top, d.width, d.height,
                                owner, context.menu, GetModuleHandleA(nullptr), window.get());
    if (!hwnd) return nullptr;

    // Made where it will be shown, the window knows its DPI, and its size and place
    // follow from it.
    window->UseDpi(WindowDpi(hwnd));
    window->FitFrame(centred, {ScaleToDpi(d.left, window->dpi_), ScaleToDpi(d.top, window->dpi_)});

    std::span<const std::uint8_t> icon = ProgramData(p.icon);
    window->bigIcon_ = IconFromFile(icon, GetSystemMetrics(SM_CXICON));
    window->smallIcon_ = IconFromFile(icon, GetSystemMetrics(SM_CXSMICON));
    HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), "DEFAULT_ICON");
    SendMessageA(hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(window->bigIcon_ ? window->bigIcon_ : programIcon));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(window->smallIcon_ ? window->smallIcon_ : programIcon));
    return window;
}

HFONT WindowObject::DefaultFont() const {
    return guiFont_ ? guiFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

FontHandle WindowObject::UseDpi(int dpi) {
    dpi_ = dpi;
    FontHandle previous = std::move(guiFont_);
    guiFont_ = CreateDefaultGuiFont(dpi);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
    picture_->SetDpi(dpi);
    return previous;
}

void WindowObject::FitFrame(bool centred, POINT at) {
    SIZE client{ScaleToDpi(classicClient_.cx, dpi_), ScaleToDpi(classicClient_.cy, dpi_)};
    auto style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
    auto extended = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE));
    SIZE outer = OuterSizeForClient(client, style, extended, dpi_);
    // The frame as Windows draws it decides: where it differs from what its metrics
    // said, the outer size makes up the difference once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (centred) {
            at = {(GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2,
                  (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2};
        }
        RECT now;
        GetWindowRect(hwnd_, &now);
        if (now.left != at.x || now.top != at.y || now.right - now.left != outer.cx ||
            now.bottom - now.top != outer.cy)
            SetWindowPos(hwnd_, nullptr, at.x, at.y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT inside;
        GetClientRect(hwnd_, &inside);
        if (inside.right == client.cx && inside.bottom == client.cy) return;
        outer.cx += client.cx - inside.right;
        outer.cy += client.cy - inside.bottom;
    }
}

void WindowObject::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0) return;
    FontHandle previous = UseDpi(dpi);
    FitFrame(false, {suggested.left, suggested.top});
    for (std::size_t i = 1; i < entry_.units.size(); ++i) {
        if (UnitObject* control = entry_.units[i].live) control->ApplyDpi(dpi);
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void WindowObject::OnDetached() {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
    bigIcon_ = smallIcon_ = nullptr;
    if (ownsItself_) delete this;
}

bool WindowObject::RaiseAndOutlive(std::int32_t event) {
    HWND hwnd = hwnd_;
    Raise(event);
    return IsWindow(hwnd) != FALSE;
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

void WindowObject::OnActivate(WPARAM wParam) {
    bool active = LOWORD(wParam) != WA_INACTIVE;
    if (active && !IsWindowEnabled(hwnd_)) {
        // A modal window of the program takes the activation.
        for (const WindowEntry& other : WindowList()) {
            HWND candidate = LoadedWindowHandle(other);
            auto* object = candidate ? static_cast<WindowObject*>(other.units[0].live) : nullptr;
            if (object && candidate != hwnd_ && object->modal && !GetParent(candidate) &&
                IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
                SetActiveWindow(candidate);
                return;
            }
        }
    }
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    }
    if (inActivation_) return;
    inActivation_ = true;
    HWND hwnd = hwnd_;
    if (active) {
        if (!activated_) {
            activated_ = true;
            Raise(kEventFirstActivation);
        }
        if (IsWindow(hwnd)) Raise(kEventActivated);
    } else {
        Raise(kEventDeactivated);
    }
    if (IsWindow(hwnd)) inActivation_ = false;
}

// The window got the focus: hand it to the control that had it, or to the first
// control in Tab order.
void WindowObject::OnSetFocus() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowVisible(lastFocus_) &&
        IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return;
    }
    std::vector<HWND> sequence = TabSequence();
    if (!sequence.empty()) SetFocus(sequence.front());
}

void WindowObject::OnDestroyed() {
    // After WM_NCDESTROY the units have no live object, and the program ends with the
    // last window of its list.
    for (Unit& unit : entry_.units)
        unit.live = nullptr;
    if (!AnyWindowLoaded() && Host().loopStarted) PostQuitMessage(0);
}

// Every pixel of `clip` (client coordinates): the picture as the window places it, and
// the background colour where it leaves the area uncovered.
void WindowObject::Paint(HDC dc, const RECT& clip) {
    const WindowProperties& p = Properties();
    RECT client;
    GetClientRect(hwnd_, &client);
    COLORREF colour = p.background == kButtonFaceColour ? GetSysColor(COLOR_BTNFACE) : p.background;

    // What the picture leaves uncovered gets the background colour.
    HRGN uncovered = CreateRectRgnIndirect(&clip);
    auto cover = [&](const RECT& area) {
        HRGN covered = CreateRectRgnIndirect(&area);
        CombineRgn(uncovered, uncovered, covered, RGN_DIFF);
        DeleteObject(covered);
    };
    if (picture_ && picture_->Ready()) {
        int w = picture_->Width(), h = picture_->Height();
        int cw = client.right, ch = client.bottom;
        switch (p.pictureMode) {
        case PictureMode::Tiled:
            for (int y = 0; y < ch; y += h) {
                for (int x = 0; x < cw; x += w) {
                    RECT tile{x, y, x + w, y + h}, meet;
                    if (!IntersectRect(&meet, &tile, &clip)) continue;
                    picture_->Draw(dc, x, y, clip);
                    cover(tile);
                }
            }
            break;
        case PictureMode::Once: {
            RECT area{0, 0, w, h};
            picture_->Draw(dc, 0, 0, clip);
            cover(area);
            break;
        }
        case PictureMode::CentredFit: {
            int dw = w, dh = h;
            if (w > cw || h > ch) {
                // Scaled down to fit, keeping the aspect ratio.
                if (static_cast<long long>(w) * ch > static_cast<long long>(h) * cw) {
                    dw = cw;
                    dh = static_cast<int>(static_cast<long long>(h) * cw / w);
                } else {
                    dh = ch;
                    dw = static_cast<int>(static_cast<long long>(w) * ch / h);
                }
            }
            RECT area{(cw - dw) / 2, (ch - dh) / 2, (cw - dw) / 2 + dw, (ch - dh) / 2 + dh};
            if (dw == w && dh == h) {
                picture_->Draw(dc, area.left, area.top, clip);
            } else {
                picture_->DrawScaled(dc, area);
            }
            cover(area);
            break;
        }
        case PictureMode::Stretched:
            picture_->DrawScaled(dc, client);
            cover(client);
            break;
        }
    }
    BrushHandle brush(CreateSolidBrush(colour));
    FillRgn(dc, uncovered, brush.get());
    DeleteObject(uncovered);
}

LRESULT WindowObject::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (UnitObject* control = HostObjectOf(reinterpret_cast<HWND>(lParam))) {
            if (HBRUSH brush = control->OnControlColour(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        }
        break;
    case WM_CLOSE:
        return OnClose();
    case WM_QUERYENDSESSION: {
        if (!CallOriginal(message, wParam, lParam)) return FALSE;
        EventRecord record;
        Raise(kEventCloseQuery, {}, &record);
        return record.hasResult && !record.result ? FALSE : TRUE;
    }
    case WM_DESTROY: {
        HWND hwnd = hwnd_;
        CallOriginal(message, wParam, lParam);
        Raise(kEventDestroying);
        if (IsWindow(hwnd)) {
            if (HMENU menu = GetMenu(hwnd)) {
                SetMenu(hwnd, nullptr);
                DestroyMenu(menu);
            }
        }
        return 0;
    }
    case WM_NCDESTROY:
        OnDestroyed();
        return CallOriginal(message, wParam, lParam);
    case WM_MOVE:
        if (!RaiseAndOutlive(kEventMoved)) return 0;
        break;
    case WM_SIZE:
        SendMessageA(hwnd_, kMsgArrangeBars, 0, 0);
        if (!RaiseAndOutlive(kEventResized)) return 0;
        break;
    case WM_SHOWWINDOW:
        if (!RaiseAndOutlive(wParam ? kEventShown : kEventHidden)) return 0;
        break;
    case WM_ACTIVATE: {
        LRESULT result = CallOriginal(message, wParam, lParam);
        OnActivate(wParam);
        return result;
    }
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case kMsgTrayNotify: {
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
        return 0;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case kMsgArrangeBars:
        return 0; // no docked bars on the built-in window
    case WM_ERASEBKGND:
        return 1; // the paint routine draws every pixel
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd_, &paint);
        Paint(dc, paint.rcPaint);
        EndPaint(hwnd_, &paint);
        return 0;
    }
    case WM_PRINTCLIENT: {
        // The client area into another DC (PrintWindow, a snapshot).
        RECT client;
        GetClientRect(hwnd_, &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case kMsgDpiChanged:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return CallOriginal(message, wParam, lParam);
}

extern const UnitType kWindowType{
    kTypeWindow, "窗口", "window", {}, true, WindowObject::Create, nullptr, nullptr,
};

#include "host/control.h"

#include <utility>

#include "host/accessible.h"
#include "host/dpi.h"
#include "host/runtime.h"
#include "host/window_object.h"

HWND CreateControlWindow(const char* className, const char* text, DWORD style, const UnitDescription& unit,
                         const CreationContext& context, void* parameter) {
    style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (unit.tabStop) style |= WS_TABSTOP;
    if (unit.disabled) style |= WS_DISABLED;
    RECT place = ControlRect(unit, context.window->Dpi());
    return CreateWindowExA(0, className, text, style, place.left, place.top, place.right - place.left,
                           place.bottom - place.top, context.window->Handle(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(context.commandId)),
                           GetModuleHandleA(nullptr), parameter);
}

RECT ControlRect(const UnitDescription& unit, int dpi) {
    return ScaleRect(unit.left, unit.top, unit.width, unit.height, dpi);
}

Control::Control(Unit& unit, const CreationContext& context, const LOGFONTA* storedFont)
    : UnitObject(unit, context.windowId, context.window), storedFont_(storedFont) {}

void Control::ApplyDpi(int dpi, DeferredMoves& moves) {
    UseFont(dpi);
    moves.Move(hwnd_, PlaceAt(dpi), MoveFlags());
}

LRESULT Control::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT) {
        EnsureOle(); // a screen reader's objects need it
        if (LRESULT object = AnswerAccessibleObject(*this, wParam, lParam)) return object;
    }
    return UnitObject::OnMessage(message, wParam, lParam);
}

void Control::UseFont(int dpi) {
    FontHandle previous = std::move(font_);
    font_ = CreateStoredFont(storedFont_, dpi);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
}

HFONT Control::Font() const {
    if (font_) return font_.get();
    WindowObject* window = Window();
    return window ? window->DefaultFont() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

RECT Control::PlaceAt(int dpi) {
    return ControlRect(*GetUnit().description, dpi);
}

void ApplyBorder(HWND control, ControlBorder border) {
    LONG style = GetWindowLongA(control, GWL_STYLE) & ~WS_BORDER;
    LONG extended =
        GetWindowLongA(control, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE);
    switch (border) {
    case ControlBorder::None:
        break;
    case ControlBorder::Sunken:
        extended |= WS_EX_CLIENTEDGE;
        break;
    case ControlBorder::Raised:
        extended |= WS_EX_DLGMODALFRAME;
        break;
    case ControlBorder::ShallowSunken:
        extended |= WS_EX_STATICEDGE;
        break;
    case ControlBorder::Bump:
        extended |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME;
        break;
    case ControlBorder::SingleLine:
        style |= WS_BORDER;
        break;
    }
    SetWindowLongA(control, GWL_STYLE, style);
    SetWindowLongA(control, GWL_EXSTYLE, extended);
    SetWindowPos(control, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

char* ReadWindowText(HWND control) {
    int length = GetWindowTextLengthA(control);
    auto* text = static_cast<char*>(AllocateBlock(static_cast<std::uint32_t>(length) + 1));
    text[0] = '\0';
    GetWindowTextA(control, text, length + 1);
    return text;
}

const char* CaptionedControl::Caption() {
    caption_.reset(ReadWindowText(hwnd_));
    return caption_.get();
}

void GetCaptionProperty(UnitObject& object, int, RawValue& value) {
    value.low = static_cast<std::uint32_t>(
        reinterpret_cast<std::uintptr_t>(static_cast<CaptionedControl&>(object).Caption()));
}

bool SetCaptionProperty(UnitObject& object, int, const RawValue& value) {
    SetWindowTextA(object.Handle(), reinterpret_cast<const char*>(static_cast<std::uintptr_t>(value.low)));
    return false;
}

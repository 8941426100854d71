#include "host/unit.h"

#include <array>
#include <unordered_map>

#include "host/host_messages.h"

extern const UnitType kWindowType;
extern const UnitType kEditBoxType;
extern const UnitType kLabelType;
extern const UnitType kButtonType;

namespace {

// The object of a host window sits in its user data: read on every message, it must
// cost no more than a field access (a window property would cost a server call).
UnitObject* ObjectOf(HWND hwnd) {
    return reinterpret_cast<UnitObject*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}
void SetObject(HWND hwnd, UnitObject* object) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

// Every window that a host object is attached to, with that object. Other windows are
// never asked: messages from WM_APP up mean whatever their receiver defines, and an
// input method's window or the one OLE makes may act on the object query.
std::unordered_map<HWND, UnitObject*>& AttachedObjects() {
    static std::unordered_map<HWND, UnitObject*> objects;
    return objects;
}

void Forget(HWND hwnd, const UnitObject* object) {
    auto found = AttachedObjects().find(hwnd);
    if (found != AttachedObjects().end() && found->second == object) AttachedObjects().erase(found);
}

} // namespace

const UnitType* FindUnitType(std::uint32_t typeId) {
    static const std::array<const UnitType*, 4> types{&kWindowType, &kEditBoxType, &kLabelType, &kButtonType};
    for (const UnitType* type : types) {
        if (type->id == typeId) return type;
    }
    return nullptr;
}

UnitObject::UnitObject(Unit& unit, std::uint32_t windowId, WindowObject* window)
    : unit_(unit), windowId_(windowId), window_(window) {}

UnitObject::~UnitObject() {
    if (hwnd_) Forget(hwnd_, this);
    if (unit_.live == this) unit_.live = nullptr;
    if (hwnd_ && IsWindow(hwnd_)) {
        SetObject(hwnd_, nullptr);
        if (subclassed_) SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    }
}

void UnitObject::OnNotify(UINT) {}
HBRUSH UnitObject::OnControlColour(HDC) {
    return nullptr;
}
bool UnitObject::PreTranslate(MSG&) {
    return false;
}
void UnitObject::ApplyDpi(int, DeferredMoves&) {}

void UnitObject::Attach(HWND hwnd, bool subclass) {
    if (hwnd_) Forget(hwnd_, this);
    hwnd_ = hwnd;
    lastMessagePassed_ = false;
    SetObject(hwnd, this);
    AttachedObjects()[hwnd] = this;
    if (subclass) {
        subclassed_ = true;
        original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostWindowProc)));
    }
}

LRESULT UnitObject::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    // The window's last message reaches the original procedure once, whichever
    // handler passes it on first (a system control frees its data there).
    if (message == WM_NCDESTROY) {
        if (lastMessagePassed_) return 0;
        lastMessagePassed_ = true;
    }
    return CallWindowProcA(original_, hwnd_, message, wParam, lParam);
}

LRESULT UnitObject::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // A control's own notification sent to itself (a content write does that).
        if (reinterpret_cast<HWND>(lParam) != hwnd_) break;
        OnNotify(HIWORD(wParam));
        return 0;
    case kMsgUnitSetUp:
    case kMsgUnitActivate:
        // The host's own steps of a load: they end here, never in a system control's
        // procedure, which might give the numbers a meaning of its own.
        return 0;
    }
    return CallOriginal(message, wParam, lParam);
}

LRESULT CALLBACK UnitObject::HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    UnitObject* object = ObjectOf(hwnd);
    if (!object && message == WM_NCCREATE) {
        object = static_cast<UnitObject*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (object) object->Attach(hwnd, false);
    }
    if (!object) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message != WM_NCDESTROY) return object->OnMessage(message, wParam, lParam);

    // The last message: a subclassed control gets its own procedure back first, then
    // the object sees the message and the original procedure gets it exactly once,
    // through the object's handlers or, when they kept it, from here.
    SetObject(hwnd, nullptr);
    Forget(hwnd, object);
    if (object->subclassed_)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->original_));
    LRESULT result = object->OnMessage(message, wParam, lParam);
    if (!object->lastMessagePassed_) result = object->CallOriginal(message, wParam, lParam);
    object->hwnd_ = nullptr;
    object->OnDetached();
    return result;
}

void UnitObject::OnDetached() {}

UnitObject* HostObjectOf(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto found = AttachedObjects().find(hwnd);
    return found != AttachedObjects().end() && found->second->Handle() == hwnd ? found->second : nullptr;
}

void RegisterHostClass(const char* name, UINT style, HBRUSH background) {
    WNDCLASSA windowClass{};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(instance, name, &windowClass)) return;
    windowClass.style = style;
    windowClass.lpfnWndProc = UnitObject::HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

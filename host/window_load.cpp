#include "host/window_load.h"

#include "host/host_messages.h"
#include "host/host_state.h"
#include "host/trace.h"
#include "host/window_object.h"

namespace {

// A window of the list that is loaded already is only brought forward.
bool BringForward(HWND existing) {
    if (IsIconic(existing)) {
        ShowWindow(existing, SW_RESTORE);
    } else {
        SetActiveWindow(existing);
    }
    return true;
}

// The window's object, made with events held back; null when it cannot be made.
WindowObject* CreateWindowObject(Unit& windowUnit, const CreationContext& context, bool modal) {
    std::unique_ptr<UnitObject> created = windowUnit.type->create(windowUnit, context);
    if (!created) return nullptr;
    auto* window = static_cast<WindowObject*>(created.release());
    window->OwnItself(); // from now on the window's destruction releases the object
    windowUnit.live = window;
    window->modal = modal;
    return window;
}

// The controls, made from the last unit to the first; gives the units made, in that order.
std::vector<Unit*> CreateControls(WindowEntry& entry, CreationContext& context, WindowObject* window) {
    int commandId = 100;
    std::vector<Unit*> creationOrder;
    for (std::size_t i = entry.units.size() - 1; i >= 1; --i) {
        Unit& unit = entry.units[i];
        if (UnitKind(unit.description->id) == kKindMenuItem) continue;
        context.commandId = commandId;
        commandId += 10;
        if (std::unique_ptr<UnitObject> control = unit.type->create(unit, context)) {
            unit.live = control.get();
            window->AdoptControl(std::move(control));
            creationOrder.push_back(&unit);
        }
    }
    return creationOrder;
}

// Stacking order is table order: unit 1 on top, every later unit right below the
// previous one. Nothing is shown yet, so nothing is erased either (under Wine each
// restacking would otherwise ask for the window's erasing once more).
void StackInTableOrder(const std::vector<Unit*>& creationOrder) {
    constexpr UINT kFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_DEFERERASE;
    HWND above = HWND_TOP;
    for (auto it = creationOrder.rbegin(); it != creationOrder.rend(); ++it) {
        HWND control = HandleOf(**it);
        SetWindowPos(control, above, 0, 0, 0, 0, kFlags);
        above = control;
    }
}

// Each control finishes its set-up, the window lines up its bars, and the controls
// show as their units say.
void SetUpControls(HWND hwnd, const std::vector<Unit*>& creationOrder) {
    for (Unit* unit : creationOrder)
        SendMessageA(HandleOf(*unit), kMsgUnitSetUp, 0, 0);
    SendMessageA(hwnd, kMsgArrangeBars, 0, 0);
    for (Unit* unit : creationOrder)
        ShowWindow(HandleOf(*unit), unit->description->visible ? SW_SHOWNA : SW_HIDE);
}

// The created, moved and resized events. A handler may destroy the window; after each
// event only its handle is trusted. False when the window is gone.
bool AnnounceLoaded(WindowObject* window, HWND hwnd) {
    window->Raise(kEventCreated);
    if (IsWindow(hwnd)) window->Raise(kEventMoved);
    if (IsWindow(hwnd)) window->Raise(kEventResized);
    return IsWindow(hwnd) != FALSE;
}

// A modal window disables the program's other top-level windows, and remembers how
// they were.
void DisableOtherWindows(WindowObject* window, HWND hwnd) {
    for (WindowEntry& other : WindowList()) {
        HWND otherHandle = LoadedWindowHandle(other);
        if (!otherHandle || otherHandle == hwnd || GetParent(otherHandle)) continue;
        window->disabledWindows.push_back({otherHandle, IsWindowEnabled(otherHandle) != FALSE});
        EnableWindow(otherHandle, FALSE);
    }
}

// The last set-up step of each control; the focus stays where it was.
void ActivateControls(const std::vector<Unit*>& creationOrder) {
    HWND focus = GetFocus();
    for (Unit* unit : creationOrder) {
        if (HWND control = HandleOf(*unit)) SendMessageA(control, kMsgUnitActivate, 0, 0);
    }
    if (GetFocus() != focus && focus && IsWindow(focus)) SetFocus(focus);
}

} // namespace

bool LoadWindow(std::uint32_t windowId, bool modal, HWND owner) {
    WindowEntry* entry = FindWindowEntry(windowId);
    if (!entry) return false;
    if (HWND existing = LoadedWindowHandle(*entry)) return BringForward(existing);
    if (modal) {
        owner = nullptr;
    } else if (owner && !IsWindow(owner)) {
        return false;
    }

    // Nothing is raised while the window is built, not even for what creation sends.
    HostState& host = Host();
    ++host.eventSuppression;

    // Menus come from menu-item units; the built-in window takes none yet, so there is
    // neither a menu nor an accelerator table to build.
    CreationContext context;
    context.windowId = windowId;
    context.entry = entry;
    context.owner = owner;
    context.modal = modal;
    Unit& windowUnit = entry->units[0];
    WindowObject* window = CreateWindowObject(windowUnit, context, modal);
    if (!window) {
        --host.eventSuppression;
        return false;
    }
    HWND hwnd = window->Handle();
    PANEL_TRACE("window created");

    context.window = window;
    std::vector<Unit*> creationOrder = CreateControls(*entry, context, window);
    PANEL_TRACE("controls created");
    // Each control's font and place at the window's DPI, as after a change of DPI.
    window->LayOutControls();
    PANEL_TRACE("laid out");
    StackInTableOrder(creationOrder);
    PANEL_TRACE("stacked");
    SetUpControls(hwnd, creationOrder);

    --host.eventSuppression;
    PANEL_TRACE("stacked, set up and shown (controls)");

    if (!AnnounceLoaded(window, hwnd)) return true;
    PANEL_TRACE("created, moved and resized events");
    if (windowUnit.description->visible) window->ShowLoaded();
    PANEL_TRACE("shown");
    if (!IsWindow(hwnd)) return true;
    if (modal) DisableOtherWindows(window, hwnd);
    ActivateControls(creationOrder);
    PANEL_TRACE("controls activated");
    return true;
}

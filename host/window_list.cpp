#include "host/window_list.h"

#include <algorithm>
#include <set>

#include "host/fatal.h"
#include "host/runtime.h"
#include "host/window_object.h"

namespace {

std::vector<WindowEntry> g_windows;

// Ids name nothing when their low 24 bits or bits 24 to 27 are all 0.
bool ValidId(std::uint32_t id) {
    return (id & 0x00FFFFFF) != 0 && (id & 0x0F000000) != 0;
}
std::uint32_t UnitKind(std::uint32_t unitId) {
    return unitId >> 28;
}
constexpr std::uint32_t kKindWindow = 0, kKindControl = 1, kKindMenuItem = 2;

bool ReadEntry(const WindowDescription& description, WindowEntry& entry) {
    if (!ValidId(description.id) || description.units.empty()) return false;
    std::set<std::uint32_t> ids;
    entry.description = &description;
    for (std::size_t i = 0; i < description.units.size(); ++i) {
        const UnitDescription& unit = description.units[i];
        const UnitType* type = FindUnitType(unit.type);
        bool isWindow = i == 0;
        if (!type || !unit.properties || !ValidId(unit.id) || !ids.insert(unit.id).second) return false;
        if (isWindow != (type->id == kTypeWindow)) return false;
        if (isWindow != (UnitKind(unit.id) == kKindWindow)) return false;
        if (!isWindow && UnitKind(unit.id) != kKindControl && UnitKind(unit.id) != kKindMenuItem)
            return false;
        entry.units.push_back({&unit, type, nullptr});
    }
    return true;
}

HWND HandleOf(const Unit& unit) {
    return unit.live ? unit.live->Handle() : nullptr;
}

} // namespace

void ReadWindowList(const ProgramDescription& program) {
    g_windows.clear();
    std::set<std::uint32_t> ids;
    for (const WindowDescription& description : program.windows) {
        WindowEntry entry;
        if (!ids.insert(description.id).second || !ReadEntry(description, entry)) {
            g_windows.clear();
            ReportFatalError("载入窗口模板数据段出错!", 0);
        }
        g_windows.push_back(std::move(entry));
    }
}

void ReleaseWindowList() {
    if (!AnyWindowLoaded()) g_windows.clear();
}

std::vector<WindowEntry>& WindowList() {
    return g_windows;
}

WindowEntry* FindWindowEntry(std::uint32_t windowId) {
    for (WindowEntry& entry : g_windows) {
        if (entry.Id() == windowId) return &entry;
    }
    return nullptr;
}

Unit* FindUnit(WindowEntry& entry, std::uint32_t unitId) {
    if (unitId == 0) return &entry.units[0];
    for (Unit& unit : entry.units) {
        if (unit.description->id == unitId) return &unit;
    }
    return nullptr;
}

HWND LoadedWindowHandle(const WindowEntry& entry) {
    HWND hwnd = HandleOf(entry.units[0]);
    return hwnd && IsWindow(hwnd) ? hwnd : nullptr;
}

bool AnyWindowLoaded() {
    return std::any_of(g_windows.begin(), g_windows.end(),
                       [](const WindowEntry& entry) { return LoadedWindowHandle(entry) != nullptr; });
}

std::uint32_t GetWindowCount() {
    return static_cast<std::uint32_t>(g_windows.size());
}

HWND GetWindowHandle(std::uint32_t index) {
    return index < g_windows.size() ? LoadedWindowHandle(g_windows[index]) : nullptr;
}

bool LoadWindow(std::uint32_t windowId, bool modal, HWND owner) {
    WindowEntry* entry = FindWindowEntry(windowId);
    if (!entry) return false;
    if (HWND existing = LoadedWindowHandle(*entry)) {
        if (IsIconic(existing)) {
            ShowWindow(existing, SW_RESTORE);
        } else {
            SetActiveWindow(existing);
        }
        return true;
    }
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
    std::unique_ptr<UnitObject> created = windowUnit.type->create(windowUnit, context);
    if (!created) {
        --host.eventSuppression;
        return false;
    }
    auto* window = static_cast<WindowObject*>(created.release());
    window->OwnItself(); // from now on the window's destruction releases the object
    windowUnit.live = window;
    window->modal = modal;
    HWND hwnd = window->Handle();

    context.window = window;
    int commandId = 100;
    std::vector<Unit*> creationOrder;
    for (std::size_t i = entry->units.size() - 1; i >= 1; --i) {
        Unit& unit = entry->units[i];
        if (UnitKind(unit.description->id) == kKindMenuItem) continue;
        context.commandId = commandId;
        commandId += 10;
        if (std::unique_ptr<UnitObject> control = unit.type->create(unit, context)) {
            unit.live = control.get();
            window->AdoptControl(std::move(control));
            creationOrder.push_back(&unit);
        }
    }

    // Stacking order is table order: unit 1 on top, every later unit right below the
    // previous one.
    HWND above = HWND_TOP;
    for (auto it = creationOrder.rbegin(); it != creationOrder.rend(); ++it) {
        HWND control = HandleOf(**it);
        SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        above = control;
    }

    for (Unit* unit : creationOrder)
        SendMessageA(HandleOf(*unit), kMsgUnitSetUp, 0, 0);
    SendMessageA(hwnd, kMsgArrangeBars, 0, 0);
    for (Unit* unit : creationOrder)
        ShowWindow(HandleOf(*unit), unit->description->visible ? SW_SHOWNA : SW_HIDE);

    --host.eventSuppression;

    // A handler may destroy the window; after each event only its handle is trusted.
    window->Raise(kEventCreated);
    if (IsWindow(hwnd)) window->Raise(kEventMoved);
    if (IsWindow(hwnd)) window->Raise(kEventResized);
    if (!IsWindow(hwnd)) return true;

    if (windowUnit.description->visible) window->ShowLoaded();
    if (!IsWindow(hwnd)) return true;

    if (modal) {
        for (WindowEntry& other : g_windows) {
            HWND otherHandle = LoadedWindowHandle(other);
            if (!otherHandle || otherHandle == hwnd || GetParent(otherHandle)) continue;
            window->disabledWindows.push_back({otherHandle, IsWindowEnabled(otherHandle) != FALSE});
            EnableWindow(otherHandle, FALSE);
        }
    }

    HWND focus = GetFocus();
    for (Unit* unit : creationOrder) {
        if (HWND control = HandleOf(*unit)) SendMessageA(control, kMsgUnitActivate, 0, 0);
    }
    if (GetFocus() != focus && focus && IsWindow(focus)) SetFocus(focus);
    return true;
}

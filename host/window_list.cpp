#include "host/window_list.h"

#include <algorithm>
#include <set>

#include "host/fatal.h"

namespace {

std::vector<WindowEntry> g_windows;

// Ids name nothing when their low 24 bits or bits 24 to 27 are all 0.
bool ValidId(std::uint32_t id) {
    return (id & 0x00FFFFFF) != 0 && (id & 0x0F000000) != 0;
}

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

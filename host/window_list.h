// The program's window list: one entry per window description, filled once at
// start-up and kept until the program ends, with the windows that are loaded from it.
// Tested by tests/host_runtime_test.cpp (the count and handles, an entry outliving its
// window) and tests/host_process_test.cpp
// (HostProcess.StartFailuresAreReportedAndEndWithMinusOne: a description that cannot be
// read).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "host/description.h"
#include "host/unit.h"

// Fills the window list from the program's descriptions; a description that cannot
// be read ends the program with a fatal report.
void ReadWindowList(const ProgramDescription& program);
// Lets go of the descriptions at the end of the program (entries of windows that are
// still on screen stay, since those windows refer to them).
void ReleaseWindowList();

std::vector<WindowEntry>& WindowList();
WindowEntry* FindWindowEntry(std::uint32_t windowId);
// Unit id 0 names unit 0, the window itself.
Unit* FindUnit(WindowEntry& entry, std::uint32_t unitId);
// The window's handle while it is loaded, else null.
HWND LoadedWindowHandle(const WindowEntry& entry);
bool AnyWindowLoaded();

std::uint32_t GetWindowCount();
HWND GetWindowHandle(std::uint32_t index);

// The kind of unit an id names, in its top four bits.
inline std::uint32_t UnitKind(std::uint32_t unitId) {
    return unitId >> 28;
}
inline constexpr std::uint32_t kKindWindow = 0, kKindControl = 1, kKindMenuItem = 2;

// The handle of a unit's live window or control, or null.
inline HWND HandleOf(const Unit& unit) {
    return unit.live ? unit.live->Handle() : nullptr;
}

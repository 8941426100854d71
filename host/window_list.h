// The program's window list: one entry per window description, filled once at
// start-up, and the loading of a window from its entry.
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

// Creates and shows a window of the list with all its controls; a window that is
// already loaded is only brought forward.
bool LoadWindow(std::uint32_t windowId, bool modal, HWND owner);

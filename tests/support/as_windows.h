// A test run as an older Windows, step by step (as Windows 7, say):
// - tests/CMakeLists.txt adds the run (AsWindows7.dpi96 and the others of its list)
//   with PANEL_AS_WINDOWS=7 in its environment; scripts/wine-env.sh hands the variable
//   to Wine (wine_passed), and a program that the test starts inherits it.
// - Every test program's main (tests/support/test_main.cpp) and the probe's WinMain
//   (tests/probe/host_probe.cpp) call TakeWindowsAsTheRunSays (as_windows.cpp) before
//   any test or window: WindowsOfTheRun turns the name into a WindowsRelease ("xp-rtm"
//   for XP before its first service pack, "xp" for XP after it, "7", "8.1" ...), and
//   TakeWindowsAs (host/system_library.cpp) takes this Windows for that release: it
//   notes the release, and the version the program reads (WindowsVersionEntry) becomes
//   that release's.
// - What makes a function missing: the program looks every function newer than Windows
//   2000 up by name, through LoadedFunction or SystemFunction (host/system_library.h),
//   and so through WindowsHasFunction, which answers from kLookedUpFunctions, the table
//   in system_library.cpp of each such function and the first Windows that has it. A
//   function newer than the release is null, and the program takes its path for a
//   Windows without it: as 7, SetDefaultDllDirectories (8), GetDpiForMonitor (8.1) and
//   user32's DPI functions of Windows 10 are missing.
// - A panel that a test starts (PanelCommandLine) is then not QuarvelPanel.exe, which
//   never reads such a setting, but host_probe.exe in its panel mode: the same host and
//   panel code, with the probe's own entry, taking Windows for the same release.
#pragma once

#include <string>

#include "host/system_library.h"

namespace observe {

// The release the run takes Windows for: Latest where PANEL_AS_WINDOWS is not set;
// false when it names no release.
bool WindowsOfTheRun(WindowsRelease& release);
// Takes Windows for the run's release (at the start of a test program or probe).
// False when PANEL_AS_WINDOWS names no release.
bool TakeWindowsAsTheRunSays();
// The panel's command line as the run starts it, from `folder` (the test programs'
// folder where empty): the program itself, or in a run as an older Windows the probe's
// panel; `program` gets the file the run starts.
std::string PanelCommandLine(const std::string& folder = "", std::string* program = nullptr);

} // namespace observe

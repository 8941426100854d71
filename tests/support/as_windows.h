// A test run as an older Windows. PANEL_AS_WINDOWS names the Windows ("xp-rtm" for XP
// before its first service pack, "xp" for XP after it, "7", "8.1" ...;
// tests/CMakeLists.txt sets it for the runs that need it), and the
// program under test then finds only the functions that Windows has and reads its
// version (TakeWindowsAs, host/system_library.h). In a test program that is its own
// host; a panel started from it is the probe's panel (tests/probe/host_probe.cpp),
// which takes Windows for the same release, for the program itself never reads such
// a setting.
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

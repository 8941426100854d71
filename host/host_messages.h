// The numbers of the host's private messages: what each means, and which window gets it
// ("none": nothing in the program sends it, and no window of the program answers it).
// Tested by tests/host_behaviour_load_test.cpp (the set-up messages),
// tests/host_subclass_test.cpp (the object query) and tests/host_process_test.cpp (the
// end from another thread); the tray and idle messages have no test.
#pragma once

#include <windows.h>

enum HostMessage : UINT {
    kMsgQueryObject = 0x8002,   // none: a window's object query; the host looks in its own list (unit.cpp)
    kMsgArrangeBars = 0x8004,   // window, once its controls are set up: line up docked bars (none here)
    kMsgTrayNotify = 0x8064,    // window: a tray icon's mouse message; the program makes no icon
    kMsgUnitSetUp = 0x806F,     // control: finish set-up after creation
    kMsgUnitActivate = 0x8076,  // control: last set-up step of a load
    kMsgEndProgram = 0x83E7,    // hidden owner: end the program (wParam: exit code)
    kMsgFrameworkIdle = 0x036A, // none: an idle kick; the message loop drops it unseen
};

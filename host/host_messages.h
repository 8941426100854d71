// The numbers of the host's private messages, with what each means and which window gets it.
#pragma once

#include <windows.h>

enum HostMessage : UINT {
    kMsgQueryObject = 0x8002,   // a window's object query, which the host neither sends nor answers
    kMsgArrangeBars = 0x8004,   // window, once its controls are set up: line up docked bars (none here)
    kMsgTrayNotify = 0x8064,    // window: tray icon mouse message
    kMsgUnitSetUp = 0x806F,     // control: finish set-up after creation
    kMsgUnitActivate = 0x8076,  // control: last set-up step of a load
    kMsgEndProgram = 0x83E7,    // hidden owner: end the program (wParam: exit code)
    kMsgFrameworkIdle = 0x036A, // framework idle kick, dropped by the loop
};

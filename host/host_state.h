// The program-wide state of the host, which nearly every part of it reads, and the
// numbers of the host's private messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Private messages of the host.
enum HostMessage : UINT {
    kMsgQueryObject = 0x8002,   // a window's object query, which the host neither sends nor answers
    kMsgArrangeBars = 0x8004,   // window, once its controls are set up: line up docked bars (none here)
    kMsgTrayNotify = 0x8064,    // window: tray icon mouse message
    kMsgUnitSetUp = 0x806F,     // control: finish set-up after creation
    kMsgUnitActivate = 0x8076,  // control: last set-up step of a load
    kMsgEndProgram = 0x83E7,    // hidden owner: end the program (wParam: exit code)
    kMsgFrameworkIdle = 0x036A, // framework idle kick, dropped by the loop
};

struct IdleRoutine {
    HWND window;
    void (*routine)(std::uint32_t argument);
    std::uint32_t argument;
};

struct HostState {
    int eventSuppression = 0; // while above 0, no event is raised at all
    bool loopStarted = false;
    bool ending = false;
    bool oleInitialized = false;
    DWORD guiThreadId = 0;
    HWND hiddenOwner = nullptr;
    std::vector<void (*)()> endRoutines;
    std::vector<IdleRoutine> idleRoutines;
    char programFolder[MAX_PATH] = ""; // without a trailing backslash
    char programFile[MAX_PATH] = "";
};

HostState& Host();

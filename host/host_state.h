// The program-wide state of the host, which nearly every part of it reads. The host's
// private messages are in host_messages.h.
// Tested through the parts that keep it: tests/host_process_test.cpp and
// tests/fatal_report_test.cpp (the end, its routines), tests/host_runtime_test.cpp (event
// suppression), tests/host_idle_loop_test.cpp (idle routines).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

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

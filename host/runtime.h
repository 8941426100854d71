// The start and the end of the program: host initialization, the end routines and
// the program-end clean-up. The state they set up is in host_state.h, the messages of
// the host's parts in host_messages.h.
#pragma once

#include <cstdint>

#include "host/host_messages.h"
#include "host/host_state.h"

// Heap, current directory = the program's folder, hidden owner window, GUI thread;
// from then on a fatal report ends the program through the program-end clean-up.
void InitializeHost();
// Starts OLE on the GUI thread, once, if it is not started yet (see runtime.cpp).
void EnsureOle();

void AddEndRoutine(void (*routine)());

// Program-end clean-up; from a thread other than the GUI thread it hands the end over
// to the GUI thread and ends the process itself.
void RunProgramEndCleanup(std::int32_t exitCode);
[[noreturn]] void EndProgram(std::int32_t exitCode);

// From the process entry to the end: the host's start routine.
// Tested by tests/host_process_test.cpp (HostProcess.StartFailuresAreReportedAndEndWithMinusOne,
// and the ends of the probe's window) and tests/panel_process_test.cpp (the real exe).
#pragma once

#include "host/description.h"

// Runs a program made of the given window descriptions: starts the host, loads the
// start window, runs the message loop and ends the program. Returns the exit code.
int RunHostProgram(const ProgramDescription& program);

// The start routine: host initialization, data initialization, the start window,
// the message loop. Returns 0 after the loop has ended.
int StartProgram();

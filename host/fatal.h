// The one way the host reports a failure it cannot handle: a message box, then the
// end of the process with exit code -1.
// Tested by tests/fatal_report_test.cpp (FatalReport.*) and tests/host_process_test.cpp
// (the reports of a failed start, a missing unit, a handler's error).
#pragma once

#include <cstdint>

[[noreturn]] void ReportFatalError(const char* message, std::int32_t code);

// Called with the code and message before the box; returning true suppresses the box
// (the program ends all the same).
using RuntimeErrorHook = bool (*)(std::int32_t code, const char* message);
void SetRuntimeErrorHook(RuntimeErrorHook hook);

// What the end of the program runs after the report's box (the program-end clean-up
// with the exit code), handed over when the host starts; until then the report ends
// the process at once.
using ProgramEnd = void (*)(std::int32_t exitCode);
void SetFatalReportEnd(ProgramEnd end);

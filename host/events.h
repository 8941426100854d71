// Raising an event: the call of the handler that a window description binds to a
// unit's event.
// Tested by tests/host_runtime_test.cpp
// (HostRuntime.RaiseEventFindsOnlyBoundEventsAndNothingWhileSuppressed, a load's events
// in order) and tests/host_process_test.cpp
// (HostProcess.NoHandlerRunsWhileARuntimeErrorIsReported).
#pragma once

#include <cstdint>

struct EventRecord {
    std::uint32_t windowId = 0;
    std::uint32_t unitId = 0; // 0: the window itself
    std::int32_t event = 0;
    std::uint32_t argumentCount = 0;
    std::uint32_t arguments[5] = {};
    std::uint32_t hasResult = 0;
    std::uint32_t result = 0;
};

// Calls the handler bound to (window, unit, event), if any; true when one was called.
bool RaiseEvent(EventRecord& record);

struct EventSource {
    std::uint32_t windowId = 0;
    std::uint32_t unitId = 0;
};
// The unit whose handler is running; the window id is 0 when none is.
EventSource CurrentEventSource();

// Sees every event raised while events are not held back, bound or not, before its
// handler runs. For tests and diagnostics; null switches it off.
using EventObserver = void (*)(const EventRecord& record);
void SetEventObserver(EventObserver observer);

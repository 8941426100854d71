#include "host/events.h"

#include <algorithm>
#include <iterator>

#include "host/fatal.h"
#include "host/host_state.h"
#include "host/unit.h"
#include "host/window_list.h"

namespace {

EventSource g_source;
EventObserver g_observer = nullptr;

} // namespace

EventSource CurrentEventSource() {
    return g_source;
}
void SetEventObserver(EventObserver observer) {
    g_observer = observer;
}

bool RaiseEvent(EventRecord& record) {
    if (Host().eventSuppression > 0) return false;
    if (g_observer) g_observer(record);

    WindowEntry* entry = FindWindowEntry(record.windowId);
    if (!entry) ReportFatalError("未找到引发事件的窗口", 0);
    Unit* unit = FindUnit(*entry, record.unitId);
    if (!unit) ReportFatalError("未找到引发事件的窗口组件", 0);
    if (!unit->type || !unit->type->raisesEvents) ReportFatalError("引发事件的窗口组件无效", 0);

    const EventBinding* binding = nullptr;
    for (const EventBinding& candidate : unit->description->bindings) {
        if (candidate.event == record.event) {
            binding = &candidate;
            break;
        }
    }
    if (!binding || (!binding->routine && !binding->routineWithResult)) return false;

    g_source = {record.windowId, record.unitId ? record.unitId : unit->description->id};
    HandlerResult result;
    if (binding->routine) {
        binding->routine();
    } else {
        result = binding->routineWithResult(
            {record.arguments, std::min<std::size_t>(record.argumentCount, std::size(record.arguments))});
    }
    g_source.windowId = 0;

    if (result.returned) {
        record.hasResult = 1;
        record.result = static_cast<std::uint32_t>(result.value);
    }
    return true;
}

// A unit raises its own events through the same call.
bool UnitObject::Raise(std::int32_t event, std::initializer_list<std::uint32_t> arguments,
                       EventRecord* record) {
    EventRecord local;
    EventRecord& r = record ? *record : local;
    r = EventRecord{};
    r.windowId = windowId_;
    r.unitId = UnitId();
    r.event = event;
    for (std::uint32_t argument : arguments) {
        if (r.argumentCount == std::size(r.arguments)) break;
        r.arguments[r.argumentCount++] = argument;
    }
    return RaiseEvent(r);
}

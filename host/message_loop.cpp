#include "host/message_loop.h"

#include <algorithm>
#include <vector>

#include "host/events.h"
#include "host/host_messages.h"
#include "host/host_state.h"
#include "host/runtime.h"
#include "host/trace.h"
#include "host/unit.h"
#include "host/window_list.h"

namespace {

WPARAM g_quitCode = 0;
IdleStatistics g_idle;
DWORD g_idleStart = 0;
std::vector<HWND> g_doneIdling;

bool IdleStep(std::uint32_t count) {
    ++g_idle.steps;
    g_idle.lastCount = count;
    if (count == 0) {
        g_idleStart = GetTickCount();
        g_doneIdling.clear();
    }
    bool more = true;
    if (count >= 2) {
        // Windows whose idle handler asks for more stay in; the others are done until
        // the next idle period.
        more = false;
        for (WindowEntry& entry : WindowList()) {
            HWND hwnd = LoadedWindowHandle(entry);
            if (!hwnd || std::find(g_doneIdling.begin(), g_doneIdling.end(), hwnd) != g_doneIdling.end())
                continue;
            EventRecord record;
            bool ran = entry.units[0].live->Raise(kEventIdle, {GetTickCount() - g_idleStart}, &record);
            if (ran && record.hasResult && record.result) {
                more = true;
            } else {
                g_doneIdling.push_back(hwnd);
            }
        }
    }
    g_idle.lastResult = more;
    return more;
}

void CallIdleRoutines() {
    auto& routines = Host().idleRoutines;
    for (std::size_t i = routines.size(); i-- > 0;) {
        if (!IsWindow(routines[i].window)) {
            routines.erase(routines.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        routines[i].routine(routines[i].argument);
    }
}

// Painting, the caret blink and a mouse that did not move start no new idle period.
class IdleRestart {
public:
    bool After(const MSG& message) {
        if (message.message == WM_PAINT || message.message == 0x0118) return false;
        bool isMouse = message.message == WM_MOUSEMOVE || message.message == WM_NCMOUSEMOVE;
        if (isMouse && message.message == lastMouseMessage_ && message.pt.x == lastPoint_.x &&
            message.pt.y == lastPoint_.y)
            return false;
        if (isMouse) {
            lastMouseMessage_ = message.message;
            lastPoint_ = message.pt;
        }
        return true;
    }

private:
    UINT lastMouseMessage_ = 0;
    POINT lastPoint_{-1, -1};
};

} // namespace

WPARAM LastQuitCode() {
    return g_quitCode;
}
const IdleStatistics& GetIdleStatistics() {
    return g_idle;
}

void SetIdleRoutine(HWND window, void (*routine)(std::uint32_t), std::uint32_t argument) {
    auto& routines = Host().idleRoutines;
    std::erase_if(routines, [window](const IdleRoutine& r) { return r.window == window; });
    if (routine) routines.push_back({window, routine, argument});
}

bool PreTranslateMessage(MSG& message) {
    if (!message.hwnd) return false; // thread messages: nothing to translate
    for (HWND hwnd = message.hwnd; hwnd; hwnd = GetParent(hwnd)) {
        UnitObject* object = HostObjectOf(hwnd);
        if (object && object->PreTranslate(message)) return true;
    }
    return false;
}

void RunMessageLoop() {
    Host().loopStarted = true;
    if (!AnyWindowLoaded()) return;

    PANEL_TRACE("message loop");
    bool idle = true;
    std::uint32_t count = 0;
    IdleRestart restart;
    MSG message;
    for (;;) {
        while (idle && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            EnsureOle();
            CallIdleRoutines();
            if (!IdleStep(count++)) idle = false;
        }
        PANEL_TRACE("idle steps done, waiting");
        do {
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
                g_quitCode = message.message == WM_QUIT ? message.wParam : 0;
                return;
            }
            if (message.message != WM_PAINT) EnsureOle();
            if (message.message != kMsgFrameworkIdle && !PreTranslateMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (restart.After(message)) {
                idle = true;
                count = 0;
            }
        } while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    }
}

// A small window of the tests' own (tests/support/test_layout.h) loaded in this process
// for each test of the host_runtime_test program, with handlers that record each event
// by name and do what the test asks of them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/events.h"
#include "host/message_loop.h"
#include "host/runtime.h"
#include "host/unit.h"
#include "host/window_load.h"
#include "tests/support/test_layout.h"
#include "tests/support/ui.h"

namespace hostruntime {

using namespace testlayout;

inline std::vector<std::string> g_log;
inline bool g_refuseClose = false;
inline std::string g_destroyOn; // the event whose routine destroys the window
inline int g_idleMoreCalls = 0;
// Each idle call: its argument, and the clock when the handler got it.
struct IdleCall {
    std::uint32_t argument;
    DWORD tick;
};
inline std::vector<IdleCall> g_idleCalls;
// A handler that asks for more answers only once the clock has moved on this far, so
// that the calls of one period lie at least this far apart.
inline constexpr DWORD kIdleAnswerAfterMs = 20;
// Set when the idle handler answers that it wants no more: the idle period ends.
inline HANDLE g_idlePeriodEnded = CreateEventA(nullptr, FALSE, FALSE, nullptr);

inline HWND ControlHandle(std::uint32_t unitId) {
    Unit* unit = FindUnit(*FindWindowEntry(kWindowId), unitId);
    return unit && unit->live ? unit->live->Handle() : nullptr;
}

inline HandlerResult Record(const char* name, std::span<const std::uint32_t> arguments) {
    std::string entry = name;
    if (entry == "created") {
        HWND window = GetWindowHandle(0);
        // The window, the controls that exist, and those of them that are to show with
        // it (their own visible style; none can be visible in a hidden window).
        int controls = 0, styledVisible = 0;
        for (std::uint32_t id : {kEditId, kButtonId, kSecondButtonId, kUnboundButtonId, kLabelId}) {
            HWND control = ControlHandle(id);
            controls += IsWindow(control) ? 1 : 0;
            styledVisible += IsWindow(control) && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
        }
        entry += IsWindowVisible(window) ? " visible" : " hidden";
        entry += " controls=" + std::to_string(controls) + " showing=" + std::to_string(styledVisible);
    }
    if (entry == "idle") {
        DWORD now = GetTickCount();
        g_idleCalls.push_back({arguments.empty() ? 0xFFFFFFFF : arguments[0], now});
        if (g_idleMoreCalls > 0) {
            --g_idleMoreCalls;
            while (GetTickCount() - now < kIdleAnswerAfterMs)
                Sleep(1);
            return {true, 1};
        }
        SetEvent(g_idlePeriodEnded);
        return {true, 0};
    }
    if (entry == "close-request" && g_refuseClose) {
        g_log.push_back(entry);
        return {true, 0};
    }
    g_log.push_back(entry);
    if (entry == g_destroyOn) DestroyWindow(GetWindowHandle(0));
    return {};
}

inline std::vector<std::string> Only(const std::vector<std::string>& log,
                                     std::initializer_list<const char*> names) {
    std::vector<std::string> kept;
    for (const std::string& entry : log) {
        for (const char* name : names) {
            if (entry.rfind(name, 0) == 0) kept.push_back(entry);
        }
    }
    return kept;
}

// A window class of the test's own, registered while it lives.
class TestWindowClass {
public:
    TestWindowClass(const char* name, WNDPROC procedure) : name_(name) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = name;
        registered_ = RegisterClassA(&windowClass) != 0;
    }
    ~TestWindowClass() { UnregisterClassA(name_, GetModuleHandleA(nullptr)); }
    bool Registered() const { return registered_; }
    HWND Make(DWORD style, HWND parent, HMENU menu = nullptr) const {
        return CreateWindowExA(0, name_, "", style, 0, 0, 10, 10, parent, menu, GetModuleHandleA(nullptr),
                               nullptr);
    }

private:
    const char* name_;
    bool registered_ = false;
};

class HostRuntime : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kProgram);
        OnTestEvent = Record;
    }
    void SetUp() override {
        g_log.clear();
        g_refuseClose = false;
        ResetEvent(g_idlePeriodEnded);
        ASSERT_TRUE(LoadWindow(kWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        g_refuseClose = false;
        g_destroyOn.clear();
        if (IsWindow(window_)) DestroyWindow(window_);
        ui::Pump();
    }
    // Posts the messages, then a close, and runs the real loop until the window is gone.
    void RunLoopUntilClosed(std::initializer_list<MSG> messages) {
        for (const MSG& m : messages)
            PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
        PostMessageA(window_, WM_CLOSE, 0, 0);
        RunMessageLoop();
        EXPECT_FALSE(IsWindow(window_));
    }

    HWND window_ = nullptr;
};

} // namespace hostruntime

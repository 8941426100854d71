// How the host's objects sit on windows: a window the host did not make is never
// asked for an object nor taken for one, and a subclassed window, the host's buttons
// and edit boxes and any other, gets each message once, while its object lives and
// after it goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/message_loop.h"
#include "host/properties.h"
#include "host/runtime.h"
#include "host/unit.h"
#include "host/window_load.h"
#include "tests/host_runtime_fixture.h"
#include "tests/support/ui.h"

namespace {

using namespace hostruntime;

// Messages as the procedure a window was made with received them, per window and id.
std::map<HWND, std::map<UINT, int>> g_received;
// Messages as the window itself received them, above every subclass: the top of its
// procedure chain.
std::map<HWND, std::map<UINT, int>> g_sent;
std::map<HWND, WNDPROC> g_belowTop;

// Classes of this program's own named "Button" and "Edit": a control the host makes
// in this program is then one of them, while the system's control does all the work
// underneath. Their procedure is the one the host's subclass calls the original.
WNDPROC g_systemProcedure[2] = {};
constexpr const char* kShadowedClasses[2] = {"Button", "Edit"};

template <int Index>
LRESULT CALLBACK CountedSystemControl(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_received[hwnd][message];
    return CallWindowProcA(g_systemProcedure[Index], hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CountedPlainWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_received[hwnd][message];
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CountedTop(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_sent[hwnd][message];
    return CallWindowProcA(g_belowTop[hwnd], hwnd, message, wParam, lParam);
}

// Counts what reaches the window from now on, above whatever procedure it has.
void CountFromTheTop(HWND hwnd) {
    g_belowTop[hwnd] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountedTop)));
}

// While it lives, the host's buttons and edit boxes are made from the counted classes.
class ShadowedSystemClasses {
public:
    ShadowedSystemClasses() {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDPROC counted[2] = {CountedSystemControl<0>, CountedSystemControl<1>};
        for (int i = 0; i < 2; ++i) {
            WNDCLASSA system{};
            if (!GetClassInfoA(nullptr, kShadowedClasses[i], &system)) return;
            g_systemProcedure[i] = system.lpfnWndProc;
            WNDCLASSA own = system;
            own.style &= ~CS_GLOBALCLASS;
            own.lpfnWndProc = counted[i];
            own.hInstance = instance;
            own.lpszClassName = kShadowedClasses[i];
            if (!RegisterClassA(&own)) return;
            ++registered_;
        }
    }
    ~ShadowedSystemClasses() {
        for (int i = 0; i < registered_; ++i)
            UnregisterClassA(kShadowedClasses[i], GetModuleHandleA(nullptr));
    }
    bool Ready() const { return registered_ == 2; }

private:
    int registered_ = 0;
};

// A window of any class, subclassed by a host object the way the host subclasses a
// system control.
class SubclassingObject : public UnitObject {
public:
    SubclassingObject(Unit& unit, HWND hwnd) : UnitObject(unit, kWindowId, nullptr) { Attach(hwnd, true); }
};

// A window the host did not make, whose own meaning of the object query's number is
// an answer that is not a host object (the address of some data of its own).
const std::uint32_t g_notAnObject[16] = {};
LRESULT CALLBACK ForeignWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgQueryObject) return reinterpret_cast<LRESULT>(g_notAnObject);
    if (message == WM_APP + 7) {
        g_log.push_back("foreign");
        return 0;
    }
    if (message == WM_APP + 8) {
        g_log.push_back(GetFocus() == ControlHandle(kEditId) ? "focus in the edit box" : "focus moved on");
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(HostRuntime, AForeignWindowIsNeverTakenForAHostObject) {
    TestWindowClass foreign("ForeignAnswerer", ForeignWindow);
    ASSERT_TRUE(foreign.Registered());
    HWND child = foreign.Make(WS_CHILD, window_);
    HWND top = foreign.Make(WS_POPUP, nullptr);
    ASSERT_TRUE(child && top);
    EXPECT_EQ(HostObjectOf(child), nullptr);
    EXPECT_EQ(HostObjectOf(top), nullptr);
    // Through the real loop: each message is pre-translated, its window and parents
    // asked, then dispatched; the Tab goes on up to the host's window, which takes it.
    SetForegroundWindow(window_);
    ASSERT_TRUE(ui::PumpUntil([&] { return GetActiveWindow() == window_; }, 10000));
    SetFocus(ControlHandle(kEditId));
    ASSERT_EQ(GetFocus(), ControlHandle(kEditId));
    g_log.clear();
    RunLoopUntilClosed({MSG{child, WM_APP + 7, 0, 0, 0, {}}, MSG{top, WM_APP + 7, 0, 0, 0, {}},
                        MSG{child, WM_KEYDOWN, VK_TAB, 0, 0, {}}, MSG{child, WM_APP + 8, 0, 0, 0, {}}});
    EXPECT_EQ(Only(g_log, {"foreign", "focus"}),
              (std::vector<std::string>{"foreign", "foreign", "focus moved on"}));
    DestroyWindow(top);
}

TEST_F(HostRuntime, SubclassedButtonsAndEditBoxesPassEachMessageToTheirOwnProcedureOnce) {
    DestroyWindow(window_);
    ShadowedSystemClasses shadowed;
    ASSERT_TRUE(shadowed.Ready());
    g_received.clear();
    g_sent.clear();
    g_belowTop.clear();
    ASSERT_TRUE(LoadWindow(kWindowId, false, nullptr));
    window_ = GetWindowHandle(0);
    std::vector<HWND> controls;
    std::map<HWND, std::map<UINT, int>> receivedBefore;
    for (std::uint32_t id : {kEditId, kButtonId, kSecondButtonId, kUnboundButtonId}) {
        HWND control = ControlHandle(id);
        ASSERT_TRUE(IsWindow(control));
        ASSERT_GT(g_received[control][WM_NCCREATE], 0) << "made from the counted class";
        controls.push_back(control);
        CountFromTheTop(control);
        receivedBefore[control] = g_received[control];
    }
    // Some use: a content write, a click, the focus moving, the window closing.
    WriteUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue, TextWord("E:\\srv"), 0);
    SetFocus(ControlHandle(kButtonId));
    SendMessageA(ControlHandle(kButtonId), BM_CLICK, 0, 0);
    SetFocus(ControlHandle(kEditId));
    SendMessageA(window_, WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindow(window_));

    for (HWND control : controls) {
        SCOPED_TRACE(control == controls[0] ? "edit box" : "button");
        std::map<UINT, int>& received = g_received[control];
        EXPECT_EQ(received[WM_DESTROY], 1);
        EXPECT_EQ(received[WM_NCDESTROY], 1) << "the control's own procedure got its last message once";
        // Since the top was counted: whatever the control's own procedure got, the window
        // got at least as often (the host keeps some messages to itself, and never
        // passes one on twice).
        for (auto [message, count] : received) {
            EXPECT_LE(count - receivedBefore[control][message], g_sent[control][message])
                << "message 0x" << std::hex << message;
        }
        EXPECT_EQ(g_sent[control][WM_NCDESTROY], 1);
    }
}

TEST_F(HostRuntime, ASubclassedWindowGetsEachMessageOnceWhileItsObjectLivesAndAfterItGoes) {
    TestWindowClass counted("CountedPlainWindow", CountedPlainWindow);
    ASSERT_TRUE(counted.Registered());
    g_received.clear();
    Unit unit = *FindUnit(*FindWindowEntry(kWindowId), kUnboundButtonId);
    unit.live = nullptr;
    auto make = [&] { return counted.Make(WS_CHILD, window_); };

    // Destroyed while its object lives: the host hands the last message on once.
    HWND held = make();
    ASSERT_NE(held, nullptr);
    {
        SubclassingObject object(unit, held);
        SendMessageA(held, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
        EXPECT_EQ(HostObjectOf(held), &object);
        DestroyWindow(held);
        EXPECT_EQ(object.Handle(), nullptr) << "detached at the window's end";
    }
    EXPECT_EQ(g_received[held][WM_SETTEXT], 1);
    EXPECT_EQ(g_received[held][WM_DESTROY], 1);
    EXPECT_EQ(g_received[held][WM_NCDESTROY], 1);

    // The object goes first: the window has its own procedure back and gets every
    // later message, the last one too, once and from nobody else.
    g_received.clear();
    HWND released = make();
    ASSERT_NE(released, nullptr);
    {
        SubclassingObject object(unit, released);
        SendMessageA(released, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
    }
    EXPECT_EQ(GetWindowLongPtrA(released, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(CountedPlainWindow));
    EXPECT_EQ(HostObjectOf(released), nullptr);
    SendMessageA(released, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("y"));
    DestroyWindow(released);
    EXPECT_EQ(g_received[released][WM_SETTEXT], 2);
    EXPECT_EQ(g_received[released][WM_DESTROY], 1);
    EXPECT_EQ(g_received[released][WM_NCDESTROY], 1);
}

} // namespace

// Loading a window: shown maximized or minimized (host/window_placement.cpp), modal,
// giving back what it disabled as it closes, and the set-up messages a load sends
// (host/window_load.cpp).
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tests/host_behaviour_fixture.h"

namespace {

using namespace hostbehaviour;

// Shown maximized and minimized.
constexpr std::uint32_t kMaximizedId = 0x52030011, kMinimizedId = 0x52030012;
constexpr WindowProperties kMaximized{
    .border = WindowBorder::Resizable, .maximizeBox = true, .position = StartPosition::Maximized};
constexpr WindowProperties kMinimized{.border = WindowBorder::Fixed, .position = StartPosition::Minimized};
constexpr UnitDescription kMaximizedUnits[] = {WindowUnit(kMaximized, 400, 300)};
constexpr UnitDescription kMinimizedUnits[] = {WindowUnit(kMinimized, 400, 300)};

// A modal window and two others, the second of them disabled before the modal one
// comes. The modal window's close request is refused while g_refuseClose is set.
constexpr std::uint32_t kFirstId = 0x52030041, kSecondId = 0x52030042, kModalId = 0x52030043;
bool g_refuseClose = false;
HandlerResult CloseRequest(std::span<const std::uint32_t>) {
    g_log.push_back("close-request");
    return g_refuseClose ? HandlerResult{true, 0} : HandlerResult{};
}
void Destroying() {
    // The windows it disabled, as the modal window is destroyed.
    HWND first = LoadedWindowHandle(*FindWindowEntry(kFirstId));
    HWND second = LoadedWindowHandle(*FindWindowEntry(kSecondId));
    g_log.push_back(std::string("destroying: first ") + (IsWindowEnabled(first) ? "enabled" : "disabled") +
                    ", second " + (IsWindowEnabled(second) ? "enabled" : "disabled"));
}
constexpr EventBinding kModalBindings[] = {On(kEventCloseRequest, CloseRequest),
                                           On(kEventDestroying, Destroying)};
constexpr UnitDescription kOtherUnits[] = {WindowUnit(kPlainWindow, 300, 200)};
constexpr UnitDescription kModalUnits[] = {WindowUnit(kPlainWindow, 300, 200, kModalBindings)};

constexpr WindowDescription kWindows[] = {
    {kFirstId, kOtherUnits},         {kSecondId, kOtherUnits},        {kModalId, kModalUnits},
    {kMaximizedId, kMaximizedUnits}, {kMinimizedId, kMinimizedUnits},
};
[[maybe_unused]] const bool kAdded = AddWindows(kWindows);

TEST_F(HostBehaviour, AWindowIsShownMaximizedOverTheWorkAreaOrMinimized) {
    HWND maximized = Load(kMaximizedId);
    ASSERT_NE(maximized, nullptr);
    EXPECT_TRUE(ui::PumpUntil([&] { return IsZoomed(maximized) != FALSE; }, 10000));
    EXPECT_TRUE(IsWindowVisible(maximized));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(maximized, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    // The frame may lie beyond the work area, the client area lies inside it, and
    // together they cover it.
    RECT outer, client;
    GetWindowRect(maximized, &outer);
    GetClientRect(maximized, &client);
    MapWindowPoints(maximized, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_LE(outer.left, work.left);
    EXPECT_LE(outer.top, work.top);
    EXPECT_GE(outer.right, work.right);
    EXPECT_GE(outer.bottom, work.bottom);
    EXPECT_GE(client.left, work.left);
    EXPECT_GE(client.top, work.top);
    EXPECT_LE(client.right, work.right);
    EXPECT_LE(client.bottom, work.bottom);
    // Far larger than the 400 x 300 of its description.
    EXPECT_GT(client.right - client.left, 400);

    HWND minimized = Load(kMinimizedId);
    ASSERT_NE(minimized, nullptr);
    EXPECT_TRUE(IsIconic(minimized));
    EXPECT_TRUE(IsWindowVisible(minimized));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(minimized, &placement));
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
}

TEST_F(HostBehaviour, AModalWindowGivesBackWhatItDisabledEachToItsStateAsItCloses) {
    HWND first = Load(kFirstId);
    HWND second = Load(kSecondId);
    ASSERT_TRUE(first && second);
    EnableWindow(second, FALSE);
    HWND modal = Load(kModalId, true);
    ASSERT_NE(modal, nullptr);
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_FALSE(IsWindowEnabled(second));
    EXPECT_TRUE(IsWindowEnabled(modal));

    // A refused close keeps everything as it is.
    g_refuseClose = true;
    SendMessageA(modal, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(modal));
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_FALSE(IsWindowEnabled(second));

    g_refuseClose = false;
    g_log.clear();
    SendMessageA(modal, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(modal));
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"close-request", "destroying: first enabled, second disabled"}));
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_FALSE(IsWindowEnabled(second)) << "disabled before, disabled after";
}

// The load's set-up messages, as the window and its controls receive them.
std::vector<std::pair<HWND, UINT>> g_setUp;
LRESULT CALLBACK WatchSetUp(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && (sent->message == 0x806F || sent->message == 0x8004 || sent->message == 0x8076))
        g_setUp.emplace_back(sent->hwnd, sent->message);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HostBehaviour, ALoadSendsItsSetUpMessagesToEachControlFromTheLastToTheFirst) {
    g_setUp.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchSetUp, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    HWND window = Load(kKeysId);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(window, nullptr);

    // 0x806F to every control from the last unit to the first, then 0x8004 once to
    // the window, then 0x8076 to every control the same way.
    std::span<const UnitDescription> units;
    for (const WindowDescription& description : Windows()) {
        if (description.id == kKeysId) units = description.units;
    }
    ASSERT_GT(units.size(), 2u);
    std::vector<HWND> lastToFirst;
    for (std::size_t i = units.size() - 1; i >= 1; --i)
        lastToFirst.push_back(Control(kKeysId, units[i].id));
    std::vector<std::pair<HWND, UINT>> expected;
    for (HWND control : lastToFirst)
        expected.emplace_back(control, 0x806F);
    expected.emplace_back(window, 0x8004);
    for (HWND control : lastToFirst)
        expected.emplace_back(control, 0x8076);
    EXPECT_EQ(g_setUp, expected);

    // Each control shows as its unit says: the hidden one stays hidden.
    for (std::size_t i = 1; i < units.size(); ++i)
        EXPECT_EQ(IsWindowVisible(Control(kKeysId, units[i].id)) != FALSE, units[i].visible) << i;
    EXPECT_TRUE(
        std::any_of(units.begin() + 1, units.end(), [](const UnitDescription& u) { return !u.visible; }));
}

} // namespace

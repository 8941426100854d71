// What the host does for windows that the panel's own window does not ask for, one
// source per concern as in host/: what a window paints (host_behaviour_paint_test.cpp),
// its keys (host_behaviour_keyboard_test.cpp), and how it is loaded: shown maximized or
// minimized, modal, with its set-up messages (host_behaviour_load_test.cpp). Real
// windows under Wine, made from descriptions of the tests' own: each source gives its
// windows to the one window list of the program (AddWindows, at namespace scope), which
// the fixture reads once.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/runtime.h"
#include "host/window_list.h"
#include "host/window_load.h"
#include "tests/support/ui.h"

namespace hostbehaviour {

// What the bound routines saw, in order.
inline std::vector<std::string> g_log;
template <const char* Name> void Log() {
    g_log.push_back(Name);
}

// The windows of every source, in the order the sources gave them.
inline std::vector<WindowDescription>& Windows() {
    static std::vector<WindowDescription> windows;
    return windows;
}
inline bool AddWindows(std::span<const WindowDescription> windows) {
    Windows().insert(Windows().end(), windows.begin(), windows.end());
    return true;
}

// The keys' window (host_behaviour_keyboard_test.cpp), which the load's test of the
// set-up messages takes too.
inline constexpr std::uint32_t kKeysId = 0x52030021;

inline constexpr std::uint32_t kWindowUnit = 0x06030000;
constexpr UnitDescription WindowUnit(const WindowProperties& properties, int width, int height,
                                     std::span<const EventBinding> bindings = {}) {
    return {.id = kWindowUnit,
            .type = kTypeWindow,
            .left = 20,
            .top = 20,
            .width = width,
            .height = height,
            .text = "宿主测试",
            .properties = &properties,
            .bindings = bindings};
}
inline constexpr WindowProperties kPlainWindow{.border = WindowBorder::Fixed};

class HostBehaviour : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        static const ProgramDescription program{Windows(), Windows().front().id};
        ReadWindowList(program);
    }
    void SetUp() override { g_log.clear(); }
    void TearDown() override {
        for (std::uint32_t i = 0; i < GetWindowCount(); ++i) {
            if (HWND hwnd = GetWindowHandle(i)) {
                EnableWindow(hwnd, TRUE);
                DestroyWindow(hwnd);
            }
        }
        ui::Pump();
    }
    // Loads a window, shows it painted; null when it did not load.
    static HWND Load(std::uint32_t id, bool modal = false) {
        if (!LoadWindow(id, modal, nullptr)) return nullptr;
        HWND hwnd = LoadedWindowHandle(*FindWindowEntry(id));
        if (hwnd) UpdateWindow(hwnd);
        ui::Pump();
        return hwnd;
    }
    static HWND Control(std::uint32_t windowId, std::uint32_t unitId) {
        Unit* unit = FindUnit(*FindWindowEntry(windowId), unitId);
        return unit && unit->live ? unit->live->Handle() : nullptr;
    }
    // A key as the keyboard would post it to the focused control, through the
    // pre-translation of the loop.
    static void Key(UINT message, WPARAM key) {
        HWND focus = GetFocus();
        LPARAM lParam = 1 | (message == WM_SYSKEYDOWN ? (1 << 29) : 0);
        PostMessageA(focus, message, key, lParam);
        ui::Pump();
    }
};

} // namespace hostbehaviour

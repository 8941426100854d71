// The panel's main window loaded in this process, ready for the user, for each test of
// the programs that look at it here (main_window_test, accessibility_test,
// high_contrast_test): its events are recorded from the moment it is ready.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/background_picture.h"
#include "host/events.h"
#include "host/runtime.h"
#include "host/window_load.h"
#include "panel/layout.h"
#include "tests/support/ui.h"

namespace mainwindow {

inline std::vector<EventRecord> g_events;
inline void Observe(const EventRecord& record) {
    g_events.push_back(record);
}

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kPanelProgram);
    }
    void SetUp() override {
        SetEventObserver(Observe);
        decodesBeforeLoad_ = BackgroundPicture::DecodeCount();
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        // Ready for the user: in the foreground with a control focused, and painted.
        ASSERT_TRUE(ui::PumpUntil(
            [this] {
                return GetForegroundWindow() == window_ && GetFocus() && IsChild(window_, GetFocus()) &&
                       !GetUpdateRect(window_, nullptr, FALSE);
            },
            10000));
        g_events.clear();
    }
    void TearDown() override {
        SetEventObserver(nullptr);
        if (IsWindow(window_)) DestroyWindow(window_);
        ui::Pump();
    }

    HWND Control(const char* name) const { return ui::UnitHandle(kMainWindowId, name); }
    std::string NameOf(HWND hwnd) const {
        for (const Unit& unit : FindWindowEntry(kMainWindowId)->units) {
            if (unit.live && unit.live->Handle() == hwnd) return unit.description->name;
        }
        return "?";
    }
    std::vector<std::string> ClicksSeen() const {
        std::vector<std::string> clicks;
        for (const EventRecord& e : g_events) {
            if (e.event != 0 || e.unitId == 0 || e.unitId == kMainWindowUnit) continue;
            Unit* unit = FindUnit(*FindWindowEntry(kMainWindowId), e.unitId);
            if (unit && unit->description->type == kTypeButton) clicks.push_back(unit->description->name);
        }
        return clicks;
    }

    HWND window_ = nullptr;
    int decodesBeforeLoad_ = 0;
};

// Tells the window of another DPI as Windows does (WM_DPICHANGED), with the rectangle
// it suggests.
inline void ChangeDpi(HWND window, int dpi, RECT suggested) {
    SendMessageA(window, 0x02E0, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

} // namespace mainwindow

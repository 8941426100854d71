// The panel as a user with a high-DPI screen meets it: the harness runs this program
// in a prefix whose screen has PANEL_TEST_DPI dots per inch (96, 120, 144, 192), and
// once in one with a taller title bar (PANEL_TEST_CAPTION). At every DPI the window's
// client area, every control, every font and the picture are the design's, scaled, and
// every control paints what it should. A window that is told of another DPI
// (WM_DPICHANGED) ends as a start at that DPI makes it, where it was told to go, with
// what was typed still in the box.
//
// The checks are those of tests/support/laid_out.h and painted.h, whose expected values
// come from the tests' own table of the design (control_table.h), their own arithmetic
// and figures, GDI and USER, and libjpeg: never from the program's layout table,
// scaling, fonts or decoding.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/runtime.h"
#include "host/window_load.h"
#include "panel/layout.h"
#include "tests/support/laid_out.h"
#include "tests/support/painted.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/ui.h"

#ifndef PANEL_TEST_DPI
#error "PANEL_TEST_DPI names the screen's DPI that this build of the test runs at"
#endif

namespace {

using panelcheck::ClientAreaAt;
using panelcheck::ScreenDpi;
using ui::Text;

constexpr int kScreenDpi = PANEL_TEST_DPI;

// What a start at `dpi` makes: the layout, and every pixel of it as it should be.
void ExpectStartAt(HWND window, int dpi) {
    SCOPED_TRACE("shown at " + std::to_string(dpi) + " DPI");
    panelcheck::ExpectLaidOutAt(window, dpi);
    ASSERT_TRUE(panelcheck::PaintedThrough(window));
    panelcheck::ExpectPictureShownAt(window, dpi);
    panelcheck::ExpectControlsPainted(window);
}

class PanelAtDpi : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kPanelProgram);
    }
    void SetUp() override {
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        ASSERT_TRUE(ui::PumpUntil(
            [this] { return IsWindowVisible(window_) && !GetUpdateRect(window_, nullptr, FALSE); }, 10000));
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        ui::Pump();
    }
    HWND window_ = nullptr;
};

TEST_F(PanelAtDpi, ClientAreaControlsFontsAndPictureAreTheLayoutScaledAndEveryControlPaintsItself) {
    // The screen is this run's: its DPI, and its title bar.
    ASSERT_EQ(ScreenDpi(), kScreenDpi);
    using DpiForWindow = UINT(WINAPI*)(HWND);
    auto forWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(forWindow, nullptr);
    ASSERT_EQ(forWindow(window_), UINT{kScreenDpi});
#ifdef PANEL_TEST_CAPTION
    ASSERT_EQ(GetSystemMetrics(SM_CYCAPTION), PANEL_TEST_CAPTION + 1) << "the title bar of this run";
#endif

    ExpectStartAt(window_, kScreenDpi);
    // Centred on the screen in whatever frame Windows draws around that client area;
    // at 96 DPI with the classic frame, exactly the layout's 740 x 521 at 142, 123.
    RECT outer;
    GetWindowRect(window_, &outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);
    if (kScreenDpi == 96) panelgeometry::ExpectCentredAroundItsClientArea(window_);
}

// The DPIs the window is told of in turn, ending at the screen's own: the next larger
// one tested, whose window still fits this run's screen (its size goes with its DPI),
// and scales whose picture libjpeg decodes exactly (108 = 9/8, 168 = 14/8) or that
// the picture is resampled for (100, 132, 150, 216, 240).
std::vector<int> DpisInTurn() {
    switch (kScreenDpi) {
    case 96:
        return {120, 108, 100, 96};
    case 120:
        return {144, 132, 120};
    case 144:
        return {192, 168, 150, 144};
    default:
        return {96, 216, 240, kScreenDpi};
    }
}

TEST_F(PanelAtDpi, AnotherDpiLaysTheWindowOutAsAStartThereWhereWindowsSuggestsAndKeepsWhatWasTyped) {
    HWND box = ui::UnitHandle(kMainWindowId, "编辑框目录");
    ASSERT_NE(box, nullptr);
    SendMessageA(box, EM_SETSEL, 0x7FFF, 0x7FFF);
    for (char c : std::string("\\srv2"))
        SendMessageA(box, WM_CHAR, static_cast<BYTE>(c), 0);
    const std::string typed = Text(box);
    ASSERT_EQ(typed, "D:\\mirserver\\srv2");

    // Each change comes with a rectangle of another place and another size than the
    // window has, and than it will take: the window goes to the place and takes the
    // size its client area needs.
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    for (int dpi : DpisInTurn()) {
        RECT now, inside;
        GetWindowRect(window_, &now);
        GetClientRect(window_, &inside);
        SIZE client = ClientAreaAt(dpi);
        SIZE outer{client.cx + (now.right - now.left) - inside.right,
                   client.cy + (now.bottom - now.top) - inside.bottom};
        ASSERT_LE(outer.cx, screenWidth);
        ASSERT_LE(outer.cy, screenHeight);
        POINT at{(screenWidth - outer.cx) / 4 + 3, (screenHeight - outer.cy) / 4 + 2};
        RECT suggested{at.x, at.y, at.x + outer.cx - 37, at.y + outer.cy + 23};
        ASSERT_TRUE(at.x != now.left && at.y != now.top);
        ASSERT_TRUE(suggested.right - suggested.left != now.right - now.left &&
                    suggested.bottom - suggested.top != now.bottom - now.top);
        SendMessageA(window_, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ui::Pump();
        RECT after;
        GetWindowRect(window_, &after);
        EXPECT_EQ(after.left, suggested.left) << "placed where Windows suggests, at " << dpi << " DPI";
        EXPECT_EQ(after.top, suggested.top);
        ExpectStartAt(window_, dpi);
        EXPECT_EQ(Text(box), typed) << "what was typed is still in the box";
        EXPECT_EQ(box, ui::UnitHandle(kMainWindowId, "编辑框目录")) << "the same box";
    }
}

} // namespace

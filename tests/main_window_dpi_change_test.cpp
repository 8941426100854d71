// The main window when Windows changes its DPI, as Windows 8.1 and 10 do: laid out as a
// start at the new DPI, also when the change comes while it is minimized or hidden (and
// a hidden window stays hidden) or as it shows, before its first paint (what it then
// shows, at every moment, is the picture for the new DPI); the size it asks for taken
// exactly; every control given its font and then moved in one batch, and each window
// painted once.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/handles.h"
#include "host/window_load.h"
#include "panel/layout.h"
#include "tests/main_window_fixture.h"
#include "tests/support/as_windows.h"
#include "tests/support/control_table.h"
#include "tests/support/laid_out.h"
#include "tests/support/painted.h"
#include "tests/support/ui.h"

namespace {

using mainwindow::ChangeDpi;
using mainwindow::MainWindow;
using panelcheck::ExpectLaidOutAt;

constexpr UINT kGetDpiScaledSize = 0x02E4; // WM_GETDPISCALEDSIZE

TEST_F(MainWindow, MinimizedWhileTheDpiChangesItComesBackLaidOutForTheNewDpi) {
    ShowWindow(window_, SW_MINIMIZE);
    ASSERT_TRUE(ui::PumpUntil([this] { return IsIconic(window_) != FALSE; }, 10000));
    RECT minimized;
    GetWindowRect(window_, &minimized);
    ChangeDpi(window_, 120, minimized);
    ui::Pump();
    EXPECT_TRUE(IsIconic(window_)) << "it stays in the taskbar";
    // Where Windows will bring it back: already at its size for the new DPI.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(window_, &placement));
    ShowWindow(window_, SW_RESTORE);
    ASSERT_TRUE(ui::PumpUntil(
        [this] { return !IsIconic(window_) && !GetUpdateRect(window_, nullptr, FALSE); }, 10000));
    ExpectLaidOutAt(window_, 120);
    RECT restored;
    GetWindowRect(window_, &restored);
    const RECT& normal = placement.rcNormalPosition;
    EXPECT_EQ(normal.right - normal.left, restored.right - restored.left)
        << "restored at that size in one step";
    EXPECT_EQ(normal.bottom - normal.top, restored.bottom - restored.top);
}

// Turning drawing back on (WM_SETREDRAW) shows a hidden window: a DPI change must not.
TEST_F(MainWindow, HiddenWhileTheDpiChangesItStaysHiddenAndShowsLaidOutForTheNewDpi) {
    for (bool minimized : {false, true}) {
        SCOPED_TRACE(minimized ? "minimized and hidden" : "hidden");
        ShowWindow(window_, minimized ? SW_MINIMIZE : SW_RESTORE);
        ShowWindow(window_, SW_HIDE);
        ASSERT_TRUE(ui::PumpUntil([this] { return !IsWindowVisible(window_); }, 10000));
        int dpi = minimized ? 96 : 120;
        RECT now;
        GetWindowRect(window_, &now);
        ChangeDpi(window_, dpi, now);
        ui::Pump();
        EXPECT_FALSE(IsWindowVisible(window_)) << "still hidden";
        EXPECT_EQ(IsIconic(window_) != FALSE, minimized);
        ShowWindow(window_, SW_RESTORE);
        ASSERT_TRUE(ui::PumpUntil(
            [this] {
                return IsWindowVisible(window_) && !IsIconic(window_) &&
                       !GetUpdateRect(window_, nullptr, FALSE);
            },
            10000));
        ExpectLaidOutAt(window_, dpi);
    }
}

// A window whose DPI changes as it shows, before its first paint, never shows the
// picture its start began decoding, whenever Windows has it erase and paint. Each time
// it has painted (an erase sent outside its WM_PAINT, as it returns; its WM_PAINT, when
// the next message is taken; and at the end), every pixel that erase or paint reached
// and every other pixel no longer to be painted (outside its update region) shows the
// picture for the new DPI: what the user sees at every moment.
HWND g_showing = nullptr;
bool g_paintTaken = false;     // its WM_PAINT taken, and no message taken since
HRGN g_paintReached = nullptr; // what the erase inside that WM_PAINT reached

// What a DC reaches, in the shown window's client coordinates.
RegionHandle Reached(HDC dc) {
    RegionHandle region(CreateRectRgn(0, 0, 0, 0));
    if (GetRandomRgn(dc, region.get(), SYSRGN) != 1) SetRectRgn(region.get(), 0, 0, 0, 0);
    POINT origin{0, 0};
    ClientToScreen(g_showing, &origin);
    OffsetRgn(region.get(), -origin.x, -origin.y);
    return region;
}
void ExpectPaintedForTheNewDpi(const char* moment, HRGN reached) {
    SCOPED_TRACE(moment);
    RegionHandle unpainted(CreateRectRgn(0, 0, 0, 0));
    if (GetUpdateRgn(g_showing, unpainted.get(), FALSE) <= NULLREGION)
        SetRectRgn(unpainted.get(), 0, 0, 0, 0);
    CombineRgn(unpainted.get(), unpainted.get(), reached, RGN_DIFF);
    panelcheck::ExpectPictureShownAt(g_showing, 120, unpainted.get());
}
LRESULT CALLBACK ChangeDpiAsItShows(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_SHOWWINDOW && sent->wParam && !GetParent(sent->hwnd) &&
        !g_showing) {
        g_showing = sent->hwnd;
        // The rectangle Windows suggests: from 1703 on, the size the window asks for;
        // before, with no such question, the whole window scaled. At the screen's
        // corner, so that all of it is on the screen and painted.
        SIZE size{};
        WindowsRelease release = WindowsRelease::Latest;
        if (observe::WindowsOfTheRun(release) && release < WindowsRelease::Windows10v1703) {
            RECT now;
            GetWindowRect(sent->hwnd, &now);
            size = {MulDiv(now.right - now.left, 120, 96), MulDiv(now.bottom - now.top, 120, 96)};
        } else {
            SendMessageA(sent->hwnd, kGetDpiScaledSize, 120, reinterpret_cast<LPARAM>(&size));
        }
        ChangeDpi(sent->hwnd, 120, RECT{0, 0, size.cx, size.cy});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK Erased(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_ERASEBKGND && sent->hwnd == g_showing) {
        RegionHandle reached = Reached(reinterpret_cast<HDC>(sent->wParam));
        if (g_paintTaken) {
            CombineRgn(g_paintReached, g_paintReached, reached.get(), RGN_OR);
        } else {
            ExpectPaintedForTheNewDpi("after an erase outside WM_PAINT", reached.get());
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK Taken(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && g_paintTaken) {
        g_paintTaken = false;
        ExpectPaintedForTheNewDpi("after WM_PAINT", g_paintReached);
        SetRectRgn(g_paintReached, 0, 0, 0, 0);
    }
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_PAINT &&
        message->hwnd == g_showing)
        g_paintTaken = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindow, ChangedToAnotherDpiAsItShowsItShowsOnlyThePictureForThatDpi) {
    DestroyWindow(window_);
    ui::Pump();
    g_showing = nullptr;
    g_paintTaken = false;
    RegionHandle paintReached(CreateRectRgn(0, 0, 0, 0));
    g_paintReached = paintReached.get();
    {
        ui::ThreadHook showing(WH_CALLWNDPROC, ChangeDpiAsItShows), erased(WH_CALLWNDPROCRET, Erased),
            taken(WH_GETMESSAGE, Taken);
        ASSERT_TRUE(showing.Hooked() && erased.Hooked() && taken.Hooked());
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        ASSERT_EQ(g_showing, window_);
        ASSERT_TRUE(panelcheck::PaintedThrough(window_));
    }
    ExpectPaintedForTheNewDpi("painted through", g_paintReached);
}

// The DPIs a window changes to here are those whose layout fits this 1024 x 768
// screen: Windows keeps a window within the screen's size (its largest tracking size).
TEST_F(MainWindow, AskedForItsSizeAtADpiItTakesExactlyTheRectangleOfThatSize) {
    SIZE size{};
    ASSERT_TRUE(SendMessageA(window_, kGetDpiScaledSize, 120, reinterpret_cast<LPARAM>(&size)))
        << "the window answers for itself";
    RECT suggested{40, 30, 40 + size.cx, 30 + size.cy};
    ChangeDpi(window_, 120, suggested);
    ui::Pump();
    RECT now;
    GetWindowRect(window_, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
    ExpectLaidOutAt(window_, 120);
}

// Paints of each window in this thread while it is watched: WM_PAINT as the thread
// takes it, and the erasing and frame painting sent outside it.
class PaintCounts {
public:
    PaintCounts() { instance_ = this; }
    ~PaintCounts() { instance_ = nullptr; }
    bool Hooked() const { return taken_.Hooked() && sent_.Hooked(); }
    // (window, message) -> how often
    std::map<std::pair<HWND, UINT>, int> counts;

private:
    static LRESULT CALLBACK Taken(int code, WPARAM wParam, LPARAM lParam) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_PAINT && instance_)
            ++instance_->counts[{message->hwnd, WM_PAINT}];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam) {
        auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && instance_ &&
            (message->message == WM_NCPAINT || message->message == WM_ERASEBKGND))
            ++instance_->counts[{message->hwnd, message->message}];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline PaintCounts* instance_ = nullptr;
    ui::ThreadHook taken_{WH_GETMESSAGE, Taken};
    ui::ThreadHook sent_{WH_CALLWNDPROC, Sent};
};

// The fonts and the moves of a window's controls, in the order they reach the
// controls (WM_SETFONT, and WM_WINDOWPOSCHANGED of a move or a new size), as a
// WH_CALLWNDPROC hook on this thread sees them while it is watched.
class ControlSteps {
public:
    explicit ControlSteps(HWND window) {
        s_window = window;
        s_steps.clear();
    }
    bool Hooked() const { return hook_.Hooked(); }
    struct Step {
        HWND control;
        bool move; // else a font
    };
    static const std::vector<Step>& Seen() { return s_steps; }

private:
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && GetParent(sent->hwnd) == s_window) {
            if (sent->message == WM_SETFONT) s_steps.push_back({sent->hwnd, false});
            if (sent->message == WM_WINDOWPOSCHANGED) {
                UINT flags = reinterpret_cast<const WINDOWPOS*>(sent->lParam)->flags;
                if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
                    s_steps.push_back({sent->hwnd, true});
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND s_window = nullptr;
    static inline std::vector<Step> s_steps;
    ui::ThreadHook hook_{WH_CALLWNDPROC, Sent};
};

// The controls are moved as one batch once each has its font at the new DPI: no
// control is moved before the last font is set, and the 49 moves then come one after
// the other, each control's once. The window and each control then paint once.
TEST_F(MainWindow, ADpiChangeGivesEveryControlItsFontThenMovesThemAllInOneBatchAndPaintsEachWindowOnce) {
    PaintCounts paints;
    ASSERT_TRUE(paints.Hooked());
    ControlSteps steps(window_);
    ASSERT_TRUE(steps.Hooked());
    RECT now;
    GetWindowRect(window_, &now);
    ChangeDpi(window_, 120, now);
    std::vector<ControlSteps::Step> seen = ControlSteps::Seen();
    std::map<std::pair<HWND, UINT>, int> whileChanging = paints.counts;
    ASSERT_TRUE(ui::PumpUntil([this] { return !GetUpdateRect(window_, nullptr, FALSE); }, 10000));
    ui::Pump();
    ExpectLaidOutAt(window_, 120);

    std::vector<std::string> fonts, moves;
    std::string order;
    for (const ControlSteps::Step& step : seen) {
        (step.move ? moves : fonts).push_back(NameOf(step.control));
        order += step.move ? 'M' : 'F';
    }
    std::vector<std::string> designed;
    for (const controls::Control& control : controls::kControls)
        designed.push_back(control.unit);
    std::sort(designed.begin(), designed.end());
    std::sort(fonts.begin(), fonts.end());
    std::sort(moves.begin(), moves.end());
    EXPECT_EQ(fonts, designed) << "each control's font once";
    EXPECT_EQ(moves, designed) << "each control moved once";
    EXPECT_EQ(order, std::string(49, 'F') + std::string(49, 'M')) << "fonts (F) and moves (M) in order";

    for (const auto& [key, count] : whileChanging) {
        SCOPED_TRACE(key.first == window_ ? std::string("the window") : NameOf(key.first));
        ADD_FAILURE() << "message " << std::hex << key.second << " while the window was being laid out";
    }
    int painted = 0;
    for (const auto& [key, count] : paints.counts) {
        SCOPED_TRACE(key.first == window_ ? std::string("the window") : NameOf(key.first));
        EXPECT_LE(count, 1) << "message " << std::hex << key.second;
        painted += key.second == WM_PAINT ? 1 : 0;
    }
    EXPECT_EQ(painted, 50) << "the window and each of its 49 controls painted";
}

} // namespace

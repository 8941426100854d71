// The panel's main window on the harness's desktop, as every test that looks at it
// expects it: a client area of 730 x 492 in whatever frame Windows draws around it,
// centred on the 1024 x 768 screen of each session slot. With the classic frame
// (caption 19, dialog frame 3, sunken edge 2: Wine 8's) that is 740 x 521 at
// (1024 - 740) / 2 = 142 and (768 - 521) / 2 = 123; Wine 10 draws a taller caption.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

namespace panelgeometry {

// The layout's rounding, worked out here on its own and never by the program's code:
// a * b / c to the nearest whole number, halves away from zero (c > 0), and a 96-DPI
// length at a DPI by that rule.
inline constexpr int kLayoutDpi = 96;
constexpr int RoundedRatio(long long a, long long b, long long c) {
    long long product = a * b;
    long long magnitude = (2 * (product < 0 ? -product : product) + c) / (2 * c);
    return static_cast<int>(product < 0 ? -magnitude : magnitude);
}
constexpr int Scaled(int length, int dpi) {
    return RoundedRatio(length, dpi, kLayoutDpi);
}
static_assert(Scaled(730, 120) == 913 && Scaled(492, 108) == 554 && Scaled(-12, 108) == -14 &&
              Scaled(-12, 100) == -13);

inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;
inline constexpr int kClientWidth = 730;
inline constexpr int kClientHeight = 492;
inline constexpr int kWindowWidth = 740;
inline constexpr int kWindowHeight = 521;
inline constexpr int kWindowLeft = (kScreenWidth - kWindowWidth) / 2;
inline constexpr int kWindowTop = (kScreenHeight - kWindowHeight) / 2;
static_assert(kWindowLeft == 142 && kWindowTop == 123);

// The frame metrics of the classic look, which the layout's 740 x 521 was drawn with.
inline bool ClassicFrame() {
    return GetSystemMetrics(SM_CYCAPTION) == 19 && GetSystemMetrics(SM_CXDLGFRAME) == 3 &&
           GetSystemMetrics(SM_CYDLGFRAME) == 3 && GetSystemMetrics(SM_CXEDGE) == 2 &&
           GetSystemMetrics(SM_CYEDGE) == 2;
}

// The window's place when its 730 x 492 client area sits in the frame that Windows
// draws for the window's styles, centred on the screen.
inline RECT ExpectedWindowRect(HWND window) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return {left, top, left + width, top + height};
}

// The window's client area is 730 x 492, the window is that in its frame, centred;
// and with the classic frame it is exactly 740 x 521 at 142, 123.
inline void ExpectCentredAroundItsClientArea(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, kClientWidth);
    EXPECT_EQ(client.bottom, kClientHeight);
    RECT expected = ExpectedWindowRect(window);
    EXPECT_EQ(outer.left, expected.left);
    EXPECT_EQ(outer.top, expected.top);
    EXPECT_EQ(outer.right, expected.right);
    EXPECT_EQ(outer.bottom, expected.bottom);
    if (ClassicFrame()) {
        EXPECT_EQ(outer.left, kWindowLeft);
        EXPECT_EQ(outer.top, kWindowTop);
        EXPECT_EQ(outer.right - outer.left, kWindowWidth);
        EXPECT_EQ(outer.bottom - outer.top, kWindowHeight);
    }
}

} // namespace panelgeometry

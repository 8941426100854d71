// The main window's icons: made for its DPI, and made again when the DPI changes, the
// old ones destroyed.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "tests/main_window_fixture.h"

namespace {

using mainwindow::ChangeDpi;
using mainwindow::MainWindow;

// The size of an icon's image.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

TEST_F(MainWindow, ItsIconsAreMadeForItsDpiAndTheOldOnesGoWhenItChanges) {
    using MetricForDpi = int(WINAPI*)(int, UINT);
    auto metric = reinterpret_cast<MetricForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    ASSERT_NE(metric, nullptr);
    auto icons = [this] {
        return std::pair{reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_BIG, 0)),
                         reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0))};
    };
    auto [big96, small96] = icons();
    EXPECT_EQ(IconSize(big96).cx, metric(SM_CXICON, 96));
    EXPECT_EQ(IconSize(small96).cx, metric(SM_CXSMICON, 96));
    RECT now;
    GetWindowRect(window_, &now);
    ChangeDpi(window_, 144, now);
    ui::Pump();
    auto [big144, small144] = icons();
    EXPECT_EQ(IconSize(big144).cx, metric(SM_CXICON, 144));
    EXPECT_EQ(IconSize(big144).cy, metric(SM_CYICON, 144));
    EXPECT_EQ(IconSize(small144).cx, metric(SM_CXSMICON, 144));
    EXPECT_EQ(IconSize(small144).cy, metric(SM_CYSMICON, 144));
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(big96, &info)) << "the old large icon is destroyed";
    EXPECT_FALSE(GetIconInfo(small96, &info)) << "the old small icon is destroyed";
}

} // namespace

// The real panel program, started as its own process and used from outside the way a
// user would: real mouse clicks and keys, and the exit code it ends with.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

TEST(PanelProgram, OpensCentredAndEscapeInTheDirectoryBoxEndsItWithExitCodeZero) {
    observe::ChildProcess panel;
    ASSERT_TRUE(panel.Start(observe::CommandLine("QuarvelPanel.exe")));
    HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 142);
    EXPECT_EQ(outer.top, 123);
    EXPECT_EQ(outer.right - outer.left, 740);
    EXPECT_EQ(outer.bottom - outer.top, 521);

    HWND box = nullptr;
    for (HWND child : observe::ChildWindows(window)) {
        if (observe::ClassName(child) == "Edit" && observe::WindowText(child) == "D:\\mirserver") box = child;
    }
    ASSERT_NE(box, nullptr) << "the directory box holds the default root when the window shows";
    ASSERT_EQ(WaitForInputIdle(panel.Handle(), 20000), 0u) << "the panel is ready for input";
    ui::Click(box);
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    EXPECT_TRUE(observe::WaitUntil(
        [&] {
            GUITHREADINFO gui{};
            gui.cbSize = sizeof gui;
            return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == box;
        },
        10000))
        << "the click put the caret into the box";
    // Keys go to the foreground window's focus.
    SetForegroundWindow(window);
    ASSERT_TRUE(observe::WaitUntil([&] { return GetForegroundWindow() == window; }, 10000));

    ui::PressKey(VK_ESCAPE);
    ASSERT_TRUE(panel.WaitForExit(20000));
    EXPECT_EQ(panel.ExitCode(), 0u);
}

} // namespace

// The real panel program, started as its own process and used from outside the way a
// user would: clicks posted to its controls as the mouse's messages (the pointer of
// these X displays cannot be moved), keys through the system's input queue, and the
// exit code it ends with.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

TEST(PanelProgram, EscapeInTheDirectoryBoxEndsItWithExitCodeZero) {
    observe::ChildProcess panel;
    ASSERT_TRUE(panel.Start(observe::CommandLine("QuarvelPanel.exe")));
    HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);

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

TEST(PanelProgram, RenamedInAFolderOfItsOwnItWorksThereWhateverTheBytesOfTheNames) {
    // The second byte of 錦 (E5 5C) and of 運 (DF 5C) is the byte of a backslash: the
    // program's folder ends at the last backslash that is a character of its own, not
    // inside the file's name.
    char temporary[MAX_PATH] = "";
    GetTempPathA(sizeof temporary, temporary);
    std::string folder = std::string(temporary) + "面板" + std::to_string(GetCurrentProcessId()) + "錦";
    std::string program = folder + "\\服务器運行面板.exe";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CopyFileA(observe::BesideTestProgram("QuarvelPanel.exe").c_str(), program.c_str(), FALSE));
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    {
        observe::ChildProcess panel;
        ASSERT_TRUE(panel.Start("\"" + program + "\"", windows)) << "started from another folder";
        HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(panel.CurrentDirectory(), folder + "\\");
        ASSERT_TRUE(observe::CloseAndWaitForExit(window, 20000));
        EXPECT_EQ(panel.ExitCode(), 0u);
    }
    EXPECT_TRUE(DeleteFileA(program.c_str()));
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

} // namespace

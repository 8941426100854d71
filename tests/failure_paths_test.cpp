// Failures in the middle of the panel's actions, seen from outside: an allocation that
// fails ends the program with the report; a program that cannot start and a folder the
// shell cannot open pass silently and leave the panel working.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/report_box.h"

namespace {

HWND DirectoryBox(HWND window) {
    for (HWND child : observe::ChildWindows(window)) {
        if (observe::ClassName(child) == "Edit" && observe::WindowText(child) == "D:\\mirserver")
            return child;
    }
    return nullptr;
}

// Starts the probe's panel in a mode and finds its window and directory box.
void StartPanel(observe::ChildProcess& probe, const char* mode, const std::string& log, HWND& window,
                HWND& box) {
    ASSERT_TRUE(probe.Start(observe::CommandLine("host_probe.exe", {mode, log})));
    window = observe::WaitForWindow(probe.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);
    box = DirectoryBox(window);
    ASSERT_NE(box, nullptr);
}

TEST(FailurePaths, AnAllocationThatFailsDuringAnActionEndsWithTheReport) {
    observe::ChildProcess probe;
    std::string log = observe::FreshLogFile("probe-log.txt");
    HWND window = nullptr, box = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartPanel(probe, "panel-allocation-fault", log, window, box));
    // A root of 150,000 characters: reading it back takes a block the heap refuses.
    std::string root(150000, 'x');
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(root.c_str()));
    PostMessageA(FindWindowExA(window, nullptr, "Button", "游戏公告"), BM_CLICK, 0, 0);
    observe::FatalReport report = observe::WatchFatalReport(probe);
    // As the user sees it: a box of its own beside the panel's window, not owned by it.
    ASSERT_NO_FATAL_FAILURE(ExpectTheReportBox(report));
    EXPECT_EQ(report.text, "运行时出错!\r\n\r\n错误信息：分配 150001 字节内存失败!\r\n");
    EXPECT_EQ(report.exitCode, 0xFFFFFFFFu);
}

TEST(FailurePaths, AFailedStartAndAFailedShellCallPassSilently) {
    observe::ChildProcess probe;
    std::string log = observe::FreshLogFile("probe-log.txt");
    HWND window = nullptr, box = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartPanel(probe, "panel-failing-starts", log, window, box));
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\no-such-server"));

    DWORD_PTR answer = 0;
    for (const char* caption : {"刷怪配置", "游戏公告", "M2文件", "爆率文件"}) {
        HWND button = FindWindowExA(window, nullptr, "Button", caption);
        ASSERT_NE(button, nullptr) << caption;
        ASSERT_TRUE(SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    }
    // Each click was sent: its action had run, log line and all, when the send came
    // back. Whatever an action left in the panel's queue (a window to show, say) is
    // handled before a message posted after it: once the box has taken the selection
    // posted here, the panel has had its chance to show something.
    PostMessageA(box, EM_SETSEL, 2, 5);
    EXPECT_TRUE(observe::WaitUntil(
        [&] {
            return SendMessageTimeoutA(box, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
                   answer == MAKELONG(2, 5);
        },
        10000))
        << "the panel handles what is posted to it";
    EXPECT_EQ(observe::ReadLines(log),
              (std::vector<std::string>{"refused notepad D:\\MirServer\\Mir200\\Envir\\MonGen.txt",
                                        "shell C:\\no-such-server\\Mir200\\Notice -> 2",
                                        "refused notepad D:\\MirServer\\Mir200\\!Setup.txt",
                                        "shell C:\\no-such-server\\Mir200\\Envir\\MonItems -> 2"}));
    // Nothing was shown: the panel's window is its only one, and it still answers.
    for (HWND top : observe::TopLevelWindows(probe.Id())) {
        if (IsWindowVisible(top)) {
            EXPECT_EQ(top, window) << observe::ClassName(top);
        }
    }
    EXPECT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(observe::WindowText(box), "C:\\no-such-server");

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(probe.WaitForExit(20000));
    EXPECT_EQ(probe.ExitCode(), 0u);
}

} // namespace

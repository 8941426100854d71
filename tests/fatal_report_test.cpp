// The fatal report seen from outside: the box on screen, its text, and the exit code
// after the user closes it.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/child_process.h"

namespace {

struct Report {
    std::string text;
    bool hasErrorIcon = false;
    DWORD exitCode = 0;
    bool endRoutineRan = false;
};

Report RunProbe(const char* mode) {
    Report report;
    std::string marker = observe::BesideTestProgram("fatal-marker.txt");
    std::remove(marker.c_str());

    observe::ChildProcess probe;
    EXPECT_TRUE(probe.Start(observe::CommandLine("host_probe.exe", {mode, marker})));
    HWND box = observe::WaitForWindow(probe.Id(), "#32770", "错误", 20000);
    EXPECT_NE(box, nullptr) << "no box titled 错误";
    if (box) {
        EXPECT_FALSE(probe.WaitForExit(0)) << "the process must wait for the user";
        report.text = observe::MessageBoxText(box);
        for (HWND child : observe::ChildWindows(box)) {
            if (observe::ClassName(child) == "Static" &&
                (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                report.hasErrorIcon = true;
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(probe.WaitForExit(20000));
    report.exitCode = probe.ExitCode();
    FILE* file = std::fopen(marker.c_str(), "r");
    report.endRoutineRan = file != nullptr;
    if (file) std::fclose(file);
    std::remove(marker.c_str());
    return report;
}

TEST(FatalReport, FailedAllocationShowsItsSizeAndEndsWithMinusOne) {
    Report report = RunProbe("alloc-fail");
    EXPECT_EQ(report.text, "运行时出错!\r\n\r\n错误信息：分配 2147483647 字节内存失败!\r\n");
    EXPECT_TRUE(report.hasErrorIcon);
    EXPECT_EQ(report.exitCode, 0xFFFFFFFFu);
    EXPECT_FALSE(report.endRoutineRan) << "end routines are dropped after a fatal report";
}

TEST(FatalReport, CodeLineAppearsOnlyForANonZeroCode) {
    Report withCode = RunProbe("fatal-code");
    EXPECT_EQ(withCode.text, "运行时出错!\r\n\r\n错误代码：42\r\n\r\n错误信息：测试信息\r\n");
    EXPECT_EQ(withCode.exitCode, 0xFFFFFFFFu);

    Report bare = RunProbe("fatal-empty");
    EXPECT_EQ(bare.text, "运行时出错!\r\n\r\n");
    EXPECT_EQ(bare.exitCode, 0xFFFFFFFFu);
}

TEST(ProgramEnd, EndRoutinesRunOnANormalEnd) {
    std::string marker = observe::BesideTestProgram("end-marker.txt");
    std::remove(marker.c_str());
    observe::ChildProcess probe;
    ASSERT_TRUE(probe.Start(observe::CommandLine("host_probe.exe", {"end-normally", marker})));
    ASSERT_TRUE(probe.WaitForExit(20000));
    EXPECT_EQ(probe.ExitCode(), 0u);
    FILE* file = std::fopen(marker.c_str(), "r");
    EXPECT_NE(file, nullptr);
    if (file) std::fclose(file);
    std::remove(marker.c_str());
}

} // namespace

// The fatal report seen from outside: the box on screen, its text, and the exit code
// after the user closes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/report_box.h"

namespace {

struct Report {
    observe::FatalReport box;
    bool endRoutineRan = false;
};

Report RunProbe(const char* mode) {
    Report report;
    std::string marker = observe::FreshLogFile("fatal-marker.txt");

    observe::ChildProcess probe;
    EXPECT_TRUE(probe.Start(observe::CommandLine("host_probe.exe", {mode, marker})));
    report.box = observe::WatchFatalReport(probe);
    EXPECT_TRUE(probe.WaitForExit(0));
    FILE* file = std::fopen(marker.c_str(), "r");
    report.endRoutineRan = file != nullptr;
    if (file) std::fclose(file);
    std::remove(marker.c_str());
    return report;
}

TEST(FatalReport, FailedAllocationShowsItsSizeAndEndsWithMinusOne) {
    // A host block, and a block of the program's operator new: the same report.
    for (auto [mode, size] : {std::pair{"alloc-fail", "2147483647"}, std::pair{"new-fail", "2147483632"}}) {
        SCOPED_TRACE(mode);
        Report report = RunProbe(mode);
        ExpectTheReportBox(report.box);
        EXPECT_EQ(report.box.text,
                  std::string("运行时出错!\r\n\r\n错误信息：分配 ") + size + " 字节内存失败!\r\n");
        EXPECT_EQ(report.box.exitCode, 0xFFFFFFFFu);
        EXPECT_FALSE(report.endRoutineRan) << "end routines are dropped after a fatal report";
    }
}

TEST(FatalReport, CodeLineAppearsOnlyForANonZeroCode) {
    Report withCode = RunProbe("fatal-code");
    ExpectTheReportBox(withCode.box);
    EXPECT_EQ(withCode.box.text, "运行时出错!\r\n\r\n错误代码：42\r\n\r\n错误信息：测试信息\r\n");
    EXPECT_EQ(withCode.box.exitCode, 0xFFFFFFFFu);

    Report bare = RunProbe("fatal-empty");
    ExpectTheReportBox(bare.box);
    EXPECT_EQ(bare.box.text, "运行时出错!\r\n\r\n");
    EXPECT_EQ(bare.box.exitCode, 0xFFFFFFFFu);
}

TEST(ProgramEnd, EndRoutinesRunOnANormalEnd) {
    std::string marker = observe::FreshLogFile("end-marker.txt");
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

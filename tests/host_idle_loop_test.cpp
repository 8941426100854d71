// The host's message loop when nothing happens: the idle handler's period, its calls'
// arguments, and a loop that then waits for the next message without using the
// processor.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <thread>

#include "host/message_loop.h"
#include "host/runtime.h"
#include "tests/host_runtime_fixture.h"

namespace {

using namespace hostruntime;

TEST_F(HostRuntime, TheLoopGoesIdleAndThenBlocksUntilTheNextMessage) {
    DWORD guiThread = GetCurrentThreadId();
    HANDLE threadHandle = OpenThread(THREAD_QUERY_INFORMATION, FALSE, guiThread);
    ASSERT_NE(threadHandle, nullptr);
    struct Seen {
        bool periodEnded = false, blocked = false, answered = false;
        std::uint32_t stepsBefore = 0, stepsAfter = 0, lastCount = 0;
        bool lastResult = true;
        std::uint64_t busy = ~0ull;
    } seen;
    HWND window = window_;
    std::thread watcher([&] {
        const IdleStatistics& idle = GetIdleStatistics();
        // The idle handler's last answer ends the period; a message sent to the window
        // comes back once the loop waits in GetMessage, the only place left for it to
        // be handled. From then on the loop takes no step until a message comes.
        seen.periodEnded = WaitForSingleObject(g_idlePeriodEnded, 10000) == WAIT_OBJECT_0;
        seen.blocked = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr) != 0;
        seen.stepsBefore = idle.steps;
        FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
        GetThreadTimes(threadHandle, &created, &exited, &kernelBefore, &userBefore);
        // Processor time is a measure over a span of time: a thread that spun here would
        // show about this much of it. Nothing else is waited for.
        Sleep(500);
        GetThreadTimes(threadHandle, &created, &exited, &kernelAfter, &userAfter);
        // Two more round trips: a loop still stepping would have taken a step between
        // them (each is handled inside one pass of the loop).
        seen.answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr) != 0 &&
                        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr) != 0;
        seen.stepsAfter = idle.steps;
        seen.lastCount = idle.lastCount;
        seen.lastResult = idle.lastResult;
        auto ticks = [](FILETIME t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
        seen.busy = ticks(kernelAfter) + ticks(userAfter) - ticks(kernelBefore) - ticks(userBefore);
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    RunMessageLoop();
    watcher.join();
    CloseHandle(threadHandle);

    ASSERT_TRUE(seen.periodEnded) << "the idle handler never answered that it wanted no more";
    ASSERT_TRUE(seen.blocked && seen.answered) << "the loop did not handle a message sent to its window";
    EXPECT_GT(seen.stepsBefore, 0u);
    EXPECT_EQ(seen.stepsAfter, seen.stepsBefore) << "no idle step while nothing happens";
    EXPECT_EQ(seen.lastCount, 2u) << "an idle period ends after its third step";
    EXPECT_FALSE(seen.lastResult);
    // A waiting thread may still be charged a tick or two of the scheduler (10 ms each,
    // seen under load); a loop that spins on PeekMessage was charged 200 ms of these
    // 500 under Wine. What the loop does is asserted above; this bound keeps a spin out.
    EXPECT_LT(seen.busy, 50 * 10000u) << "the GUI thread used processor time while idle (100 ns units)";
}

TEST_F(HostRuntime, AnIdleHandlerThatAsksForMoreKeepsTheIdlePeriodGoing) {
    g_idleMoreCalls = 3;
    g_idleCalls.clear();
    DWORD loopEntered = GetTickCount();
    // The window is closed once the handler has answered that it wants no more.
    HWND window = window_;
    bool periodEnded = false;
    std::thread closer([window, &periodEnded] {
        periodEnded = WaitForSingleObject(g_idlePeriodEnded, 10000) == WAIT_OBJECT_0;
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    RunMessageLoop();
    closer.join();
    EXPECT_TRUE(periodEnded) << "the idle handler never answered that it wanted no more";
    // Three answers of true, then one of false ends the period; every call gets the
    // milliseconds since the period began. The period began after the loop was
    // entered, and each call came at least kIdleAnswerAfterMs after the one before:
    // a count from any earlier moment, from the call before, or none, breaks one of these.
    ASSERT_GE(g_idleCalls.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const IdleCall& call = g_idleCalls[i];
        EXPECT_LE(call.argument, call.tick - loopEntered)
            << "call " << i << ": more than since the loop began";
        if (i > 0) {
            EXPECT_GE(call.argument - g_idleCalls[i - 1].argument, kIdleAnswerAfterMs)
                << "call " << i << ": " << call.argument << " after " << g_idleCalls[i - 1].argument;
        }
    }
    EXPECT_EQ(g_idleMoreCalls, 0);
}

} // namespace

// The entry of every test program: GoogleTest's own, but for one thing done first.
//
// On a thread's first trace (SCOPED_TRACE) GoogleTest starts a thread of its own,
// which watches for the traced thread's end. A process that ends while a thread of
// it is still starting dies under Wine (SIGSEGV in the thread's start, after the
// test passed): a test whose first trace came at its very end failed so about once
// in a hundred runs under Wine 10. A bare program that creates a thread just before
// it returns from main dies 10 times in 400 runs under Wine 10, and never when it
// first waits until the thread is up. So the watcher thread is started here, and
// the tests begin once it is up, long before any end.
//
// A run as an older Windows (tests/support/as_windows.h) takes Windows for it before
// any test begins.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "tests/support/as_windows.h"

namespace {

// Threads that have started: the loader calls this in each new thread once the
// thread is up, just before the thread's own function runs.
std::atomic<int> g_threadsUp{0};

void NTAPI OnThreadEvent(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_THREAD_ATTACH) g_threadsUp.fetch_add(1);
}

} // namespace

// A TLS callback of the program: the C runtime lists the .CRT$XL* entries for the loader.
extern "C" __attribute__((section(".CRT$XLF"), used)) const PIMAGE_TLS_CALLBACK g_onThreadEvent =
    OnThreadEvent;

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!observe::TakeWindowsAsTheRunSays()) {
        std::fprintf(stderr, "PANEL_AS_WINDOWS names no Windows this suite knows\n");
        return 2;
    }
    int before = g_threadsUp.load();
    {
        SCOPED_TRACE("start-up"); // starts GoogleTest's watcher thread
    }
    DWORD start = GetTickCount();
    while (g_threadsUp.load() == before && GetTickCount() - start < 10000)
        Sleep(1);
    return RUN_ALL_TESTS();
}

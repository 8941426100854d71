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
// any test begins. Given --as-windows=NAME (tests/CMakeLists.txt gives it to every such
// run), the program first shows that it runs as that Windows: the release reached it,
// and a function that came after that release is missing to the program (or answers as
// that release does) while this Windows has it. A release that never reached the
// program would otherwise leave each run "as" an older Windows running as this one.
//
// What the suite takes for a fault of a test, besides a failed assertion (each fails the
// program's run, scripts/wine-run.sh):
// - a crash, of the test program or of a program it started;
// - a fault in the test program's own code, also one that Windows or Wine would pass
//   over inside a callback: the host's watch (host/fault_watch.cpp), started here for
//   every test program, ends the program as a crash;
// - a heap that does not validate after a test: every heap of the process is validated
//   after each test (HeapValidate), which sees what Wine's checker does not (a write
//   past a block that is never freed), and the program then fails;
// - a program that selected no test, or ended before GoogleTest reported all it had
//   selected (wine-run.sh reads GoogleTest's own lines).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/fault_watch.h"
#include "tests/support/as_windows.h"

namespace {

// Threads that have started: the loader calls this in each new thread once the
// thread is up, just before the thread's own function runs.
std::atomic<int> g_threadsUp{0};

void NTAPI OnThreadEvent(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_THREAD_ATTACH) g_threadsUp.fetch_add(1);
}

// Validates every heap of the process after each test; a heap that fails leaves its
// mark for main.
class HeapValidation : public testing::EmptyTestEventListener {
public:
    bool failed = false;

private:
    void OnTestEnd(const testing::TestInfo& test) override {
        std::vector<HANDLE> heaps(64);
        DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
        if (count > heaps.size()) {
            heaps.resize(count);
            count = GetProcessHeaps(count, heaps.data());
        }
        for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
            if (HeapValidate(heaps[i], 0, nullptr)) continue;
            std::printf("heap-check: heap %p does not validate after %s.%s\n", heaps[i],
                        test.test_suite_name(), test.name());
            std::fflush(stdout);
            failed = true;
        }
    }
};

// What the tests know of each older Windows that a run can take: a function the program
// must find missing there, or, where it has all of them, what one of them answers.
struct OlderWindows {
    const char* name;
    const char* library;
    const char* function;
    bool answersPerMonitorV1; // GetThreadDpiAwarenessContext gives -3 there, not missing
};
constexpr OlderWindows kOlderWindows[] = {
    {"xp-rtm", "kernel32.dll", "SetDllDirectoryA", false},
    {"xp", "kernel32.dll", "SetDefaultDllDirectories", false},
    {"7", "user32.dll", "GetDpiForWindow", false},
    {"8.1", "user32.dll", "GetDpiForWindow", false},
    {"10-1607", "user32.dll", "GetThreadDpiAwarenessContext", true},
};

// Whether this run shows itself as Windows `name`; says why not.
bool RunsAs(const char* name) {
    for (const OlderWindows& older : kOlderWindows) {
        if (std::strcmp(older.name, name) != 0) continue;
        FARPROC real = GetProcAddress(GetModuleHandleA(older.library), older.function);
        if (!real) {
            std::fprintf(stderr, "as Windows %s: this Windows has no %s to miss\n", name, older.function);
            return false;
        }
        void* seen = LookUpFunction(GetModuleHandleA(older.library), older.library, older.function);
        bool shows = older.answersPerMonitorV1 ? seen && reinterpret_cast<INT_PTR(WINAPI*)()>(seen)() == -3
                                               : seen == nullptr;
        if (!shows)
            std::fprintf(stderr, "as Windows %s: the program still finds %s as this Windows has it\n", name,
                         older.function);
        else
            std::printf("as Windows %s: %s %s\n", name, older.function,
                        older.answersPerMonitorV1 ? "answers per-monitor v1" : "is missing");
        return shows;
    }
    std::fprintf(stderr, "as Windows %s: the tests know nothing that Windows lacks\n", name);
    return false;
}

} // namespace

// A TLS callback of the program: the C runtime lists the .CRT$XL* entries for the loader.
extern "C" __attribute__((section(".CRT$XLF"), used)) const PIMAGE_TLS_CALLBACK g_onThreadEvent =
    OnThreadEvent;

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // GoogleTest would set the error mode SEM_NOGPFAULTERRORBOX, which the programs the
    // tests start inherit, and under which Wine 10 ends a crashed process without a word
    // (no debugger, no "Unhandled" report): a crash is to be seen.
    GTEST_FLAG_SET(catch_exceptions, false);
    WatchForFaultsInOwnCode();
    if (!observe::TakeWindowsAsTheRunSays()) {
        std::fprintf(stderr, "PANEL_AS_WINDOWS names no Windows this suite knows\n");
        return 2;
    }
    constexpr char kAsWindows[] = "--as-windows=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kAsWindows, sizeof kAsWindows - 1) == 0 &&
            !RunsAs(argv[i] + sizeof kAsWindows - 1))
            return 2;
    }
    auto* validation = new HeapValidation; // the listeners' list owns it
    testing::UnitTest::GetInstance()->listeners().Append(validation);
    int before = g_threadsUp.load();
    {
        SCOPED_TRACE("start-up"); // starts GoogleTest's watcher thread
    }
    DWORD start = GetTickCount();
    while (g_threadsUp.load() == before && GetTickCount() - start < 10000)
        Sleep(1);
    int result = RUN_ALL_TESTS();
    return validation->failed ? 1 : result;
}

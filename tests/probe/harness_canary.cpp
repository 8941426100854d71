// Test cases that break, each on purpose, one of the rules by which the suite's runs
// fail (tests/support/test_main.cpp lists them), so that tests/harness_check.sh can
// see each run fail; and one that breaks none, which must pass. Never run as part of
// the suite's own cases.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

volatile LONG g_stop = 0;
DWORD WINAPI Poll(void*) {
    while (!g_stop)
        Sleep(1);
    return 0;
}

volatile int* volatile g_nowhere = nullptr;
const char* volatile g_noText = nullptr;

LRESULT CALLBACK FaultWhenMoved(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGED) *g_nowhere = 1;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void ToErrorOutput(const char* line) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(strlen(line)), &written, nullptr);
}

} // namespace

TEST(Canary, BreaksNoRule) {
    void* block = HeapAlloc(GetProcessHeap(), 0, 20);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, block));
}

// A crash on the main thread while eight others poll: whichever thread ends last gives
// the process's exit status, 0 for one stopped from outside. The C runtime's strlen of
// a null pointer faults in the runtime's library, outside the program's image, where
// the program's own watch leaves it to Windows.
TEST(Canary, CrashesWhileThreadsPoll) {
    for (int i = 0; i < 8; ++i)
        CloseHandle(CreateThread(nullptr, 0, Poll, nullptr, 0, nullptr));
    Sleep(5);
    using LengthFunction = size_t(__cdecl*)(const char*);
    auto length = reinterpret_cast<LengthFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "strlen")));
    ASSERT_NE(length, nullptr);
    std::printf("%u\n", static_cast<unsigned>(length(g_noText)));
}

// A fault in the program's own window procedure, inside the WM_WINDOWPOSCHANGED that its
// own SetWindowPos sends, which Wine catches and passes over.
TEST(Canary, FaultsInsideItsWindowProcedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = FaultWhenMoved;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HarnessCanary";
    RegisterClassA(&windowClass);
    HWND hwnd = CreateWindowA("HarnessCanary", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    SetWindowPos(hwnd, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::printf("returned from SetWindowPos\n");
    DestroyWindow(hwnd);
}

// Writes into a block it has freed, and never looks at the heap itself.
TEST(Canary, WritesIntoAFreedBlock) {
    HANDLE heap = GetProcessHeap();
    void* block = HeapAlloc(heap, 0, 20);
    ASSERT_NE(block, nullptr);
    HeapFree(heap, 0, block);
    auto* freed = static_cast<volatile unsigned char*>(block);
    for (int i = 0; i < 16; ++i)
        freed[i] = 0xA5;
}

// Writes past the end of a block that it keeps, over what lies after it, and never looks
// at the heap itself.
TEST(Canary, OverrunsABlockItKeeps) {
    auto* block = static_cast<volatile unsigned char*>(HeapAlloc(GetProcessHeap(), 0, 20));
    ASSERT_NE(block, nullptr);
    for (int i = 20; i < 84; ++i)
        block[i] = 0xA5;
}

// A write into a freed block of a heap of its own, checked and destroyed between a
// pause that names what the checker says of it and the line that resumes the check,
// or (`paused`) a pause for a report that no checker makes.
void WriteIntoAFreedBlockWhilePausedFor(const char* pause) {
    ToErrorOutput(pause);
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    void* block = HeapAlloc(heap, 0, 20);
    ASSERT_NE(block, nullptr);
    HeapFree(heap, 0, block);
    auto* freed = static_cast<volatile unsigned char*>(block);
    for (int i = 0; i < 16; ++i)
        freed[i] = 0xA5;
    HeapValidate(heap, 0, nullptr);
    HeapDestroy(heap);
    ToErrorOutput("heap-check: resumed\n");
}
TEST(Canary, WritesIntoAFreedBlockWhilePausedForIt) {
    WriteIntoAFreedBlockWhilePausedFor("heap-check: paused for free block overwritten\n");
}
TEST(Canary, WritesIntoAFreedBlockWhilePausedForAnotherReport) {
    WriteIntoAFreedBlockWhilePausedFor("heap-check: paused for a report that no checker makes\n");
}

// Ends the program, with status 0, before GoogleTest reports the cases after it.
TEST(Canary, EndsTheProgramHalfway) {
    std::fflush(stdout);
    ExitProcess(0);
}

// Pauses the heap check and never resumes it.
TEST(Canary, PausesTheHeapCheckForGood) {
    ToErrorOutput("heap-check: paused for a report that no checker makes\n");
}

// Passes itself, but starts a copy of this program that crashes while its threads poll
// (as a test starts the panel, without handing it any handle), and waits for it.
TEST(Canary, StartsAProgramThatCrashes) {
    char self[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    std::string command = std::string("\"") + self + "\" --gtest_filter=Canary.CrashesWhileThreadsPoll";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

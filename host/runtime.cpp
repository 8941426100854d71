// The host's start and end. OLE, which the folder dialog, the shell's calls and a
// screen reader's objects need on the GUI thread, is not started with the host: its
// library and its start took about 30 ms before the start window could show (Wine 8).
// The message loop starts it when it first finds no message waiting, after the start
// window has painted; anything that needs it before (a message the loop takes other
// than a paint, a screen reader's WM_GETOBJECT, the folder dialog) starts it first
// (EnsureOle).
// Tested by tests/host_process_test.cpp (the end, also from another thread),
// tests/fatal_report_test.cpp (ProgramEnd.*), tests/panel_process_test.cpp (the program's
// folder made current) and tests/panel_actions_test.cpp (OLE started before each
// service).
#include "host/runtime.h"

#include <ole2.h>

#include <algorithm>
#include <cstring>

#include "host/fatal.h"
#include "host/fault_watch.h"
#include "host/system_library.h"
#include "host/text.h"
#include "host/trace.h"
#include "host/window_list.h"

namespace {

constexpr char kHiddenOwnerClass[] = "_NX_HideOwner";

LRESULT CALLBACK HiddenOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgEndProgram) EndProgram(static_cast<std::int32_t>(wParam));
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RememberProgramPath(HostState& host) {
    char path[MAX_PATH] = "";
    // A path that fills the buffer was cut short, and XP then leaves it without its NUL:
    // no folder can be told from it.
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        host.programFolder[0] = '\0';
        host.programFile[0] = '\0';
        return;
    }
    // Split by characters: in GBK the second byte of a character can be a backslash.
    const char* slash = FindLastCharacter(path, '\\');
    if (!slash) {
        host.programFolder[0] = '\0';
        std::strcpy(host.programFile, path);
        return;
    }
    std::size_t folderLength = static_cast<std::size_t>(slash - path);
    std::memcpy(host.programFolder, path, folderLength);
    host.programFolder[folderLength] = '\0';
    std::strcpy(host.programFile, slash + 1);
}

void CreateHiddenOwner(HostState& host) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HiddenOwnerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = kHiddenOwnerClass;
    RegisterClassA(&windowClass);
    host.hiddenOwner = CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenOwnerClass, "", 0, 0, 0, 0, 0, nullptr,
                                       nullptr, windowClass.hInstance, nullptr);
}

} // namespace

void InitializeHost() {
    HostState& host = Host();
    SetFatalReportEnd(RunProgramEndCleanup);
    WatchForFaultsInOwnCode();
    LimitDllSearchWhereWindowsAllows(); // before anything loads a library
    PANEL_TRACE("DLL search limited");
    BlockHeap();

    RememberProgramPath(host);
    // A program in a drive's root has the folder "X:", which would name the drive's
    // current directory rather than its root.
    char current[MAX_PATH + 1];
    std::strcpy(current, host.programFolder);
    if (std::strlen(current) == 2 && current[1] == ':') std::strcat(current, "\\");
    SetCurrentDirectoryA(current);

    PANEL_TRACE("current folder set");
    CreateHiddenOwner(host);
    PANEL_TRACE("hidden owner created");
    host.guiThreadId = GetCurrentThreadId();
    IsConstantText(kEmptyText); // records the area of the literal texts
}

void EnsureOle() {
    HostState& host = Host();
    static bool tried = false;
    if (tried || host.ending || GetCurrentThreadId() != host.guiThreadId) return;
    tried = true;
    auto initialize = SystemFunction<HRESULT(WINAPI*)(LPVOID)>("ole32.dll", "OleInitialize");
    host.oleInitialized = initialize && SUCCEEDED(initialize(nullptr));
    PANEL_TRACE("OLE started");
}

void AddEndRoutine(void (*routine)()) {
    auto& routines = Host().endRoutines;
    if (std::find(routines.begin(), routines.end(), routine) == routines.end()) routines.push_back(routine);
}

void RunProgramEndCleanup(std::int32_t exitCode) {
    HostState& host = Host();
    ++host.eventSuppression;

    if (host.guiThreadId && GetCurrentThreadId() != host.guiThreadId) {
        if (host.hiddenOwner)
            SendMessageA(host.hiddenOwner, kMsgEndProgram, static_cast<WPARAM>(exitCode), 0);
        if (!host.ending) ExitProcess(static_cast<UINT>(exitCode));
        return;
    }

    host.ending = true;
    host.idleRoutines.clear();
    ReleaseWindowList();

    // Each end routine runs once, even if one of them ends the program again.
    auto routines = std::move(host.endRoutines);
    host.endRoutines.clear();
    for (auto routine : routines)
        routine();

    if (host.hiddenOwner) {
        DestroyWindow(host.hiddenOwner);
        host.hiddenOwner = nullptr;
    }
    if (host.oleInitialized) {
        host.oleInitialized = false;
        if (auto uninitialize = SystemFunction<void(WINAPI*)()>("ole32.dll", "OleUninitialize"))
            uninitialize();
    }
}

void EndProgram(std::int32_t exitCode) {
    RunProgramEndCleanup(exitCode);
    ExitProcess(static_cast<UINT>(exitCode));
}

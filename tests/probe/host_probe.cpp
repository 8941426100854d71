// A host program for the outside tests. The first argument picks what it does; the
// second names a log file to which it appends one line per thing worth seeing; a third,
// in some modes, names a file or folder that the mode works with.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "host/dpi.h"
#include "host/fatal.h"
#include "host/shell_commands.h"
#include "panel/layout.h"
#include "host/properties.h"
#include "host/runtime.h"
#include "host/system_library.h"
#include "host/start.h"
#include "host/text.h"
#include "host/window_load.h"
#include "tests/support/as_windows.h"
#include "tests/support/test_layout.h"

namespace {

using namespace testlayout;

const char* g_log = nullptr;
std::string g_mode;
HANDLE g_loopIdle = nullptr; // set when the window's loop has gone idle

void Note(const char* line) {
    if (!g_log) return;
    if (FILE* file = std::fopen(g_log, "a")) {
        std::fprintf(file, "%s\n", line);
        std::fclose(file);
    }
}

void NoteEnd() {
    MSG quit;
    bool queued = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    Note(queued ? "end quit-queued" : "end");
}

HandlerResult OnEvent(const char* name, std::span<const std::uint32_t>) {
    std::string event = name;
    if (event == "click") Note("click");
    if (event == "click-2") ReportFatalError("第二个按钮", 0);
    if (event == "idle" && g_loopIdle) SetEvent(g_loopIdle);
    if (event != "created") return {};

    if (g_mode == "destroy-in-create") {
        DestroyWindow(GetWindowHandle(0));
    } else if (g_mode == "read-destroyed") {
        Unit* edit = FindUnit(*FindWindowEntry(kWindowId), kEditId);
        DestroyWindow(edit->live->Handle());
        ReadUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue);
    } else if (g_mode == "write-destroyed") {
        Unit* edit = FindUnit(*FindWindowEntry(kWindowId), kEditId);
        DestroyWindow(edit->live->Handle());
        WriteUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue, TextWord("x"), 0);
    } else if (g_mode == "read-unknown-window") {
        ReadUnitProperty(0x52029999, kEditId, kEditBoxContent, kWholeValue);
    } else if (g_mode == "end-from-thread") {
        // The end is asked for once the GUI thread waits in its loop; a loop that never
        // goes idle ends the program with another code.
        g_loopIdle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread([] {
            if (WaitForSingleObject(g_loopIdle, 20000) != WAIT_OBJECT_0) ExitProcess(8);
            EndProgram(7);
        }).detach();
    }
    return {};
}

BOOL WINAPI RefuseToStart(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                          DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    Note((std::string("refused ") + (commandLine ? commandLine : "")).c_str());
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

HINSTANCE WINAPI NoteShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                  INT show) {
    HINSTANCE result = ShellExecuteA(owner, verb, file, parameters, directory, show);
    Note((std::string("shell ") + file + " -> " + std::to_string(reinterpret_cast<INT_PTR>(result))).c_str());
    return result;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    g_mode = __argc > 1 ? __argv[1] : "";
    g_log = __argc > 2 ? __argv[2] : nullptr;
    OnTestEvent = OnEvent;
    if (!observe::TakeWindowsAsTheRunSays()) return 4;
    // The real panel, as the run takes Windows (for a run as an older Windows).
    if (g_mode == "panel") return RunHostProgram(kPanelProgram);

    // The real panel with a fault: allocations of 100,000 bytes and more fail.
    if (g_mode == "panel-allocation-fault") {
        SetAllocationFaultThreshold(100000);
        return RunHostProgram(kPanelProgram);
    }
    // The real panel where no program can be started and shell calls are noted.
    if (g_mode == "panel-failing-starts") {
        CurrentShellCalls().createProcess = RefuseToStart;
        CurrentShellCalls().shellExecute = NoteShellExecute;
        return RunHostProgram(kPanelProgram);
    }
    if (g_mode == "no-start-window") return RunHostProgram(kProgramWithoutStartWindow);
    if (g_mode == "bad-description") return RunHostProgram(kProgramWithBadDescription);
    if (g_mode == "window" || g_mode == "destroy-in-create" || g_mode == "read-destroyed" ||
        g_mode == "write-destroyed" || g_mode == "read-unknown-window" || g_mode == "end-from-thread") {
        const ProgramDescription program{kProgram.windows, kProgram.startWindow, nullptr, NoteEnd};
        return RunHostProgram(program);
    }

    // The start as on Windows Vista (6.0) or 7 (6.1), or as Windows says it is XP (5.1)
    // in a compatibility mode, whatever Windows this is.
    if (g_mode == "bare-library-vista" || g_mode == "bare-library-7" || g_mode == "bare-library-xp") {
        static const unsigned version = g_mode == "bare-library-vista" ? 0x0600
                                        : g_mode == "bare-library-7"   ? 0x0601
                                                                       : 0x0501;
        WindowsVersionEntry() = [] { return version; };
    }
    const char* argument = __argc > 3 ? __argv[3] : "";
    // The version read from another file than kernel32's, the third argument.
    if (g_mode == "bare-library-version-file") ReadWindowsVersionFrom(argument);
    // A DLL directory that the process has before the start, as a parent's
    // SetDllDirectory passes it on to its children.
    if (g_mode == "bare-library-dll-directory") SetDllDirectoryA(argument);
    InitializeHost();
    AddEndRoutine(NoteEnd);
    if (g_mode == "alloc-fail") {
        // More than a 32-bit process can ever hold in one block.
        AllocateBlock(0x7FFFFFFF);
    } else if (g_mode == "new-fail") {
        // The same through the program's operator new (the library's containers get
        // their memory there).
        volatile std::size_t size = 0x7FFFFFF0;
        ::operator delete(::operator new(size));
    } else if (g_mode == "fatal-code") {
        ReportFatalError("测试信息", 42);
    } else if (g_mode == "fatal-empty") {
        ReportFatalError(nullptr, 0);
    } else if (g_mode == "end-normally") {
        EndProgram(0);
    } else if (g_mode == "monitor-dpi") {
        // The one run-time load of a system library, by the program's own route.
        Note(("monitor-dpi " + std::to_string(MonitorDpi(GetDesktopWindow()))).c_str());
        EndProgram(0);
    } else if (g_mode.starts_with("bare-library") || g_mode == "library-beside") {
        // A load by bare name, as code of any library in the process might make it; or
        // the library beside the program by its full path, which must leave its mark.
        // Such code may also have made another folder the current one.
        if (g_mode == "bare-library-current") SetCurrentDirectoryA(argument);
        std::string name = "stand_in.dll"; // a name no library of Windows has
        if (g_mode == "library-beside") name = std::string(Host().programFolder) + "\\" + name;
        HMODULE library = LoadLibraryA(name.c_str());
        char path[MAX_PATH] = "none";
        if (library) GetModuleFileNameA(library, path, sizeof path);
        Note((g_mode + " " + path).c_str());
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExA(&version);
        Note(("said " + std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion))
                 .c_str());
        const unsigned read = WindowsVersionEntry()();
        Note(("read " + std::to_string(read >> 8) + "." + std::to_string(read & 0xFF)).c_str());
        EndProgram(0);
    }
    return 3; // an unknown mode
}

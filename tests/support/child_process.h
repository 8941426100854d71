// Starting a program of ours as a separate process and watching it from outside:
// its exit code, its top-level windows and what they show.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace observe {

// A command line: the program beside the test program, quoted, then the arguments,
// each quoted.
std::string CommandLine(const char* program, std::initializer_list<std::string> arguments = {});

// Full path of a file beside the running test program (the build's bin folder).
std::string BesideTestProgram(const char* fileName);

// Windows' own Notepad: the one in the system folder. Any other notepad.exe has the
// same name, so only the whole path tells them apart.
std::string SystemNotepad();

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ~ChildProcess(); // a child still running is terminated: tests never leave one behind

    // Starts `commandLine`; `directory` null keeps ours. False when it cannot start.
    bool Start(const std::string& commandLine, const char* directory = nullptr);
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool WaitForExit(DWORD milliseconds) const;
    DWORD ExitCode() const;
    // The process's current directory, as its own process parameters hold it (with
    // a trailing backslash), in the ANSI code page; empty when it cannot be read.
    std::string CurrentDirectory() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Top-level windows of a process, optionally only those of a class, visible or not.
std::vector<HWND> TopLevelWindows(DWORD processId, const char* className = nullptr);

// Waits until the process has a visible top-level window of the class (and title, when
// given); nullptr after the time-out.
HWND WaitForWindow(DWORD processId, const char* className, const char* title, DWORD milliseconds);

// Asks until `condition` holds or the time is up; says whether it held.
template <typename Condition> bool WaitUntil(Condition condition, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(10);
    }
}

// Closes a top-level window of another process as its close box would, and waits
// for that process to end; false when it is still running after the time-out.
bool CloseAndWaitForExit(HWND window, DWORD milliseconds);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::vector<HWND> ChildWindows(HWND parent);

// The text of a message box: its static text control.
std::string MessageBoxText(HWND box);

// The highest value a new handle gets: leaked handles raise it (4 per handle).
std::uintptr_t HandleHighWater();

// Busy blocks and bytes of this process's heap.
struct HeapUse {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
    bool operator==(const HeapUse&) const = default;
};
HeapUse ProcessHeapUse();
// Wine's heap checker is on (the heap-checked pass): it holds freed blocks back for a
// while to catch late writes, so they still count as busy.
bool HeapCheckerOn();

// A fresh log file in the temporary folder, and its lines. The name is the test
// process's own ("probe-log.txt" becomes "probe-log-<process id>.txt"), since tests
// of the same program run at the same time; any old file is removed, and so is the
// file when the test process ends.
std::string FreshLogFile(const char* name);
std::vector<std::string> ReadLines(const std::string& path);

// The system icon that a message box's icon control shows on screen, read from the
// screen's pixels: "error", "warning", "information" or "question"; "none" for a box
// without an icon control, "other" for an icon that is none of these. A box paints on
// its own time: the control is read until it shows one of them whole, or the time is up.
std::string SystemIconShown(HWND box, DWORD milliseconds);

// What a runtime-error report of a program showed, as the user sees it, and how the
// program ended after the report was closed.
struct FatalReport {
    bool shown = false;
    std::string title;
    std::string text;
    std::string icon;                 // as SystemIconShown names it
    std::vector<std::string> buttons; // "<id> <text>" of each button, in stacking order
    HWND owner = nullptr;
    bool waitedForTheUser = false; // the process was still running while the box was up
    DWORD exitCode = 0;
};
// Waits for the process's message box (a dialog of class "#32770"), reads it, closes
// it with OK and waits for the process to end. `whileShown` runs while the box is up.
FatalReport WatchFatalReport(ChildProcess& process, void (*whileShown)(DWORD processId) = nullptr);

} // namespace observe

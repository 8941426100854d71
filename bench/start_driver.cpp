// Starts a panel program again and again and measures it from outside: the time from
// process creation to its window being visible and its thread idle after a message
// round trip through the window (whether the window has painted is not checked); the
// processor time it uses while idle; and its memory after start and after 1,000
// button actions.
//   start_driver.exe RUNS NAME=PROGRAM.exe...
// The programs take turns, so that all of them meet the same machine. Prints
// "NAME.figure value" lines. Every wait has a deadline: a program that never gets
// ready, stops answering or does not end on WM_CLOSE is ended, and the driver fails
// (exit status 3, with the reason on its error output), as it does when it finds no
// directory box or no folder button to click.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Run {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

BOOL CALLBACK FindPanel(HWND hwnd, LPARAM context) {
    auto& run = *reinterpret_cast<Run*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char name[32] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (owner == run.process.dwProcessId && IsWindowVisible(hwnd) && !lstrcmpA(name, "KZWindow")) {
        run.window = hwnd;
        return FALSE;
    }
    return TRUE;
}

// How long a program may take to get ready, to answer a message, and to end.
constexpr double kReadyMilliseconds = 30000;
constexpr UINT kAnswerMilliseconds = 10000;
constexpr DWORD kEndMilliseconds = 20000;

bool Fail(const char* what, const std::string& program) {
    std::fprintf(stderr, "start_driver: %s: %s\n", program.c_str(), what);
    return false;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Release(Run& run) {
    if (!run.process.hProcess) return;
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    run.process = {};
}

// Ends a program that failed a deadline, and fails.
bool Abandon(Run& run, const char* what, const std::string& program) {
    if (run.process.hProcess) {
        TerminateProcess(run.process.hProcess, 1);
        WaitForSingleObject(run.process.hProcess, kEndMilliseconds);
    }
    Release(run);
    return Fail(what, program);
}

// Ends a program that failed a deadline or gave no figure: the driver's exit status.
int Failed(Run& run, const char* what, const std::string& program) {
    Abandon(run, what, program);
    return 3;
}

// The milliseconds left until `deadline` (a time of Now()), 0 once it has passed.
DWORD Left(double deadline) {
    double left = deadline - Now();
    return left > 0 ? static_cast<DWORD>(left) + 1 : 0;
}

// Starts the program and returns once its window is visible and its thread, after a
// message round trip through the window, idle. That the window has painted is not
// checked.
bool StartReady(const std::string& program, Run& run, double& milliseconds) {
    std::string line = "\"" + program + "\"";
    STARTUPINFOA startup{sizeof startup};
    double start = Now();
    double deadline = start + kReadyMilliseconds;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &run.process))
        return Fail("cannot be started", program);
    for (;;) {
        if (WaitForInputIdle(run.process.hProcess, Left(deadline)) == WAIT_FAILED)
            return Abandon(run, "WaitForInputIdle failed", program);
        EnumWindows(FindPanel, reinterpret_cast<LPARAM>(&run));
        if (run.window) break;
        if (WaitForSingleObject(run.process.hProcess, 1) == WAIT_OBJECT_0)
            return Abandon(run, "ended without a visible window", program);
        if (Now() > deadline) return Abandon(run, "no visible window within 30 s", program);
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(run.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMilliseconds, &answer))
        return Abandon(run, "the window did not answer within 10 s", program);
    if (WaitForInputIdle(run.process.hProcess, Left(deadline)) != 0)
        return Abandon(run, "not idle within 30 s of its start", program);
    milliseconds = Now() - start;
    return true;
}

bool Close(Run& run, const std::string& program) {
    PostMessageA(run.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(run.process.hProcess, kEndMilliseconds) != WAIT_OBJECT_0)
        return Abandon(run, "did not end within 20 s of WM_CLOSE", program);
    Release(run);
    return true;
}

double ProcessorMilliseconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

bool PrintMemory(const std::string& name, const char* when, HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return Fail("GetProcessMemoryInfo failed", name);
    std::printf("%s.peak_working_set_kb_%s %lu\n", name.c_str(), when,
                static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
    // Private bytes: the commit charge (PrivateUsage where the system fills it in).
    SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    std::printf("%s.private_kb_%s %lu\n", name.c_str(), when,
                static_cast<unsigned long>(privateBytes / 1024));
    return true;
}

std::vector<HWND> Children(HWND parent, const char* className) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(child, name, sizeof name);
        if (!lstrcmpiA(name, className)) found.push_back(child);
    }
    return found;
}

// Sends a message with a deadline; false when the window did not answer in time.
bool Answered(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMilliseconds,
                               &answer) != 0;
}

// 1,000 clicks on the folder buttons (those of the two rows at 118 and 158 pixels, at
// 96 DPI) with a root that does not exist: each one reads the box, joins the path and
// asks the shell, which finds nothing to open. Fails when there is no directory box
// or no folder button, or when a click is not answered in time.
bool ThousandActions(HWND window, const std::string& program) {
    std::vector<HWND> edits = Children(window, "Edit");
    std::vector<HWND> buttons = Children(window, "Button");
    bool rooted = false;
    for (HWND edit : edits) {
        char text[64] = "";
        if (!Answered(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)))
            return Fail("the box did not answer within 10 s", program);
        if (!lstrcmpA(text, "D:\\mirserver")) {
            if (!Answered(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\no-such-server-root")))
                return Fail("the box did not answer within 10 s", program);
            rooted = true;
        }
    }
    if (!rooted) return Fail("no directory box holding D:\\mirserver", program);
    std::vector<HWND> folderButtons;
    for (HWND button : buttons) {
        RECT place;
        GetWindowRect(button, &place);
        POINT top{place.left, place.top};
        ScreenToClient(window, &top);
        if (top.y == 118 || top.y == 158) folderButtons.push_back(button);
    }
    if (folderButtons.empty()) return Fail("no folder button", program);
    for (int i = 0; i < 1000; ++i) {
        if (!Answered(folderButtons[i % folderButtons.size()], BM_CLICK, 0, 0))
            return Fail("a click was not answered within 10 s", program);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    int runs = std::atoi(argv[1]);
    std::vector<std::pair<std::string, std::string>> programs;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        std::size_t equals = argument.find('=');
        if (equals == std::string::npos) return 2;
        programs.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
    }

    std::vector<std::vector<double>> times(programs.size());
    for (int i = 0; i < runs + 1; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            Run run;
            double ms = 0;
            if (!StartReady(programs[p].second, run, ms)) return 3;
            if (i > 0) times[p].push_back(ms); // the first start warms the caches and is not counted
            if (!Close(run, programs[p].second)) return 3;
        }
    }
    for (std::size_t p = 0; p < programs.size(); ++p) {
        std::vector<double>& t = times[p];
        std::sort(t.begin(), t.end());
        const char* name = programs[p].first.c_str();
        std::printf("%s.start_ms_median %.1f\n%s.start_ms_min %.1f\n%s.start_ms_max %.1f\n", name,
                    t[t.size() / 2], name, t.front(), name, t.back());
    }

    for (const auto& [name, program] : programs) {
        Run run;
        double ms = 0;
        if (!StartReady(program, run, ms)) return 3;
        if (!PrintMemory(name, "after_start", run.process.hProcess))
            return Failed(run, "no memory figures", program);
        // The idle time is measured over 10 s that begin half a second after the start.
        Sleep(500);
        double before = ProcessorMilliseconds(run.process.hProcess);
        Sleep(10000);
        std::printf("%s.idle_cpu_ms_10s %.1f\n", name.c_str(),
                    ProcessorMilliseconds(run.process.hProcess) - before);
        if (!ThousandActions(run.window, program)) return Failed(run, "the 1,000 actions failed", program);
        if (!PrintMemory(name, "after_1000_actions", run.process.hProcess))
            return Failed(run, "no memory figures", program);
        if (!Close(run, program)) return 3;
    }
    return 0;
}

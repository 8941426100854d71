// Starts a panel program again and again and measures it from outside: the time from
// process creation to its window being up, painted and idle; the processor time it
// uses while idle; and its memory after start and after 1,000 button actions.
//   start_driver.exe RUNS NAME=PROGRAM.exe...
// The programs take turns, so that all of them meet the same machine. Prints
// "NAME.figure value" lines.
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

// Starts the program and returns once its window is visible and its thread idle.
bool StartReady(const std::string& program, Run& run, double& milliseconds) {
    std::string line = "\"" + program + "\"";
    STARTUPINFOA startup{sizeof startup};
    double start = Now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &run.process))
        return false;
    for (;;) {
        WaitForInputIdle(run.process.hProcess, INFINITE);
        EnumWindows(FindPanel, reinterpret_cast<LPARAM>(&run));
        if (run.window) break;
        if (WaitForSingleObject(run.process.hProcess, 1) == WAIT_OBJECT_0) return false;
    }
    // Painted: the window has no invalid region left once a message round trip is done.
    SendMessageA(run.window, WM_NULL, 0, 0);
    WaitForInputIdle(run.process.hProcess, INFINITE);
    milliseconds = Now() - start;
    return true;
}

void Close(Run& run) {
    PostMessageA(run.window, WM_CLOSE, 0, 0);
    WaitForSingleObject(run.process.hProcess, 20000);
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
}

double ProcessorMilliseconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

void PrintMemory(const std::string& name, const char* when, HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    std::printf("%s.peak_working_set_kb_%s %lu\n", name.c_str(), when,
                static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
    // Private bytes: the commit charge (PrivateUsage where the system fills it in).
    SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    std::printf("%s.private_kb_%s %lu\n", name.c_str(), when,
                static_cast<unsigned long>(privateBytes / 1024));
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

// 1,000 clicks on the folder buttons with a root that does not exist: each one reads
// the box, joins the path and asks the shell, which finds nothing to open.
void ThousandActions(HWND window) {
    std::vector<HWND> edits = Children(window, "Edit");
    std::vector<HWND> buttons = Children(window, "Button");
    for (HWND edit : edits) {
        char text[64] = "";
        SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        if (!lstrcmpA(text, "D:\\mirserver"))
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\no-such-server-root"));
    }
    std::vector<HWND> folderButtons;
    for (HWND button : buttons) {
        RECT place;
        GetWindowRect(button, &place);
        POINT top{place.left, place.top};
        ScreenToClient(window, &top);
        if (top.y == 118 || top.y == 158) folderButtons.push_back(button);
    }
    for (int i = 0; i < 1000 && !folderButtons.empty(); ++i)
        SendMessageA(folderButtons[i % folderButtons.size()], BM_CLICK, 0, 0);
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
            Close(run);
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
        PrintMemory(name, "after_start", run.process.hProcess);
        Sleep(500);
        double before = ProcessorMilliseconds(run.process.hProcess);
        Sleep(10000);
        std::printf("%s.idle_cpu_ms_10s %.1f\n", name.c_str(),
                    ProcessorMilliseconds(run.process.hProcess) - before);
        ThousandActions(run.window);
        PrintMemory(name, "after_1000_actions", run.process.hProcess);
        Close(run);
    }
    return 0;
}

// Starts panel programs again and again and measures, from outside, what a user waits
// for: the time from CreateProcessA to the picture on screen, and beside it the time to
// "visible and idle"; then the processor time a program uses while idle, and its
// memory after start and after 1,000 button actions.
//   start_driver.exe RUNS NAME=PROGRAM.exe...
//   start_driver.exe --timeline RUNS PROGRAM.exe     (a build with trace points, host/trace.h)
// - Painted: five points of the window's client area (at 96 DPI, where no control
//   covers them) show the colours of the background picture there, read off the
//   screen. The driver derives those colours on its own: it decodes the picture that
//   the program's file holds (resource BACKGROUND) with the same libjpeg-turbo, and
//   tiles it from the client area's top-left corner. A thread of its own polls the
//   screen every millisecond or so from the start on.
// - Window visible: the first moment the screen-watching thread finds a top-level
//   window of the program's, of class "KZWindow", with its visible style
//   (IsWindowVisible); nothing in it need be painted yet.
// - Visible and idle: the window is visible and the program's thread, after a message
//   round trip through the window (WM_NULL), idle (WaitForInputIdle).
// The programs take turns in rounds, each round in the other order than the one
// before, so that all of them meet the same machine; the first round warms the caches
// and is not counted. Prints "NAME.figure value" lines, and for each pair of programs
// "NAME_to_OTHER.figure" lines: the upper median of the ratios of the rounds.
// Every wait has a deadline: a program that never shows its window, never paints its
// picture, stops answering or does not end on WM_CLOSE is ended, and the driver fails
// (exit status 3, with the reason on its error output), as it does when it finds no
// picture in a program or no directory box or folder button to click.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// How long a program may take to get ready or paint, to answer a message, and to end.
constexpr double kReadyMilliseconds = 30000;
constexpr UINT kAnswerMilliseconds = 10000;
constexpr DWORD kEndMilliseconds = 20000;

// Client points at 96 DPI that no control covers: near the corners (the bottom ones high
// enough for the reference's client area, which a taller caption makes shorter) and in
// the gap between the rows of buttons.
constexpr std::array<POINT, 5> kPoints{{{4, 4}, {725, 4}, {4, 470}, {725, 470}, {365, 205}}};

struct Program {
    std::string name, file;
    std::array<COLORREF, kPoints.size()> colours{};
};

struct Run {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

// One start's moments, in milliseconds after CreateProcessA.
struct Moments {
    double start = 0; // Now() at CreateProcessA
    double visible = 0, painted = 0, ready = 0;
};

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

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

// The colours at kPoints of the picture that the program's file holds, tiled from the
// client area's corner; false when it holds none that decodes.
bool PictureColours(Program& program) {
    HMODULE file = LoadLibraryExA(program.file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = file ? FindResourceA(file, "BACKGROUND", MAKEINTRESOURCEA(10)) : nullptr;
    HGLOBAL loaded = found ? LoadResource(file, found) : nullptr;
    auto* bytes = loaded ? static_cast<unsigned char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return Fail("no picture in the program's file", program.file);
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = [](j_common_ptr i) {
        std::longjmp(reinterpret_cast<JpegErrors*>(i->err)->escape, 1);
    };
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        return Fail("the program's picture does not decode", program.file);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, SizeofResource(file, found));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<unsigned char> rows(std::size_t{info.output_width} * 3 * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows.data() + std::size_t{info.output_width} * 3 * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    for (std::size_t i = 0; i < kPoints.size(); ++i) {
        std::size_t x = static_cast<std::size_t>(kPoints[i].x) % info.output_width;
        std::size_t y = static_cast<std::size_t>(kPoints[i].y) % info.output_height;
        const unsigned char* pixel = &rows[(y * info.output_width + x) * 3];
        program.colours[i] = RGB(pixel[0], pixel[1], pixel[2]);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    FreeLibrary(file);
    return true;
}

BOOL CALLBACK FindPanel(HWND hwnd, LPARAM context) {
    auto& found = *reinterpret_cast<std::pair<DWORD, HWND>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char name[32] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (owner == found.first && IsWindowVisible(hwnd) && !lstrcmpA(name, "KZWindow")) {
        found.second = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The program's visible window, or null.
HWND VisibleWindow(DWORD processId) {
    std::pair<DWORD, HWND> found{processId, nullptr};
    EnumWindows(FindPanel, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

bool ShowsPicture(HWND window, const Program& program) {
    HDC screen = GetDC(nullptr);
    bool shows = screen != nullptr;
    for (std::size_t i = 0; shows && i < kPoints.size(); ++i) {
        POINT at = kPoints[i];
        shows = ClientToScreen(window, &at) && GetPixel(screen, at.x, at.y) == program.colours[i];
    }
    if (screen) ReleaseDC(nullptr, screen);
    return shows;
}

// The watcher: from the start on, notes when the window turns visible and when the
// picture shows, or gives up at the deadline.
struct Watch {
    const Program* program;
    DWORD processId;
    double start, deadline;
    Moments* moments;
    std::atomic<bool> painted{false};
    std::atomic<bool> stop{false}; // the start failed otherwise
};

DWORD WINAPI WatchScreen(void* context) {
    auto& watch = *static_cast<Watch*>(context);
    HWND window = nullptr;
    while (Now() < watch.deadline && !watch.stop) {
        if (!window && (window = VisibleWindow(watch.processId)))
            watch.moments->visible = Now() - watch.start;
        if (window && ShowsPicture(window, *watch.program)) {
            watch.moments->painted = Now() - watch.start;
            watch.painted = true;
            return 0;
        }
        Sleep(1);
    }
    return 1;
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

// Sends a message with a deadline; false when the window did not answer in time.
bool Answered(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMilliseconds,
                               &answer) != 0;
}

// Starts the program and returns once its window is visible, its thread idle after a
// round trip through the window, and its picture on screen.
bool StartReady(const Program& program, Run& run, Moments& moments) {
    std::string line = "\"" + program.file + "\"";
    STARTUPINFOA startup{sizeof startup};
    double start = moments.start = Now();
    double deadline = start + kReadyMilliseconds;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &run.process))
        return Fail("cannot be started", program.file);
    Watch watch{&program, run.process.dwProcessId, start, deadline, &moments};
    HANDLE watcher = CreateThread(nullptr, 0, WatchScreen, &watch, 0, nullptr);
    if (!watcher) return Abandon(run, "the screen cannot be watched", program.file);
    // Waits for the watcher whatever happens below: it refers to this frame.
    auto joined = [&](const char* what) {
        if (what) watch.stop = true;
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
        return what ? Abandon(run, what, program.file) : true;
    };
    for (;;) {
        if (WaitForInputIdle(run.process.hProcess, Left(deadline)) == WAIT_FAILED)
            return joined("WaitForInputIdle failed");
        if ((run.window = VisibleWindow(run.process.dwProcessId))) break;
        if (WaitForSingleObject(run.process.hProcess, 1) == WAIT_OBJECT_0)
            return joined("ended without a visible window");
        if (Now() > deadline) return joined("no visible window within 30 s");
    }
    if (!Answered(run.window, WM_NULL, 0, 0)) return joined("the window did not answer within 10 s");
    if (WaitForInputIdle(run.process.hProcess, Left(deadline)) != 0)
        return joined("not idle within 30 s of its start");
    moments.ready = Now() - start;
    joined(nullptr);
    if (!watch.painted)
        return Abandon(run, "the picture did not show within 30 s of the start", program.file);
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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintSpread(const std::string& name, const char* figure, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%s.%s_median %.1f\n%s.%s_min %.1f\n%s.%s_max %.1f\n", name.c_str(), figure,
                values[values.size() / 2], name.c_str(), figure, values.front(), name.c_str(), figure,
                values.back());
}

// The timeline of a traced build's start (--timeline): the median moment of each of its
// trace points (the first time each is noted) and of what the driver sees, in the order
// they come.
int Timeline(int runs, Program& program) {
    char folder[MAX_PATH], file[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "trc", 0, file)) return 3;
    SetEnvironmentVariableA("PANEL_TRACE_FILE", file);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<std::pair<std::string, std::vector<double>>> points;
    auto note = [&](const std::string& name, double ms) {
        auto it = std::find_if(points.begin(), points.end(), [&](const auto& p) { return p.first == name; });
        if (it == points.end()) it = points.insert(points.end(), {name, {}});
        it->second.push_back(ms);
    };
    for (int i = 0; i < runs + 1; ++i) {
        Run run;
        Moments m;
        DeleteFileA(file);
        if (!StartReady(program, run, m)) return 3;
        if (!Close(run, program.file)) return 3;
        if (i == 0) continue; // warms the caches
        FILE* trace = std::fopen(file, "r");
        if (!trace) return Fail("wrote no trace points", program.file), 3;
        std::vector<std::string> seen;
        double counter = 0;
        char name[128];
        while (std::fscanf(trace, "%lf %127[^\n]", &counter, name) == 2) {
            if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
            seen.push_back(name);
            note(name, counter * 1000.0 / static_cast<double>(frequency.QuadPart) - m.start);
        }
        std::fclose(trace);
        note("(driver) window visible", m.visible);
        note("(driver) picture on screen", m.painted);
        note("(driver) visible and idle", m.ready);
    }
    DeleteFileA(file);
    std::vector<std::pair<double, std::string>> timeline;
    for (const auto& [name, moments] : points)
        timeline.push_back({Median(moments), name});
    std::sort(timeline.begin(), timeline.end());
    for (const auto& [ms, name] : timeline)
        std::printf("%8.1f ms  %s\n", ms, name.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && !std::strcmp(argv[1], "--timeline")) {
        Program program{"", argv[3]};
        if (!PictureColours(program)) return 3;
        return Timeline(std::atoi(argv[2]), program);
    }
    if (argc < 3) return 2;
    int runs = std::atoi(argv[1]);
    if (runs < 1) return 2;
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        std::size_t equals = argument.find('=');
        if (equals == std::string::npos) return 2;
        programs.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
        if (!PictureColours(programs.back())) return 3;
    }

    std::vector<std::vector<Moments>> moments(programs.size());
    for (int i = 0; i < runs + 1; ++i) {
        for (std::size_t k = 0; k < programs.size(); ++k) {
            std::size_t p = i % 2 ? programs.size() - 1 - k : k;
            Run run;
            Moments m;
            if (!StartReady(programs[p], run, m)) return 3;
            if (i > 0) moments[p].push_back(m);
            if (!Close(run, programs[p].file)) return 3;
        }
    }
    auto figures = [&](std::size_t p, double Moments::*moment) {
        std::vector<double> values;
        for (const Moments& m : moments[p])
            values.push_back(m.*moment);
        return values;
    };
    for (std::size_t p = 0; p < programs.size(); ++p) {
        PrintSpread(programs[p].name, "paint_ms", figures(p, &Moments::painted));
        PrintSpread(programs[p].name, "ready_ms", figures(p, &Moments::ready));
        std::printf("%s.visible_ms_median %.1f\n", programs[p].name.c_str(),
                    Median(figures(p, &Moments::visible)));
    }
    for (std::size_t p = 0; p < programs.size(); ++p) {
        for (std::size_t q = p + 1; q < programs.size(); ++q) {
            for (auto [figure, moment] :
                 {std::pair{"paint", &Moments::painted}, std::pair{"ready", &Moments::ready}}) {
                std::vector<double> first = figures(p, moment), other = figures(q, moment), ratios;
                for (std::size_t r = 0; r < first.size(); ++r)
                    ratios.push_back(first[r] / other[r]);
                std::printf("%s_to_%s.%s_ratio_median %.3f\n", programs[p].name.c_str(),
                            programs[q].name.c_str(), figure, Median(ratios));
            }
        }
    }

    for (const Program& program : programs) {
        const std::string& name = program.name;
        Run run;
        Moments m;
        if (!StartReady(program, run, m)) return 3;
        if (!PrintMemory(name, "after_start", run.process.hProcess))
            return Failed(run, "no memory figures", program.file);
        // The idle time is measured over 10 s that begin half a second after the start.
        Sleep(500);
        double before = ProcessorMilliseconds(run.process.hProcess);
        Sleep(10000);
        std::printf("%s.idle_cpu_ms_10s %.1f\n", name.c_str(),
                    ProcessorMilliseconds(run.process.hProcess) - before);
        if (!ThousandActions(run.window, program.file))
            return Failed(run, "the 1,000 actions failed", program.file);
        if (!PrintMemory(name, "after_1000_actions", run.process.hProcess))
            return Failed(run, "no memory figures", program.file);
        if (!Close(run, program.file)) return 3;
    }
    return 0;
}

#include "tests/support/child_process.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

namespace observe {

std::string BesideTestProgram(const char* fileName) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    if (char* slash = std::strrchr(path, '\\')) slash[1] = '\0';
    return std::string(path) + fileName;
}

std::string SystemNotepad() {
    char folder[MAX_PATH] = "";
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\notepad.exe";
}

std::string CommandLine(const char* program, std::initializer_list<std::string> arguments) {
    std::string line;
    line += '"';
    line += BesideTestProgram(program);
    line += '"';
    for (const std::string& argument : arguments) {
        line += " \"";
        line += argument;
        line += '"';
    }
    return line;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

ChildProcess::~ChildProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool ChildProcess::Start(const std::string& commandLine, const char* directory) {
    std::string mutableLine = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::WaitForExit(DWORD milliseconds) const {
    return process_ && WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::string ChildProcess::CurrentDirectory() const {
    // A 32-bit process: its PEB holds the address of its parameters at 0x10, and the
    // parameters hold the current directory's UNICODE_STRING at 0x24.
    struct BasicInformation {
        LONG exitStatus;
        std::uint32_t peb;
        ULONG_PTR rest[4];
    } basic{};
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (!query || query(process_, 0, &basic, sizeof basic, nullptr) != 0 || !basic.peb) return {};
    auto read = [&](std::uint32_t address, void* into, std::size_t size) {
        SIZE_T done = 0;
        return ReadProcessMemory(process_,
                                 reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)), into,
                                 size, &done) &&
               done == size;
    };
    std::uint32_t parameters = 0;
    struct {
        USHORT length, maximum;
        std::uint32_t buffer;
    } directory{};
    if (!read(basic.peb + 0x10, &parameters, sizeof parameters) || !read(parameters + 0x24, &directory, 8))
        return {};
    std::wstring wide(directory.length / sizeof(wchar_t), L'\0');
    if (wide.empty() || !read(directory.buffer, wide.data(), directory.length)) return {};
    char ansi[MAX_PATH * 2] = "";
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi, sizeof ansi,
                                     nullptr, nullptr);
    return std::string(ansi, length > 0 ? length : 0);
}

std::string WindowText(HWND window) {
    char text[8192] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && (!search.className || ClassName(window) == search.className))
        search.found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const char* className) {
    WindowSearch search{processId, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const char* className, const char* title, DWORD milliseconds) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(processId, className)) {
                if (IsWindowVisible(window) && (!title || WindowText(window) == title)) found = window;
            }
            return found != nullptr;
        },
        milliseconds);
    return found;
}

bool CloseAndWaitForExit(HWND window, DWORD milliseconds) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return false;
    PostMessageA(window, WM_CLOSE, 0, 0);
    bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::string MessageBoxText(HWND box) {
    for (HWND child : ChildWindows(box)) {
        if (ClassName(child) != "Static") continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        std::string text = WindowText(child);
        if (!text.empty()) return text;
    }
    return {};
}

std::uintptr_t HandleHighWater() {
    HANDLE events[64];
    std::uintptr_t highest = 0;
    for (HANDLE& event : events) {
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        highest = std::max(highest, reinterpret_cast<std::uintptr_t>(event));
    }
    for (HANDLE event : events)
        CloseHandle(event);
    return highest;
}

HeapUse ProcessHeapUse() {
    HeapUse use;
    HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            ++use.blocks;
            use.bytes += entry.cbData;
        }
    }
    HeapUnlock(heap);
    return use;
}

bool HeapCheckerOn() {
    char debug[256] = "";
    GetEnvironmentVariableA("WINEDEBUG", debug, sizeof debug);
    return std::strstr(debug, "+heap") != nullptr;
}

std::string FreshLogFile(const char* name) {
    // Removed when the test process ends.
    struct Made {
        std::vector<std::string> paths;
        ~Made() {
            for (const std::string& path : paths)
                std::remove(path.c_str());
        }
    };
    static Made made;
    std::string given = name;
    std::size_t dot = std::min(given.rfind('.'), given.size());
    std::string own = given.substr(0, dot) + '-' + std::to_string(GetCurrentProcessId()) + given.substr(dot);
    // In the temporary folder of this prefix, not beside the programs: process ids are
    // unique only within one wineserver, and the two slots of a session run test
    // processes of the same ids beside the same programs at once.
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + own;
    std::remove(path.c_str());
    if (std::find(made.paths.begin(), made.paths.end(), path) == made.paths.end()) made.paths.push_back(path);
    return path;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

namespace {

bool IsIconControl(HWND window) {
    return ClassName(window) == "Static" && (GetWindowLongA(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// The pixels of a screen rectangle, as a DC of the screen gives them.
class ScreenArea {
public:
    ScreenArea(int width, int height)
        : screen_(GetDC(nullptr)), dc_(CreateCompatibleDC(screen_)),
          bitmap_(CreateCompatibleBitmap(screen_, width, height)), old_(SelectObject(dc_, bitmap_)),
          width_(width), height_(height) {}
    ~ScreenArea() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        ReleaseDC(nullptr, screen_);
    }
    ScreenArea(const ScreenArea&) = delete;
    ScreenArea& operator=(const ScreenArea&) = delete;

    void ReadFromScreen(int x, int y) { BitBlt(dc_, 0, 0, width_, height_, screen_, x, y, SRCCOPY); }
    // The icon as this process draws it on the colour.
    void DrawIconOn(HICON icon, COLORREF background) {
        RECT all{0, 0, width_, height_};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc_, 0, 0, icon, width_, height_, 0, nullptr, DI_NORMAL);
    }
    bool operator==(const ScreenArea& other) const {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (GetPixel(dc_, x, y) != GetPixel(other.dc_, x, y)) return false;
            }
        }
        return true;
    }

private:
    HDC screen_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    int width_, height_;
};

} // namespace

// An icon handle of another process means nothing here (and under Wine the system's
// icons get a handle per process), so the icon is compared as drawn: the control's
// pixels on screen against each system icon drawn by this process on the box's
// background (the pixel left of the control).
std::string SystemIconShown(HWND box, DWORD milliseconds) {
    HWND control = nullptr;
    for (HWND child : ChildWindows(box)) {
        if (IsIconControl(child) && IsWindowVisible(child)) control = child;
    }
    if (!control) return "none";
    RECT place;
    GetWindowRect(control, &place);
    int width = place.right - place.left, height = place.bottom - place.top;
    if (width <= 0 || height <= 0) return "none";

    struct Candidate {
        const char* name;
        LPCSTR id;
    };
    const Candidate candidates[] = {{"error", IDI_HAND},
                                    {"warning", IDI_EXCLAMATION},
                                    {"information", IDI_ASTERISK},
                                    {"question", IDI_QUESTION}};
    ScreenArea shown(width, height), expected(width, height);
    const char* found = nullptr;
    WaitUntil(
        [&] {
            shown.ReadFromScreen(place.left, place.top);
            HDC screen = GetDC(nullptr);
            COLORREF background = GetPixel(screen, place.left - 1, place.top);
            ReleaseDC(nullptr, screen);
            for (const Candidate& candidate : candidates) {
                expected.DrawIconOn(LoadIconA(nullptr, candidate.id), background);
                if (shown == expected) found = candidate.name;
            }
            return found != nullptr;
        },
        milliseconds);
    return found ? found : "other";
}

FatalReport WatchFatalReport(ChildProcess& process, void (*whileShown)(DWORD processId)) {
    FatalReport report;
    if (HWND box = WaitForWindow(process.Id(), "#32770", nullptr, 20000)) {
        report.shown = true;
        report.title = WindowText(box);
        report.text = MessageBoxText(box);
        report.owner = GetWindow(box, GW_OWNER);
        for (HWND child : ChildWindows(box)) {
            if (ClassName(child) == "Button")
                report.buttons.push_back(std::to_string(GetDlgCtrlID(child)) + " " + WindowText(child));
        }
        report.icon = SystemIconShown(box, 10000);
        report.waitedForTheUser = !process.WaitForExit(0);
        if (whileShown) whileShown(process.Id());
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    process.WaitForExit(20000);
    report.exitCode = process.ExitCode();
    return report;
}

} // namespace observe

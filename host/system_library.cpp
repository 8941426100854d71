// Where the program's libraries come from. Every library the program loads itself is
// loaded by its full path in the system folder (LoadSystemLibrary). Loads by bare name,
// which any library in the process may make, are limited at start:
// - SetDllDirectory("") takes the current folder out of the search (XP SP1 on);
// - SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) leaves the system folder
//   alone, taking the program's folder out too. It is called wherever kernel32 has it
//   (Windows 8 on, and Vista and 7 with KB2533623), whatever version Windows reports:
//   in a compatibility mode Windows 10 says 5.1, or 6.0. Not on Vista: there the shell
//   cannot make its link objects after the call, and the folder dialog needs them.
//   Vista is told by kernel32.dll's file version, as Microsoft's "Getting the System
//   Version" says; GetVersionEx gives what a compatibility mode says, and Windows Server
//   2008 says 6.0 too.
// What Windows loads before the program runs (its imports and theirs, and under Wine
// what Wine loads at a process's start) is searched for as Windows always does. What
// the limit costs: a shell extension whose own libraries lie only on the PATH may fail
// to load in the folder dialog.
//
// Every function newer than Windows 2000 is looked up by name, and each has a path for
// the Windows without it. The table below gives every function the program looks up
// and the first Windows that has it, so that a test can take this Windows for an
// older one (TakeWindowsAs) and run the program's paths there. Where an older Windows
// has a function but answers otherwise (the DPI awareness that Windows 10 1607 gives
// the program), the row says so, and a test taking that Windows gets its answer.
// Tested by tests/host_process_test.cpp (LibrariesBesideTheProgram.*: what a bare name
// finds beside the program, in the folder it was started from and in a folder made
// current after the start, as each Windows; the case of that last folder as XP and 7
// runs only where Windows takes it out of the search, and is skipped under Wine), and by
// the runs as older Windows (tests/support/as_windows.h).
#include "host/system_library.h"

#include <winver.h>

#include "host/text.h"

#include <cstring>
#include <iterator>
#include <vector>

namespace {

using SetDllDirectoryFunction = BOOL(WINAPI*)(const char*);
using SetDefaultDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using VersionInfoSizeFunction = DWORD(WINAPI*)(const char*, DWORD*);
using VersionInfoFunction = BOOL(WINAPI*)(const char*, DWORD, DWORD, void*);
using QueryValueFunction = BOOL(WINAPI*)(const void*, const char*, void**, UINT*);
constexpr DWORD kSearchSystemFolder = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr unsigned kVista = 0x0600;

using enum WindowsRelease;
struct LookedUpFunction {
    const char* library;
    const char* name;
    WindowsRelease first; // the first Windows that has it
    // Where a later Windows answers otherwise for this program: from which release on,
    // and what the function answers before it.
    WindowsRelease answersSo = Windows2000;
    FARPROC before = nullptr;
};

// The thread's DPI awareness as Windows 10 1607 gives it to this program (called as
// GetThreadDpiAwarenessContext, which returns a handle in the same register): per-monitor
// v1, since the manifest's PerMonitorV2 is read only from 1703 on.
INT_PTR WINAPI PerMonitorAwareV1() {
    return -3; // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE
}

// Every function the program looks up by name, and the first Windows that has it.
constexpr LookedUpFunction kLookedUpFunctions[] = {
    // library      function                        first Windows
    {"kernel32.dll", "AddVectoredExceptionHandler", Xp},
    {"kernel32.dll", "SetDllDirectoryA", XpSp1},
    {"kernel32.dll", "SetDefaultDllDirectories", Windows8}, // Vista and 7 with KB2533623
    {"version.dll", "GetFileVersionInfoSizeA", Windows2000},
    {"version.dll", "GetFileVersionInfoA", Windows2000},
    {"version.dll", "VerQueryValueA", Windows2000},
    {"ole32.dll", "OleInitialize", Windows2000},
    {"ole32.dll", "OleUninitialize", Windows2000},
    {"oleacc.dll", "CreateStdAccessibleObject", Windows2000},
    {"oleacc.dll", "LresultFromObject", Windows2000},
    {"oleaut32.dll", "SysAllocStringLen", Windows2000},
    {"oleaut32.dll", "SysFreeString", Windows2000},
    {"oleaut32.dll", "LoadRegTypeLib", Windows2000},
    {"oleaut32.dll", "LoadTypeLibEx", Windows2000},
    {"shcore.dll", "GetDpiForMonitor", Windows81},
    {"user32.dll", "GetDpiForWindow", Windows10v1607},
    {"user32.dll", "GetSystemMetricsForDpi", Windows10v1607},
    {"user32.dll", "AdjustWindowRectExForDpi", Windows10v1607},
    {"user32.dll", "EnableNonClientDpiScaling", Windows10v1607},
    {"user32.dll", "GetThreadDpiAwarenessContext", Windows10v1607, Windows10v1703, PerMonitorAwareV1},
    {"user32.dll", "AreDpiAwarenessContextsEqual", Windows10v1607},
};

// Each release's version (0xMMmm), as kernel32's file version gives it.
constexpr unsigned kReleaseVersions[] = {0x0500, 0x0501, 0x0501, 0x0600, 0x0601,
                                         0x0602, 0x0603, 0x0A00, 0x0A00, 0};
static_assert(std::size(kReleaseVersions) == static_cast<std::size_t>(Latest) + 1,
              "a version for every release, in the order of WindowsRelease");

WindowsRelease g_takenAs = Latest;
const char* g_versionFile = nullptr; // another file than kernel32's, for a test

unsigned AskWindowsVersion() {
    OwnedText kernel(g_versionFile ? CopyText(g_versionFile) : SystemFolderPath("kernel32.dll"));
    auto size = SystemFunction<VersionInfoSizeFunction>("version.dll", "GetFileVersionInfoSizeA");
    auto read = SystemFunction<VersionInfoFunction>("version.dll", "GetFileVersionInfoA");
    auto query = SystemFunction<QueryValueFunction>("version.dll", "VerQueryValueA");
    DWORD ignored = 0;
    DWORD length = kernel && size && read && query ? size(kernel.get(), &ignored) : 0;
    if (length == 0) return 0;
    std::vector<char> block(length);
    void* value = nullptr;
    UINT valueLength = 0;
    if (!read(kernel.get(), 0, length, block.data()) || !query(block.data(), "\\", &value, &valueLength) ||
        valueLength < sizeof(VS_FIXEDFILEINFO))
        return 0;
    DWORD most = static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionMS;
    return (HIWORD(most) & 0xFF) << 8 | (LOWORD(most) & 0xFF);
}

} // namespace

void TakeWindowsAs(WindowsRelease release) {
    g_takenAs = release;
    static unsigned version;
    version = kReleaseVersions[static_cast<int>(release)];
    if (release != Latest) WindowsVersionEntry() = [] { return version; };
}

namespace {
// The table's row for a function; null where it has none.
const LookedUpFunction* RowOf(const char* fileName, const char* name) {
    for (const LookedUpFunction& function : kLookedUpFunctions) {
        if (!lstrcmpiA(function.library, fileName) && !std::strcmp(function.name, name)) return &function;
    }
    return nullptr;
}
} // namespace

bool WindowsHasFunction(const char* fileName, const char* name) {
    if (g_takenAs == Latest) return true;
    // A function missing from the table is missing from every older Windows.
    const LookedUpFunction* row = RowOf(fileName, name);
    return row && row->first <= g_takenAs;
}

void* LookUpFunction(HMODULE library, const char* fileName, const char* name) {
    if (!library || !WindowsHasFunction(fileName, name)) return nullptr;
    if (g_takenAs != Latest) {
        const LookedUpFunction* row = RowOf(fileName, name);
        if (g_takenAs < row->answersSo) return reinterpret_cast<void*>(row->before);
    }
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}

void LimitDllSearchWhereWindowsAllows() {
    if (auto setDllDirectory = LoadedFunction<SetDllDirectoryFunction>("kernel32.dll", "SetDllDirectoryA"))
        setDllDirectory("");
    auto setDefault =
        LoadedFunction<SetDefaultDirectoriesFunction>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && WindowsVersionEntry()() != kVista) setDefault(kSearchSystemFolder);
}

WindowsVersionFunction& WindowsVersionEntry() {
    static WindowsVersionFunction entry = AskWindowsVersion;
    return entry;
}

void ReadWindowsVersionFrom(const char* file) {
    g_versionFile = file;
}

char* SystemFolderPath(const char* fileName) {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return nullptr;
    // The folder is a root ("C:\") only on odd systems; it has its backslash then.
    const char* separator = folder[length - 1] == '\\' ? "" : "\\";
    return JoinTexts({folder, separator, fileName});
}

HMODULE LoadSystemLibrary(const char* fileName) {
    OwnedText path(SystemFolderPath(fileName));
    return path ? LoadLibraryA(path.get()) : nullptr;
}

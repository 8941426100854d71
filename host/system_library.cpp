// Where the program's libraries come from. Every library the program loads itself is
// loaded by its full path in the system folder (LoadSystemLibrary). Loads by bare name,
// which any library in the process may make, are limited at start:
// - SetDllDirectory("") takes the current folder out of the search (XP SP1 on);
// - SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) leaves the system folder
//   alone, taking the program's folder out too. It is called wherever kernel32 has it
//   (Windows 8 on, and Vista and 7 with KB2533623), whatever version Windows reports:
//   in a compatibility mode Windows 10 says 5.1. Not on Vista (6.0): there the shell
//   cannot make its link objects after the call, and the folder dialog needs them.
// What Windows loads before the program runs (its imports and theirs, and under Wine
// what Wine loads at a process's start) is searched for as Windows always does. What
// the limit costs: a shell extension whose own libraries lie only on the PATH may fail
// to load in the folder dialog.
#include "host/system_library.h"

#include "host/text.h"

namespace {

using SetDllDirectoryFunction = BOOL(WINAPI*)(const char*); // XP SP1
using SetDefaultDirectoriesFunction = BOOL(WINAPI*)(DWORD); // Windows 8, KB2533623
constexpr DWORD kSearchSystemFolder = 0x00000800;           // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr unsigned kVista = 0x0600;

unsigned AskWindowsVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return (version.dwMajorVersion & 0xFF) << 8 | (version.dwMinorVersion & 0xFF);
}

} // namespace

void LimitDllSearchWhereWindowsAllows() {
    if (auto setDllDirectory = LoadedFunction<SetDllDirectoryFunction>("kernel32.dll", "SetDllDirectoryA"))
        setDllDirectory("");
    if (WindowsVersionEntry()() == kVista) return;
    if (auto setDefault =
            LoadedFunction<SetDefaultDirectoriesFunction>("kernel32.dll", "SetDefaultDllDirectories"))
        setDefault(kSearchSystemFolder);
}

WindowsVersionFunction& WindowsVersionEntry() {
    static WindowsVersionFunction entry = AskWindowsVersion;
    return entry;
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

#include "host/system_library.h"

#include "host/text.h"

namespace {

using SetDllDirectoryFunction = BOOL(WINAPI*)(const char*); // XP SP1
using SetDefaultDirectoriesFunction = BOOL(WINAPI*)(DWORD); // Windows 8, KB2533623
constexpr DWORD kSearchSystemFolder = 0x00000800;           // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr unsigned kWindows7 = 0x0601;

unsigned AskWindowsVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return (version.dwMajorVersion & 0xFF) << 8 | (version.dwMinorVersion & 0xFF);
}

} // namespace

void LimitDllSearchToSystemFolder() {
    // An empty folder takes the current folder out of the search.
    if (auto setDllDirectory = LoadedFunction<SetDllDirectoryFunction>("kernel32.dll", "SetDllDirectoryA"))
        setDllDirectory("");
    // Only the system folder, for every load without a full path: from Windows 7 on.
    if (WindowsVersionEntry()() < kWindows7) return;
    if (auto setDefault =
            LoadedFunction<SetDefaultDirectoriesFunction>("kernel32.dll", "SetDefaultDllDirectories"))
        setDefault(kSearchSystemFolder);
}

WindowsVersionFunction& WindowsVersionEntry() {
    static WindowsVersionFunction entry = AskWindowsVersion;
    return entry;
}

char* SystemProgramPath(const char* fileName) {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return nullptr;
    // The folder is a root ("C:\") only on odd systems; it has its backslash then.
    const char* separator = folder[length - 1] == '\\' ? "" : "\\";
    return JoinTexts({folder, separator, fileName});
}

HMODULE LoadSystemLibrary(const char* fileName) {
    OwnedText path(SystemProgramPath(fileName));
    return path ? LoadLibraryA(path.get()) : nullptr;
}

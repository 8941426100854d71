#include "host/system_library.h"

#include "host/shell_commands.h"
#include "host/text.h"

namespace {

using SetDllDirectoryFunction = BOOL(WINAPI*)(const char*); // XP SP1
using SetDefaultDirectoriesFunction = BOOL(WINAPI*)(DWORD); // Windows 8, KB2533623
constexpr DWORD kSearchSystemFolder = 0x00000800;           // LOAD_LIBRARY_SEARCH_SYSTEM32

template <typename Function> Function KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)))
                  : nullptr;
}

} // namespace

void LimitDllSearchToSystemFolder() {
    // An empty folder takes the current folder out of the search.
    if (auto setDllDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryA"))
        setDllDirectory("");
    // Only the system folder, for every load without a full path.
    if (auto setDefault = KernelFunction<SetDefaultDirectoriesFunction>("SetDefaultDllDirectories"))
        setDefault(kSearchSystemFolder);
}

HMODULE LoadSystemLibrary(const char* fileName) {
    OwnedText path(SystemProgramPath(fileName));
    return path ? LoadLibraryA(path.get()) : nullptr;
}

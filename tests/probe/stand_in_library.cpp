// A stand-in for a library of Windows' own folder, for the tests that lay one beside a
// copy of a program: when LoadLibrary loads it, it leaves a mark, a file beside it
// named after itself with ".loaded" added; and the monitor DPI it gives is one no
// screen has. A load as another library's import leaves no mark: under Wine, with a
// library file preferred to Wine's own, the process's start takes a shcore.dll beside
// the program for the functions that Wine's shlwapi forwards there, whatever the
// program does (Windows 7 and 8 have no shcore.dll to forward to).
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID staticLoad) {
    if (reason != DLL_PROCESS_ATTACH || staticLoad) return TRUE;
    char path[MAX_PATH + 8] = "";
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    std::strcat(path, ".loaded");
    HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI GetDpiForMonitor(HMONITOR, int, UINT* x, UINT* y) {
    *x = *y = 333;
    return S_OK;
}

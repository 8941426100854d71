// Libraries that the program loads while it runs come from Windows' own folder, never
// from the program's folder or the current one, where a file of the same name could be
// anyone's (system_library.cpp says how).
#pragma once

#include <windows.h>

// Limits the DLL search as far as this Windows lets it: the current folder out
// from XP SP1 on, the system folder alone wherever kernel32 can say so, except on Vista.
// Called first thing at start.
void LimitDllSearchWhereWindowsAllows();
// The Windows version as 0xMMmm (major, minor): 0x0600 for Vista, read from kernel32's
// file version, which a compatibility mode does not change (GetVersionEx's answer it
// does). The entry can be replaced, so that a test can be any version.
using WindowsVersionFunction = unsigned (*)();
WindowsVersionFunction& WindowsVersionEntry();
// Makes the entry's own read take the version of another file than kernel32.dll, so
// that a test runs that read on a file of a version this Windows does not have. The
// program itself never calls it.
void ReadWindowsVersionFrom(const char* file);

// The Windows releases that the functions the program looks up came with, oldest first.
enum class WindowsRelease : unsigned char {
    Windows2000,
    Xp,
    XpSp1,
    Vista,
    Windows7,
    Windows8,
    Windows81,
    Windows10v1607,
    Windows10v1703,
    Latest, // this Windows, whatever it has
};
// Takes this Windows for an older release: from then on the program finds only the
// functions that the table of looked-up functions (system_library.cpp) gives that
// release, each answering as it does there, and the version is that release's, so
// that a test runs the paths the program takes there. The program itself never calls
// it.
void TakeWindowsAs(WindowsRelease release);
// A function looked up by name in a library: null where the library is null, or the
// function is not there, or is newer than the release the program takes Windows for.
void* LookUpFunction(HMODULE library, const char* fileName, const char* name);
// Whether the release the program takes Windows for has the function (always, as the
// program runs: then GetProcAddress alone tells).
bool WindowsHasFunction(const char* fileName, const char* name);

// The full path of a file in Windows' own folder (GetSystemDirectory), a program or a
// library, as a new heap text owned by the caller; the null text when the folder
// cannot be read.
char* SystemFolderPath(const char* fileName);
// A library of Windows' own folder, loaded by its full path; null where it is not there.
HMODULE LoadSystemLibrary(const char* fileName);

// A function of a library the program already has loaded (kernel32, user32 ...), looked
// up when the program runs: each is there from some Windows on, and missing before it.
template <typename Function> Function LoadedFunction(const char* module, const char* name) {
    return reinterpret_cast<Function>(LookUpFunction(GetModuleHandleA(module), module, name));
}

// A function of a library of Windows' own folder that the program loads for it (and
// keeps for its whole life), looked up when the program runs: null where the library
// or the function is missing. Never looked for anywhere else, where a file of that
// name could be anyone's.
template <typename Function> Function SystemFunction(const char* fileName, const char* name) {
    if (!WindowsHasFunction(fileName, name)) return nullptr; // nor is its library loaded
    return reinterpret_cast<Function>(LookUpFunction(LoadSystemLibrary(fileName), fileName, name));
}

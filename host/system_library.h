// Libraries that the program loads while it runs come from Windows' own folder, never
// from the program's folder or the current one, where a file of the same name could be
// anyone's (system_library.cpp says how).
#pragma once

#include <windows.h>

// Limits the DLL search as far as this Windows lets it: the current folder out
// everywhere, the system folder alone wherever kernel32 can say so, except on Vista.
// Called first thing at start.
void LimitDllSearchWhereWindowsAllows();
// The Windows version as 0xMMmm (major, minor): 0x0600 for Vista. The entry can be
// replaced, so that a test can be any version.
using WindowsVersionFunction = unsigned (*)();
WindowsVersionFunction& WindowsVersionEntry();
// The full path of a file in Windows' own folder (GetSystemDirectory), a program or a
// library, as a new heap text owned by the caller; the null text when the folder
// cannot be read.
char* SystemFolderPath(const char* fileName);
// A library of Windows' own folder, loaded by its full path; null where it is not there.
HMODULE LoadSystemLibrary(const char* fileName);

// A function of a library the program already has loaded (kernel32, user32 ...), looked
// up when the program runs: each is there from some Windows on, and missing before it.
template <typename Function> Function LoadedFunction(const char* module, const char* name) {
    HMODULE loaded = GetModuleHandleA(module);
    return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)))
                  : nullptr;
}

// A function of a library of Windows' own folder that the program loads for it (and
// keeps for its whole life), looked up when the program runs: null where the library
// or the function is missing. Never looked for anywhere else, where a file of that
// name could be anyone's.
template <typename Function> Function SystemFunction(const char* fileName, const char* name) {
    HMODULE loaded = LoadSystemLibrary(fileName);
    return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)))
                  : nullptr;
}

// Libraries that the program loads while it runs come from Windows' own folder, never
// from the program's folder or the current one, where a file of the same name could be
// anyone's. What Windows loads before the program runs (its imports and theirs, and
// under Wine what Wine loads at a process's start) is searched for as Windows always
// does. What the limit costs: a shell extension whose own libraries lie only on the
// PATH may fail to load in the folder dialog.
#pragma once

#include <windows.h>

// Takes the current folder out of the DLL search (SetDllDirectory, XP SP1 on), and from
// Windows 7 on the program's folder too (SetDefaultDllDirectories, Windows 8 and updated
// Windows 7): on Vista the shell cannot make its link objects after that call, and the
// folder dialog needs them. Called first thing at start.
void LimitDllSearchToSystemFolder();
// The Windows version as 0xMMmm (major, minor): 0x0601 for Windows 7. The entry can be
// replaced, so that a test can be any version.
using WindowsVersionFunction = unsigned (*)();
WindowsVersionFunction& WindowsVersionEntry();
// The full path of a file in Windows' own folder (GetSystemDirectory), as a new
// heap text owned by the caller; the null text when the folder cannot be read.
char* SystemProgramPath(const char* fileName);
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

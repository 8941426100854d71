// A fault in the program's own code ends the program as a crash does, also where
// Windows would pass over it. Windows calls the program back from inside its own calls
// (a window procedure inside SetWindowPos, DefWindowProc, ShowWindow ...), and a fault
// raised in such a callback may be caught there and the call simply returned: a
// 32-bit program on 64-bit Windows, and Wine always. The handler that faulted then
// stops halfway and the program goes on with its work half done. So the first sight of
// such a fault, in a vectored handler, which runs before any frame's handler can hide
// it, hands it to UnhandledExceptionFilter, as an unhandled fault would be (Windows'
// error report, or the debugger that the system names), and ends the process with the
// fault's code.
//
// Only faults raised in the program's own image count: Windows' code may fault and
// recover on purpose, and the program itself handles no fault anywhere (it is built
// without exceptions and has no structured handlers).
//
// Tested by tests/fault_watch_check.sh (a fault inside a window procedure that Wine
// would pass over ends the run as a crash) and, in every test program, through
// tests/support/test_main.cpp, which starts the watch.
#include "host/fault_watch.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "host/system_library.h"

namespace {

constexpr DWORD kFaults[] = {
    EXCEPTION_ACCESS_VIOLATION,   EXCEPTION_ARRAY_BOUNDS_EXCEEDED, EXCEPTION_DATATYPE_MISALIGNMENT,
    EXCEPTION_FLT_DIVIDE_BY_ZERO, EXCEPTION_FLT_INVALID_OPERATION, EXCEPTION_ILLEGAL_INSTRUCTION,
    EXCEPTION_IN_PAGE_ERROR,      EXCEPTION_INT_DIVIDE_BY_ZERO,    EXCEPTION_INT_OVERFLOW,
    EXCEPTION_PRIV_INSTRUCTION,   EXCEPTION_STACK_OVERFLOW,
};

const char* g_imageStart = nullptr;
const char* g_imageEnd = nullptr;

LONG CALLBACK EndOnOwnFault(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    const char* address = static_cast<const char*>(record->ExceptionAddress);
    if (address < g_imageStart || address >= g_imageEnd ||
        std::find(std::begin(kFaults), std::end(kFaults), record->ExceptionCode) == std::end(kFaults))
        return EXCEPTION_CONTINUE_SEARCH;
    UnhandledExceptionFilter(pointers);
    TerminateProcess(GetCurrentProcess(), record->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void WatchForFaultsInOwnCode() {
    using AddHandlerFunction = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
    if (g_imageStart) return;
    auto addHandler = LoadedFunction<AddHandlerFunction>("kernel32.dll", "AddVectoredExceptionHandler");
    if (!addHandler) return;
    const auto* image = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    g_imageStart = image;
    g_imageEnd = image + nt->OptionalHeader.SizeOfImage;
    addHandler(1, EndOnOwnFault);
}

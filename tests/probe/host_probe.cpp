// A host program for the outside tests: the first argument picks what it does, the
// second (when given) names a file that its end routine creates.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/fatal.h"
#include "host/runtime.h"
#include "host/text.h"

namespace {

const char* g_marker = nullptr;

void WriteMarker() {
    if (!g_marker) return;
    if (FILE* file = std::fopen(g_marker, "w")) std::fclose(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitializeHost();
    const char* mode = __argc > 1 ? __argv[1] : "";
    g_marker = __argc > 2 ? __argv[2] : nullptr;
    AddEndRoutine(WriteMarker);

    if (!std::strcmp(mode, "alloc-fail")) {
        // More than a 32-bit process can ever hold in one block.
        AllocateBlock(0x7FFFFFFF);
    } else if (!std::strcmp(mode, "fatal-code")) {
        ReportFatalError("测试信息", 42);
    } else if (!std::strcmp(mode, "fatal-empty")) {
        ReportFatalError(nullptr, 0);
    } else if (!std::strcmp(mode, "end-normally")) {
        EndProgram(0);
    }
    return 3; // an unknown mode
}

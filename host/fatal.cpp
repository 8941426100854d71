#include "host/fatal.h"

#include <windows.h>

#include <cstring>

#include "host/characters.h"
#include "host/host_state.h"

namespace {

RuntimeErrorHook g_hook = nullptr;
ProgramEnd g_end = nullptr;

// Appends `text` to the report, stopping short of the end of the buffer but never
// in the middle of a double-byte character.
void Append(char* report, std::size_t capacity, const char* text) {
    std::size_t used = std::strlen(report);
    while (*text) {
        auto step = static_cast<std::size_t>(NextCharacter(text) - text);
        if (used + step >= capacity) break;
        std::memcpy(report + used, text, step);
        used += step;
        text += step;
    }
    report[used] = '\0';
}

} // namespace

void SetRuntimeErrorHook(RuntimeErrorHook hook) {
    g_hook = hook;
}

void SetFatalReportEnd(ProgramEnd end) {
    g_end = end;
}

void ReportFatalError(const char* message, std::int32_t code) {
    // No handler may run while the box is up, although the windows keep their messages.
    ++Host().eventSuppression;

    // Composed on the stack: the report must still come out when the heap is exhausted.
    char report[4096] = "运行时出错!\r\n\r\n";
    if (code != 0) {
        // USER32's formatter: at most 25 bytes here, and no C runtime formatting in the program.
        char codeLine[48];
        wsprintfA(codeLine, "错误代码：%d\r\n\r\n", static_cast<int>(code));
        Append(report, sizeof report, codeLine);
    }
    if (message && *message) {
        Append(report, sizeof report, "错误信息：");
        Append(report, sizeof report, message);
        Append(report, sizeof report, "\r\n");
    }

    if (!(g_hook && g_hook(code, message))) MessageBoxA(nullptr, report, "错误", MB_OK | MB_ICONERROR);

    Host().endRoutines.clear();
    if (g_end) g_end(-1);
    ExitProcess(static_cast<UINT>(-1));
}

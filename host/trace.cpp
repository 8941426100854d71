#include "host/trace.h"

#ifdef PANEL_TRACE_POINTS
#include <windows.h>

#include <cstdio>

namespace {

struct Moment {
    LONGLONG counter;
    const char* name;
};
Moment g_moments[64];
int g_count = 0;

} // namespace

void TracePoint(const char* name) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (g_count < static_cast<int>(sizeof g_moments / sizeof g_moments[0]))
        g_moments[g_count++] = {now.QuadPart, name};
}

void WriteTracePoints() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("PANEL_TRACE_FILE", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    FILE* file = std::fopen(path, "w");
    if (!file) return;
    for (int i = 0; i < g_count; ++i)
        std::fprintf(file, "%.0f %s\n", static_cast<double>(g_moments[i].counter), g_moments[i].name);
    std::fclose(file);
}
#endif

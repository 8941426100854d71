#include "host/start.h"

#include "host/fatal.h"
#include "host/message_loop.h"
#include "host/runtime.h"
#include "host/trace.h"
#include "host/window_load.h"

namespace {

const ProgramDescription* g_program = nullptr;

void NoDataCleanUp() {}

} // namespace

int StartProgram() {
    InitializeHost();
    PANEL_TRACE("host initialised");
    ReadWindowList(*g_program);
    PANEL_TRACE("window list read");
    if (g_program->initializeData) g_program->initializeData();
    AddEndRoutine(g_program->cleanUpData ? g_program->cleanUpData : NoDataCleanUp);
    if (!FindWindowEntry(g_program->startWindow) || !LoadWindow(g_program->startWindow, false, nullptr))
        ReportFatalError("载入启动窗口失败", 0);
    RunMessageLoop();
    return 0;
}

int RunHostProgram(const ProgramDescription& program) {
    PANEL_TRACE("process entry");
    g_program = &program;
    StartProgram();
    // Instance exit: the end-of-program clean-up, then the quit message's code.
    RunProgramEndCleanup(0);
    PANEL_TRACE_WRITE();
    return static_cast<int>(LastQuitCode());
}

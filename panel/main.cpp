// QuarvelPanel.exe's entry: the host runs the panel's window list (layout.h).
// Tested by tests/panel_process_test.cpp and tests/panel_end_to_end_test.cpp, which start this exe.
#include <windows.h>

#include "host/start.h"
#include "panel/layout.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunHostProgram(kPanelProgram);
}

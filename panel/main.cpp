#include <windows.h>

#include "host/start.h"
#include "panel/layout.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunHostProgram(kPanelProgram);
}

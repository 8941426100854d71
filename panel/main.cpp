#include <windows.h>

#include "host/start.h"

namespace {

constexpr WindowProperties kMainWindow{.title = "Quarvel", .border = WindowBorder::FixedSunken,
                                       .escapeCloses = true};
constexpr UnitDescription kUnits[] = {
    {.id = 0x06010000, .type = kTypeWindow, .left = 50, .top = 50, .width = 740, .height = 521,
     .properties = &kMainWindow},
};
constexpr WindowDescription kWindows[] = {{0x52010001, kUnits}};
constexpr ProgramDescription kProgram{kWindows, 0x52010001};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunHostProgram(kProgram); }

// The panel's main window against its designed layout at a DPI, as a start at that DPI
// lays it out: the client area, every control's rectangle and font. Every expected
// value comes from the tests' own table of the design (control_table.h), from this
// file's own arithmetic and figures, or from GDI: never from the program's layout
// table, scaling or fonts, so that a wrong row or rule there cannot move the
// expectation with it.
#pragma once

#include <windows.h>

namespace panelcheck {

// The client area at a DPI: 730 x 492 at 96, scaled (a figure of this file's own for
// each DPI a test meets; a failure for any other).
SIZE ClientAreaAt(int dpi);

// The screen's DPI, as GDI gives it to this process.
int ScreenDpi();

// The least height of a one-line edit box of the default GUI font at a DPI: a line of
// that font and the box's two edges (figures of this file's own).
int OneLineBoxLeastHeightAt(int dpi);

// The client area and every control as a start at `dpi` lays them out: each control's
// rectangle (a one-line box as high as its line needs, where that is more), its font
// (the stored one or the default GUI font, at that DPI), and its text fitting in it.
void ExpectLaidOutAt(HWND window, int dpi);

} // namespace panelcheck

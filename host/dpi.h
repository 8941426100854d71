// Dots per inch: the layout is written in pixels at 96 DPI and scaled to the DPI of the
// window it lands in. The Windows functions for a window's own DPI came after the
// program's floor (Windows 2000), so they are looked up when the program runs; where
// they are missing, the screen's DPI is every window's.
#pragma once

#include <windows.h>

#include "host/handles.h"

inline constexpr int kLayoutDpi = 96;

// The screen's DPI (LOGPIXELSX), which the system's own fonts are made for.
int SystemDpi();
// The DPI of the monitor a window is on, as Windows scales for it.
int WindowDpi(HWND hwnd);

// A layout length at a DPI. One rounding rule everywhere: to the nearest pixel,
// halves away from zero (MulDiv).
inline int ScaleToDpi(int length, int dpi) {
    return MulDiv(length, dpi, kLayoutDpi);
}
// A layout rectangle at a DPI: its edges are scaled, so that rectangles that meet at
// 96 DPI meet at every DPI.
RECT ScaleRect(int left, int top, int width, int height, int dpi);

// The client size that a window of these styles has when its outer size is as given,
// with Windows' classic frame metrics at 96 DPI (the metrics the layout was drawn with).
SIZE ClassicClientSize(int outerWidth, int outerHeight, DWORD style, DWORD extended);
// The outer size of a window of these styles whose client area has this size, with the
// frame metrics Windows uses at the DPI.
SIZE OuterSizeForClient(SIZE client, DWORD style, DWORD extended, int dpi);

// A system metric at a DPI (GetSystemMetricsForDpi where Windows has it, else the
// screen's value scaled).
int MetricForDpi(int index, int dpi);

// The default GUI font made for a DPI: null at the screen's own DPI, where the stock
// DEFAULT_GUI_FONT is that font already.
FontHandle CreateDefaultGuiFont(int dpi);
// A stored font (its height in pixels at 96 DPI) made for a DPI, with character set,
// precisions, quality and pitch replaced; null when there is none or it cannot be made.
FontHandle CreateStoredFont(const LOGFONTA* stored, int dpi);

// Dots per inch: the layout is written in pixels at 96 DPI and scaled to the DPI of the
// window it lands in. The Windows functions for a window's own DPI came after the
// program's floor (Windows 2000), so they are looked up when the program runs; where
// they are missing, the screen's DPI is every window's.
// Tested by tests/dpi_test.cpp (PanelAtDpi.*, at 96 to 192 DPI and as older Windows) and
// tests/main_window_dpi_change_test.cpp.
#pragma once

#include <windows.h>

#include "host/handles.h"

inline constexpr int kLayoutDpi = 96;

// The screen's DPI (LOGPIXELSX), which the system's own fonts are made for.
int SystemDpi();
// The DPI of the monitor a window is on, as Windows scales for it.
int WindowDpi(HWND hwnd);
// The DPI Windows 8.1 on gives the monitor a window is on (GetDpiForMonitor, from the
// system folder's shcore.dll); 0 where it cannot tell.
int MonitorDpi(HWND hwnd);

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
// frame metrics Windows uses at `frameDpi` (0: the screen's own frame metrics).
SIZE OuterSizeForClient(SIZE client, DWORD style, DWORD extended, int frameDpi);

// Whether Windows draws a window's frame and its controls' edges for the window's own
// DPI without being asked: per-monitor awareness version 2 (Windows 10 1703 on).
// Before that, and under the first version, they keep the screen's metrics (under the
// first, a window can ask for its own frame, never for its controls').
bool FramesFollowWindowDpi();
// Asks Windows to draw a window's frame for its DPI (EnableNonClientDpiScaling, Windows
// 10 1607 on, in WM_NCCREATE); null where Windows has no such function. The entry can
// be replaced, so that a test sees the call.
using EnableNonClientScalingFunction = BOOL(WINAPI*)(HWND);
EnableNonClientScalingFunction& EnableNonClientScalingEntry();

// A system metric at a DPI (GetSystemMetricsForDpi where Windows has it, else the
// screen's value scaled).
int MetricForDpi(int index, int dpi);
// A metric of what Windows draws around a control itself (its edges) at a DPI: the
// metric for that DPI where Windows draws them so (FramesFollowWindowDpi), else the
// screen's, which Windows then draws them with at every DPI (before Windows 10 1703,
// and on 1607 too, whose per-monitor awareness scales no control's edges).
int EdgeMetricForDpi(int index, int dpi);

// The default GUI font made for a DPI: the stock DEFAULT_GUI_FONT taken back to 96 DPI
// and scaled from there; null where that is the stock font itself.
FontHandle CreateDefaultGuiFont(int dpi);
// A stored font (its height in pixels at 96 DPI) made for a DPI, with character set,
// precisions, quality and pitch replaced; null when there is none or it cannot be made.
FontHandle CreateStoredFont(const LOGFONTA* stored, int dpi);

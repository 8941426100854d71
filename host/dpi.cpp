#include "host/dpi.h"

#include "host/system_library.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);                         // Windows 10 1607
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT); // Windows 10 1607
using MetricForDpiFunction = int(WINAPI*)(int, UINT);                        // Windows 10 1607
using MonitorDpiFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);    // Windows 8.1, shcore
using ThreadContextFunction = HANDLE(WINAPI*)();                             // Windows 10 1607
using ContextsEqualFunction = BOOL(WINAPI*)(HANDLE, HANDLE);                 // Windows 10 1607

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
const auto kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

} // namespace

int MonitorDpi(HWND hwnd) {
    // Windows 7 has no shcore.dll in the system folder, and Windows 8's has no
    // GetDpiForMonitor: it is never looked for anywhere else, where a file of that name
    // could be anyone's.
    static auto getForMonitor = SystemFunction<MonitorDpiFunction>("shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (!getForMonitor) return 0;
    HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    return SUCCEEDED(getForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) ? static_cast<int>(x) : 0;
}

int SystemDpi() {
    static int dpi = [] {
        HDC screen = GetDC(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : kLayoutDpi;
    }();
    return dpi;
}

int WindowDpi(HWND hwnd) {
    static auto getForWindow = LoadedFunction<GetDpiForWindowFunction>("user32.dll", "GetDpiForWindow");
    if (getForWindow && hwnd) {
        if (UINT dpi = getForWindow(hwnd)) return static_cast<int>(dpi);
    }
    // Windows 8.1 scales per monitor without that function.
    if (int dpi = hwnd ? MonitorDpi(hwnd) : 0) return dpi;
    return SystemDpi();
}

RECT ScaleRect(int left, int top, int width, int height, int dpi) {
    return {ScaleToDpi(left, dpi), ScaleToDpi(top, dpi), ScaleToDpi(left + width, dpi),
            ScaleToDpi(top + height, dpi)};
}

SIZE ClassicClientSize(int outerWidth, int outerHeight, DWORD style, DWORD extended) {
    // Windows' classic metrics at 96 DPI: caption 18 pixels and its line, small
    // caption 15 and its line, dialog frame 3, sizing frame 4, border 1, edge 2.
    int x = 0, y = 0;
    if (style & WS_THICKFRAME) {
        x = y = 4;
    } else if ((style & WS_DLGFRAME) || (extended & WS_EX_DLGMODALFRAME)) {
        x = y = 3;
    } else if (style & WS_BORDER) {
        x = y = 1;
    }
    if (extended & WS_EX_CLIENTEDGE) x += 2, y += 2;
    if (extended & WS_EX_STATICEDGE) x += 1, y += 1;
    int caption = (style & WS_CAPTION) == WS_CAPTION ? ((extended & WS_EX_TOOLWINDOW) ? 16 : 19) : 0;
    return {outerWidth - 2 * x, outerHeight - 2 * y - caption};
}

SIZE OuterSizeForClient(SIZE client, DWORD style, DWORD extended, int frameDpi) {
    static auto adjustForDpi = LoadedFunction<AdjustForDpiFunction>("user32.dll", "AdjustWindowRectExForDpi");
    RECT outer{0, 0, client.cx, client.cy};
    if (frameDpi <= 0 || !adjustForDpi ||
        !adjustForDpi(&outer, style, FALSE, extended, static_cast<UINT>(frameDpi))) {
        outer = {0, 0, client.cx, client.cy};
        AdjustWindowRectEx(&outer, style, FALSE, extended);
    }
    return {outer.right - outer.left, outer.bottom - outer.top};
}

bool FramesFollowWindowDpi() {
    static auto threadContext =
        LoadedFunction<ThreadContextFunction>("user32.dll", "GetThreadDpiAwarenessContext");
    static auto contextsEqual =
        LoadedFunction<ContextsEqualFunction>("user32.dll", "AreDpiAwarenessContextsEqual");
    return threadContext && contextsEqual && contextsEqual(threadContext(), kPerMonitorAwareV2);
}

EnableNonClientScalingFunction& EnableNonClientScalingEntry() {
    static auto entry =
        LoadedFunction<EnableNonClientScalingFunction>("user32.dll", "EnableNonClientDpiScaling");
    return entry;
}

namespace {
MetricForDpiFunction SystemMetricForDpi() {
    static auto metricForDpi = LoadedFunction<MetricForDpiFunction>("user32.dll", "GetSystemMetricsForDpi");
    return metricForDpi;
}
} // namespace

int MetricForDpi(int index, int dpi) {
    if (auto metricForDpi = SystemMetricForDpi()) return metricForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

int EdgeMetricForDpi(int index, int dpi) {
    auto metricForDpi = SystemMetricForDpi();
    if (metricForDpi && FramesFollowWindowDpi()) return metricForDpi(index, static_cast<UINT>(dpi));
    return GetSystemMetrics(index);
}

FontHandle CreateDefaultGuiFont(int dpi) {
    LOGFONTA font{};
    if (!GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return FontHandle();
    // The stock font is made for the screen's DPI. Taken back to 96 DPI once, it is
    // scaled from there like every length of the layout, so that a window gets the
    // same font at a DPI whether it started there or moved there.
    LONG height = ScaleToDpi(MulDiv(font.lfHeight, kLayoutDpi, SystemDpi()), dpi);
    LONG width = ScaleToDpi(MulDiv(font.lfWidth, kLayoutDpi, SystemDpi()), dpi);
    if (height == font.lfHeight && width == font.lfWidth) return FontHandle(); // the stock font is that font
    font.lfHeight = height;
    font.lfWidth = width;
    return FontHandle(CreateFontIndirectA(&font));
}

FontHandle CreateStoredFont(const LOGFONTA* stored, int dpi) {
    if (!stored) return FontHandle();
    LOGFONTA font = *stored;
    font.lfHeight = ScaleToDpi(font.lfHeight, dpi);
    font.lfWidth = ScaleToDpi(font.lfWidth, dpi);
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = 0;
    font.lfClipPrecision = 0;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = 0;
    return FontHandle(CreateFontIndirectA(&font));
}

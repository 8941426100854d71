// The reference that the start driver (start_driver.cpp) measures the panel against: a
// bare program that makes what the panel shows with plain CreateWindowExA calls on one
// thread, and runs a bare message loop. Of the program it uses the panel's layout table
// and the host's picture decoder (and links the libraries that hold them), and the
// host's trace points (host/trace.h), which only the traced_reference build compiles
// in; none of the host's window, control or message code. From the table it makes the
// same window (class "KZWindow", the same styles, centred) and the same 49 controls, in
// the same order and at the same places, with the same borders and fonts: the edit
// boxes sunken or with a line border as the table says, the hint a label of a class of
// its own that paints its caption in its colours, 按钮1 in its stored 宋体, every other
// control in DEFAULT_GUI_FONT. It does what a bare program does best for its picture:
// decodes it from its own data before it shows its window, so that the first paint
// only tiles it. What it leaves out is what a user does not see at start: no keyboard
// interface but Esc, no events, no screen-reader names, no high contrast, no DPI but
// 96, no icons of its own.
#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "host/background_picture.h"
#include "host/trace.h"
#include "panel/layout.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;
};
Picture g_picture;

void DecodePicture() {
    HRSRC found = FindResourceA(nullptr, "BACKGROUND", MAKEINTRESOURCEA(10));
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    std::vector<std::uint8_t> rows;
    if (!DecodeJpeg({bytes, SizeofResource(nullptr, found)}, g_picture.width, g_picture.height, rows)) return;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, g_picture.width, -g_picture.height, 1, 24, BI_RGB};
    void* bits = nullptr;
    g_picture.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    memcpy(bits, rows.data(), rows.size());
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PANEL_TRACE("WM_PAINT begun");
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, g_picture.bitmap);
        for (int y = 0; y < client.bottom; y += g_picture.height)
            for (int x = 0; x < client.right; x += g_picture.width)
                BitBlt(dc, x, y, g_picture.width, g_picture.height, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        EndPaint(hwnd, &paint);
        PANEL_TRACE("WM_PAINT ended");
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A colour of the layout: 0xFF000000 stands for the system's button face.
COLORREF Colour(COLORREF stored) {
    return stored == 0xFF000000 ? GetSysColor(COLOR_BTNFACE) : stored;
}

// The label keeps its font and its unit in its window's extra bytes.
enum LabelSlot { kLabelFont = 0, kLabelUnit = sizeof(LONG_PTR) };

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFONT:
        SetWindowLongPtrA(hwnd, kLabelFont, static_cast<LONG_PTR>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        auto* unit = reinterpret_cast<const UnitDescription*>(GetWindowLongPtrA(hwnd, kLabelUnit));
        const auto& p = *static_cast<const LabelProperties*>(unit->properties);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH background = CreateSolidBrush(Colour(p.background));
        FillRect(dc, &client, background);
        DeleteObject(background);
        HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(GetWindowLongPtrA(hwnd, kLabelFont)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, Colour(p.textColour));
        DrawTextA(dc, unit->text, -1, &client, DT_NOCLIP | DT_LEFT | DT_SINGLELINE | DT_VCENTER);
        SelectObject(dc, font);
        EndPaint(hwnd, &paint);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A stored font as the host makes it at 96 DPI.
HFONT StoredFont(const LOGFONTA& stored) {
    LOGFONTA font = stored;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = 0;
    font.lfClipPrecision = 0;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = 0;
    return CreateFontIndirectA(&font);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    PANEL_TRACE("process entry");
    WNDCLASSA windowClass{
        CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, WindowProc, 0,       0,         instance, nullptr,
        LoadCursorA(nullptr, IDC_ARROW),      nullptr,    nullptr, "KZWindow"};
    RegisterClassA(&windowClass);
    WNDCLASSA labelClass{0,
                         LabelProc,
                         0,
                         2 * sizeof(LONG_PTR),
                         instance,
                         nullptr,
                         LoadCursorA(nullptr, IDC_ARROW),
                         nullptr,
                         nullptr,
                         "ReferenceLabel"};
    RegisterClassA(&labelClass);
    const UnitDescription& main = kMainWindow.units[0];
    HWND window = CreateWindowExA(
        WS_EX_CLIENTEDGE, "KZWindow", main.text, WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        (GetSystemMetrics(SM_CXSCREEN) - 740) / 2, (GetSystemMetrics(SM_CYSCREEN) - 521) / 2, 740, 521,
        nullptr, nullptr, instance, nullptr);
    PANEL_TRACE("window created");
    HGDIOBJ guiFont = GetStockObject(DEFAULT_GUI_FONT);
    int id = 100;
    for (std::size_t i = kControlCount; i >= 1; --i, id += 10) {
        const UnitDescription& unit = kMainWindow.units[i];
        const char* className = "ReferenceLabel";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (unit.tabStop ? WS_TABSTOP : 0);
        DWORD extended = 0;
        const LOGFONTA* storedFont = nullptr;
        if (unit.type == kTypeEditBox) {
            className = "EDIT";
            style |= ES_AUTOHSCROLL;
            const auto& p = *static_cast<const EditBoxProperties*>(unit.properties);
            if (p.border == ControlBorder::SingleLine) style |= WS_BORDER;
            if (p.border == ControlBorder::Sunken) extended |= WS_EX_CLIENTEDGE;
            storedFont = p.font;
        } else if (unit.type == kTypeButton) {
            className = "BUTTON";
            style |= BS_MULTILINE | BS_CENTER | BS_VCENTER;
            storedFont = static_cast<const ButtonProperties*>(unit.properties)->font;
        }
        HWND control = CreateWindowExA(extended, className, unit.text, style, unit.left, unit.top, unit.width,
                                       unit.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       instance, nullptr);
        if (unit.type == kTypeLabel)
            SetWindowLongPtrA(control, kLabelUnit, reinterpret_cast<LONG_PTR>(&unit));
        HGDIOBJ font = storedFont ? StoredFont(*storedFont) : guiFont;
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    PANEL_TRACE("controls created");
    DecodePicture();
    PANEL_TRACE("picture decoded");
    ShowWindow(window, SW_SHOW);
    PANEL_TRACE("shown");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    PANEL_TRACE_WRITE();
    return 0;
}

// The reference for the start-up and memory figures: the same window, the same 49
// controls and the same tiled picture, made with plain CreateWindowExA calls and a
// bare message loop. Of the program it uses only the panel's layout table and the
// host's picture decoder (and links the libraries that hold them), none of the
// host's window, control or message code.
#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "host/background_picture.h"
#include "panel/layout.h"

namespace {

struct Picture {
    bool tried = false;
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;
};
Picture g_picture;

void EnsurePicture() {
    if (g_picture.tried) return;
    g_picture.tried = true;
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
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        EnsurePicture();
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

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{
        CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, WindowProc, 0,       0,         instance, nullptr,
        LoadCursorA(nullptr, IDC_ARROW),      nullptr,    nullptr, "KZWindow"};
    RegisterClassA(&windowClass);
    const UnitDescription& main = kMainWindow.units[0];
    HWND window = CreateWindowExA(
        WS_EX_CLIENTEDGE, "KZWindow", main.text, WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        (GetSystemMetrics(SM_CXSCREEN) - 740) / 2, (GetSystemMetrics(SM_CYSCREEN) - 521) / 2, 740, 521,
        nullptr, nullptr, instance, nullptr);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    int id = 100;
    for (std::size_t i = kControlCount; i >= 1; --i, id += 10) {
        const UnitDescription& unit = kMainWindow.units[i];
        const char* className = unit.type == kTypeEditBox  ? "EDIT"
                                : unit.type == kTypeButton ? "BUTTON"
                                                           : "STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (unit.tabStop ? WS_TABSTOP : 0);
        style |= unit.type == kTypeEditBox  ? ES_AUTOHSCROLL
                 : unit.type == kTypeButton ? BS_MULTILINE | BS_CENTER | BS_VCENTER
                                            : 0;
        HWND control = CreateWindowExA(unit.type == kTypeEditBox ? WS_EX_CLIENTEDGE : 0, className, unit.text,
                                       style, unit.left, unit.top, unit.width, unit.height, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

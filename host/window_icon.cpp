// The window's large and small icons, made from the one stored ICO image at the sizes
// Windows wants for the window's DPI.
// Tested by tests/main_window_icons_test.cpp.
#include <windows.h>

#include "host/dpi.h"
#include "host/window_object.h"

namespace {

// The first image of an ICO file, as an icon of the given size.
HICON IconFromFile(std::span<const std::uint8_t> ico, int size) {
    if (ico.size() < 6 + 16) return nullptr;
    auto word = [&](std::size_t at) { return static_cast<unsigned>(ico[at] | ico[at + 1] << 8); };
    auto dword = [&](std::size_t at) { return word(at) | word(at + 2) << 16; };
    if (word(0) != 0 || word(2) != 1 || word(4) < 1) return nullptr;
    std::size_t bytes = dword(6 + 8), offset = dword(6 + 12);
    if (offset >= ico.size() || bytes > ico.size() - offset) return nullptr;
    return CreateIconFromResourceEx(const_cast<std::uint8_t*>(ico.data() + offset), static_cast<DWORD>(bytes),
                                    TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

} // namespace

void WindowObject::UseIcons(int dpi) {
    IconHandle big(IconFromFile(icon_, MetricForDpi(SM_CXICON, dpi)));
    IconHandle small(IconFromFile(icon_, MetricForDpi(SM_CXSMICON, dpi)));
    // Without an icon of its own the window shows the program file's.
    HICON programIcon = big && small ? nullptr : LoadIconA(GetModuleHandleA(nullptr), "DEFAULT_ICON");
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big.get() : programIcon));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small.get() : programIcon));
    // The window has its new icons: the ones it had go now.
    bigIcon_ = std::move(big);
    smallIcon_ = std::move(small);
}

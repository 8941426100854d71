#include "tests/support/ui.h"

#include <cstring>

#include "host/message_loop.h"
#include "host/window_list.h"

namespace ui {

void Pump(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            if (!PreTranslateMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (milliseconds) Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

HWND UnitHandle(std::uint32_t windowId, const char* unitName) {
    WindowEntry* entry = FindWindowEntry(windowId);
    if (!entry) return nullptr;
    for (const Unit& unit : entry->units) {
        if (!std::strcmp(unit.description->name, unitName)) return unit.live ? unit.live->Handle() : nullptr;
    }
    return nullptr;
}

void ClickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

void Click(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    ClickAt((place.left + place.right) / 2, (place.top + place.bottom) / 2);
}

void PressKey(WORD key) {
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

} // namespace ui

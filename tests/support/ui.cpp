#include "tests/support/ui.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "host/message_loop.h"
#include "host/window_load.h"

namespace ui {

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        if (!PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return false;
        // Until the next message comes in; at most 10 ms, since what the condition asks
        // about may also change without a message to this thread.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, milliseconds - elapsed),
                                  QS_ALLINPUT);
    }
}

std::string Text(HWND hwnd) {
    char text[1024] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

RECT PlaceInParent(HWND hwnd) {
    RECT place;
    GetWindowRect(hwnd, &place);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

HWND UnitHandle(std::uint32_t windowId, const char* unitName) {
    WindowEntry* entry = FindWindowEntry(windowId);
    if (!entry) return nullptr;
    for (const Unit& unit : entry->units) {
        if (!std::strcmp(unit.description->name, unitName)) return unit.live ? unit.live->Handle() : nullptr;
    }
    return nullptr;
}

// A click as the window under the point receives it. The X displays the tests run on
// do not let anyone move their pointer, and Wine keeps moving its own pointer back to
// the X pointer's place (on the next event of a window there, or on a read of the
// position): a click sent through the input queue can land in the screen's centre
// instead (seen about one time in three). So the press and release go straight to
// the window, with the coordinates that the input queue would have given it.
void ClickAt(int x, int y) {
    POINT at{x, y};
    HWND window = WindowFromPoint(at);
    if (!window) return;
    ScreenToClient(window, &at);
    LPARAM place = MAKELPARAM(at.x, at.y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, place);
    PostMessageA(window, WM_LBUTTONUP, 0, place);
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

namespace {

HTREEITEM Next(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string ItemText(HWND tree, HTREEITEM item) {
    char text[260] = "";
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

} // namespace

// The name under which the dialog shows the computer (the drives' folder).
std::string ComputerName() {
    LPITEMIDLIST drives = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) return {};
    SHFILEINFOA info{};
    SHGetFileInfoA(reinterpret_cast<const char*>(drives), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(drives);
    return info.szDisplayName;
}

HTREEITEM FindTreeItem(HWND tree, const char* part, HTREEITEM* parent) {
    // Only the computer's branch is opened: every other folder of the desktop would
    // list whatever the machine running the test has there.
    std::string computer = ComputerName();
    if (computer.empty()) return nullptr;
    for (HTREEITEM top = Next(tree, TVGN_ROOT, nullptr); top; top = Next(tree, TVGN_NEXT, top)) {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
        for (HTREEITEM child = Next(tree, TVGN_CHILD, top); child; child = Next(tree, TVGN_NEXT, child)) {
            if (ItemText(tree, child) != computer) continue;
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(child));
            for (HTREEITEM item = Next(tree, TVGN_CHILD, child); item; item = Next(tree, TVGN_NEXT, item)) {
                if (ItemText(tree, item).find(part) == std::string::npos) continue;
                if (parent) *parent = child;
                return item;
            }
        }
    }
    return nullptr;
}

} // namespace ui

// Driving the program's windows from a test: the loop's way of handling queued
// messages, looking up controls by unit name, clicks posted as the mouse's messages,
// keys through the system's input queue, and hooks that watch this thread's messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

namespace ui {

// Handles this thread's queued messages as the message loop does (WM_QUIT is
// dropped), until none is left.
void Pump();
// Handles them until `done` holds or the time is up; says whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds);

// A window's text, and its place in its parent's client area.
std::string Text(HWND hwnd);
RECT PlaceInParent(HWND hwnd);

// The live control of a loaded window, by unit name; null when there is none.
HWND UnitHandle(std::uint32_t windowId, const char* unitName);

// A left click at a screen point (or a control's centre): the button-down and
// button-up messages posted to the window under it, not input through the system's
// queue. A key pressed and released through the system's input queue.
void ClickAt(int x, int y);
void Click(HWND control);
void PressKey(WORD key);

// The first item of the folder dialog's tree, in the computer's branch below the
// desktop, whose text holds `part` (that branch alone is expanded on the way); null
// when there is none. `parent` gets the item's parent, the computer.
HTREEITEM FindTreeItem(HWND tree, const char* part, HTREEITEM* parent = nullptr);

// A hook of this thread's (WH_GETMESSAGE, WH_CALLWNDPROC...), taken off when it goes.
class ThreadHook {
public:
    ThreadHook(int kind, HOOKPROC procedure)
        : hook_(SetWindowsHookExA(kind, procedure, nullptr, GetCurrentThreadId())) {}
    ~ThreadHook() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    ThreadHook(const ThreadHook&) = delete;
    ThreadHook& operator=(const ThreadHook&) = delete;
    bool Hooked() const { return hook_ != nullptr; }

private:
    HHOOK hook_;
};

} // namespace ui

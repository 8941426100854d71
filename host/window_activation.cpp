// Activation and focus: a modal window of the program takes the activation from the
// windows it disabled, the activation events, and the control that gets the focus.
// Tested by tests/main_window_keyboard_test.cpp (the first focus, and
// MainWindow.FocusComesBackToTheControlThatHadItOnReactivation). The activation events,
// and a modal window taking the activation, have no test.
#include <windows.h>

#include "host/events.h"
#include "host/window_list.h"
#include "host/window_object.h"

void WindowObject::OnActivate(WPARAM wParam) {
    bool active = LOWORD(wParam) != WA_INACTIVE;
    if (active && !IsWindowEnabled(hwnd_)) {
        // A modal window of the program takes the activation.
        for (const WindowEntry& other : WindowList()) {
            HWND candidate = LoadedWindowHandle(other);
            auto* object = candidate ? static_cast<WindowObject*>(other.units[0].live) : nullptr;
            if (object && candidate != hwnd_ && object->modal && !GetParent(candidate) &&
                IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
                SetActiveWindow(candidate);
                return;
            }
        }
    }
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    }
    if (inActivation_) return;
    inActivation_ = true;
    HWND hwnd = hwnd_;
    if (active) {
        if (!activated_) {
            activated_ = true;
            Raise(kEventFirstActivation);
        }
        if (IsWindow(hwnd)) Raise(kEventActivated);
    } else {
        Raise(kEventDeactivated);
    }
    if (IsWindow(hwnd)) inActivation_ = false;
}

// The window got the focus: hand it to the control that had it, or to the first
// control in Tab order.
void WindowObject::OnSetFocus() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowVisible(lastFocus_) &&
        IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return;
    }
    std::vector<HWND> sequence = TabSequence();
    if (!sequence.empty()) SetFocus(sequence.front());
}

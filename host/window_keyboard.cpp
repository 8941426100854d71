// The window's keyboard interface: Tab order, Escape, Enter, mnemonics, and the
// focus and mnemonic cues that the keyboard brings up.
// Tested by tests/host_behaviour_keyboard_test.cpp and
// tests/main_window_keyboard_test.cpp.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "host/characters.h"
#include "host/events.h"
#include "host/window_object.h"

namespace {

bool IsKeyboardMessage(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYFIRST + 8;
}

bool KeyDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

// Whether a window is of a system class (the names are compared as Windows does, in
// any case).
bool IsOfClass(HWND hwnd, const char* className) {
    char name[16] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return !lstrcmpiA(name, className);
}

bool IsDefaultButton(HWND hwnd) {
    return IsOfClass(hwnd, "Button") && (GetWindowLongA(hwnd, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
}

// A caption's mnemonic: the character after a single "&".
bool HasMnemonic(const char* caption, char key) {
    for (const char* p = caption; *p; p = NextCharacter(p)) {
        if (*p != '&') continue;
        if (p[1] == '&') {
            ++p;
            continue;
        }
        return std::toupper(static_cast<unsigned char>(p[1])) ==
               std::toupper(static_cast<unsigned char>(key));
    }
    return false;
}

// A one-line "Edit" control: Windows' own answers Enter with the error beep.
bool IsSingleLineEdit(HWND hwnd) {
    return IsOfClass(hwnd, "Edit") && !(GetWindowLongA(hwnd, GWL_STYLE) & ES_MULTILINE);
}

} // namespace

std::vector<HWND> WindowObject::TabSequence() const {
    struct Candidate {
        HWND hwnd;
        std::int32_t order;
    };
    std::vector<Candidate> candidates;
    for (std::size_t i = entry_.units.size() - 1; i >= 1; --i) {
        const Unit& unit = entry_.units[i];
        if (!unit.live || !unit.description->tabStop) continue;
        HWND hwnd = unit.live->Handle();
        if (hwnd && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
            candidates.push_back({hwnd, unit.description->tabOrder});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.order < b.order; });
    std::vector<HWND> sequence;
    for (const Candidate& c : candidates)
        sequence.push_back(c.hwnd);
    return sequence;
}

void WindowObject::MoveFocus(bool backwards) {
    std::vector<HWND> sequence = TabSequence();
    if (sequence.empty()) return;
    HWND focus = GetFocus();
    // The focus may sit in a part of a control (a child of it).
    while (focus && GetParent(focus) && GetParent(focus) != hwnd_)
        focus = GetParent(focus);
    auto at = std::find(sequence.begin(), sequence.end(), focus);
    std::size_t next;
    if (at == sequence.end()) {
        next = backwards ? sequence.size() - 1 : 0;
    } else {
        std::size_t index = at - sequence.begin();
        next = backwards ? (index + sequence.size() - 1) % sequence.size() : (index + 1) % sequence.size();
    }
    SetFocus(sequence[next]);
}

bool WindowObject::PressDefaultButton() {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus) && IsWindowEnabled(focus) && IsDefaultButton(focus)) {
        if (UnitObject* button = HostObjectOf(focus)) button->Raise(kEventClick);
        return true;
    }
    for (std::size_t i = 1; i < entry_.units.size(); ++i) {
        const Unit& unit = entry_.units[i];
        if (!unit.live || unit.description->type != kTypeButton) continue;
        HWND hwnd = unit.live->Handle();
        if (hwnd && IsWindowEnabled(hwnd) && IsDefaultButton(hwnd)) {
            unit.live->Raise(kEventClick);
            return true;
        }
    }
    return false;
}

bool WindowObject::PressMnemonic(char key) {
    for (std::size_t i = 1; i < entry_.units.size(); ++i) {
        const Unit& unit = entry_.units[i];
        if (!unit.live || unit.description->type != kTypeButton) continue;
        HWND hwnd = unit.live->Handle();
        if (!hwnd || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) continue;
        char caption[512] = "";
        GetWindowTextA(hwnd, caption, sizeof caption);
        if (HasMnemonic(caption, key)) {
            unit.live->Raise(kEventClick);
            return true;
        }
    }
    return false;
}

bool WindowObject::HandleKeyboard(const MSG& message) {
    const WindowProperties& p = Properties();
    if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
        case VK_TAB:
            if (KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return false;
            ShowKeyboardCues(UISF_HIDEFOCUS);
            MoveFocus(KeyDown(VK_SHIFT));
            return true;
        case VK_ESCAPE:
            if (!p.escapeCloses) return false;
            SendMessageA(hwnd_, WM_CLOSE, 0, 0);
            return true;
        case VK_RETURN:
            if (PressDefaultButton()) return true;
            if (p.enterMovesFocus) {
                ShowKeyboardCues(UISF_HIDEFOCUS);
                MoveFocus(false);
                return true;
            }
            // Nothing to do: a one-line box of ours would only beep at it, so the key
            // ends here, as in a dialog. A multi-line box gets its line break.
            return message.hwnd != hwnd_ && IsChild(hwnd_, message.hwnd) && HostObjectOf(message.hwnd) &&
                   IsSingleLineEdit(message.hwnd);
        default:
            return false;
        }
    }
    if (message.message == WM_SYSKEYDOWN && !KeyDown(VK_SHIFT) && !KeyDown(VK_CONTROL)) {
        auto key = static_cast<char>(message.wParam);
        bool mnemonicKey = (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z');
        // Alt, alone or with a mnemonic, is keyboard use: the underlines show.
        if (mnemonicKey || message.wParam == VK_MENU) ShowKeyboardCues(UISF_HIDEACCEL);
        if (mnemonicKey) return PressMnemonic(key);
    }
    return false;
}

bool WindowObject::PreTranslate(MSG& message) {
    if (IsKeyboardMessage(message.message) && !IsWindowEnabled(hwnd_)) return false;
    return HandleKeyboard(message);
}

// A window started with the mouse hides its focus rectangles and mnemonic
// underlines on Windows until the keyboard is used; then they have to be asked for,
// as the dialog manager does. The window passes the request to its controls.
void WindowObject::ShowKeyboardCues(WORD cues) {
    SendMessageA(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
}

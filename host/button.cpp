// The button unit type: a system push button, subclassed, that raises its click event
// on BN_CLICKED. The notification goes to the window as WM_COMMAND, and the window hands
// it to the button's object by a call (WindowObject::OnCommand), not by a message back.
// Tested by tests/host_runtime_test.cpp (clicks through the loop) and
// tests/host_subclass_test.cpp.
#include <windows.h>

#include "host/control.h"
#include "host/text.h"

namespace {

class ButtonObject : public CaptionedControl {
public:
    ButtonObject(Unit& unit, const CreationContext& context, const ButtonProperties& properties)
        : CaptionedControl(unit, context, properties.font), properties_(properties) {}

    static std::unique_ptr<UnitObject> Create(Unit& unit, const CreationContext& context) {
        auto button = std::make_unique<ButtonObject>(
            unit, context, *static_cast<const ButtonProperties*>(unit.description->properties));
        const ButtonProperties& p = button->properties_;
        DWORD style =
            (p.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE | BS_CENTER | BS_VCENTER;
        HWND hwnd = CreateControlWindow("BUTTON", unit.description->text, style, *unit.description, context);
        if (!hwnd) return nullptr;
        button->Attach(hwnd, true);
        return button;
    }

    void OnNotify(UINT code) override {
        if (code == BN_CLICKED) Raise(kEventClick);
    }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
            HWND hwnd = hwnd_;
            LRESULT result = CallOriginal(message, wParam, lParam);
            if (IsWindow(hwnd)) Raise(message == WM_SETFOCUS ? kEventGotFocus : kEventLostFocus);
            return result;
        }
        return Control::OnMessage(message, wParam, lParam);
    }

private:
    const ButtonProperties& properties_;
};

} // namespace

extern const UnitType kButtonType{
    kTypeButton,        "按钮", "Button", kCaptionProperties, true, ButtonObject::Create, GetCaptionProperty,
    SetCaptionProperty,
};

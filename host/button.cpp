// The button unit type: a system push button, subclassed, that raises its click event
// on the BN_CLICKED its window reflects to it.
#include <windows.h>

#include "host/control.h"
#include "host/text.h"
#include "host/window_object.h"

namespace {

constexpr std::uint16_t kOwnProperties[] = {kPropertyText /* caption */};

class ButtonObject : public UnitObject {
public:
    ButtonObject(Unit& unit, const CreationContext& context)
        : UnitObject(unit, context.windowId, context.window),
          properties_(*static_cast<const ButtonProperties*>(unit.description->properties)) {}

    static std::unique_ptr<UnitObject> Create(Unit& unit, const CreationContext& context) {
        auto button = std::make_unique<ButtonObject>(unit, context);
        const ButtonProperties& p = button->properties_;
        DWORD style = (p.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE | BS_CENTER | BS_VCENTER;
        HWND hwnd = CreateControlWindow("BUTTON", unit.description->text, style, *unit.description, context);
        if (!hwnd) return nullptr;
        button->Attach(hwnd, true);
        button->font_ = CreateStoredFont(p.font);
        ApplyFont(hwnd, button->font_);
        return button;
    }

    void OnNotify(UINT code) override {
        if (code == BN_CLICKED) Raise(kEventClick);
    }

    // The caption as the button shows it, kept until the next read.
    const char* Caption() {
        int length = GetWindowTextLengthA(hwnd_);
        caption_.reset(static_cast<char*>(AllocateBlock(static_cast<std::uint32_t>(length) + 1)));
        caption_.get()[0] = '\0';
        GetWindowTextA(hwnd_, caption_.get(), length + 1);
        return caption_.get();
    }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
            HWND hwnd = hwnd_;
            LRESULT result = CallOriginal(message, wParam, lParam);
            if (IsWindow(hwnd)) Raise(message == WM_SETFOCUS ? kEventGotFocus : kEventLostFocus);
            return result;
        }
        return UnitObject::OnMessage(message, wParam, lParam);
    }

private:
    const ButtonProperties& properties_;
    FontHandle font_;
    OwnedText caption_;
};

void GetButtonProperty(UnitObject& object, int, RawValue& value) {
    value.low = static_cast<std::uint32_t>(
        reinterpret_cast<std::uintptr_t>(static_cast<ButtonObject&>(object).Caption()));
}

bool SetButtonProperty(UnitObject& object, int, const RawValue& value) {
    SetWindowTextA(object.Handle(), reinterpret_cast<const char*>(static_cast<std::uintptr_t>(value.low)));
    return false;
}

} // namespace

extern const UnitType kButtonType{
    kTypeButton, "按钮", "Button", kOwnProperties, true, ButtonObject::Create, GetButtonProperty, SetButtonProperty,
};

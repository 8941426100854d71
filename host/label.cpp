// The label unit type: a child window of a private class that paints its caption itself.
// Tested by tests/main_window_paint_test.cpp
// (MainWindow.TheHintLabelIsOrangeOnItsOwnBackground), tests/high_contrast_test.cpp and
// tests/dpi_test.cpp.
#include <windows.h>

#include "host/control.h"
#include "host/high_contrast.h"
#include "host/text.h"

namespace {

constexpr char kLabelClass[] = "KZLabel";

UINT DrawFlags(const LabelProperties& p) {
    UINT flags = DT_NOCLIP;
    switch (p.horizontal) {
    case HorizontalAlign::Left:
        flags |= DT_LEFT;
        break;
    case HorizontalAlign::Centre:
        flags |= DT_CENTER;
        break;
    case HorizontalAlign::Right:
        flags |= DT_RIGHT;
        break;
    }
    if (p.wordWrap) return flags | DT_WORDBREAK | DT_VCENTER;
    switch (p.vertical) {
    case VerticalAlign::Top:
        flags |= DT_SINGLELINE;
        break;
    case VerticalAlign::Centre:
        flags |= DT_SINGLELINE | DT_VCENTER;
        break;
    case VerticalAlign::Bottom:
        flags |= DT_SINGLELINE | DT_BOTTOM;
        break;
    }
    return flags;
}

class LabelObject : public CaptionedControl {
public:
    LabelObject(Unit& unit, const CreationContext& context, const LabelProperties& properties)
        : CaptionedControl(unit, context, properties.font), properties_(properties) {}

    static std::unique_ptr<UnitObject> Create(Unit& unit, const CreationContext& context) {
        auto label = std::make_unique<LabelObject>(
            unit, context, *static_cast<const LabelProperties*>(unit.description->properties));
        RegisterHostClass(kLabelClass, 0, nullptr);
        HWND hwnd = CreateControlWindow(kLabelClass, unit.description->text, 0, *unit.description, context,
                                        label.get());
        if (!hwnd) return nullptr;
        ApplyBorder(hwnd, label->properties_.border);
        return label;
    }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            Draw(dc);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            // Into another DC (PrintWindow, a snapshot).
            Draw(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETTEXT: {
            LRESULT result = CallOriginal(message, wParam, lParam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return result;
        }
        case WM_SETFONT:
            // The label draws with its font as the control holds it (Font()).
            if (lParam) InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(Font());
        }
        return Control::OnMessage(message, wParam, lParam);
    }

private:
    void Draw(HDC dc) {
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(dc, &client, BackgroundBrush());
        const char* caption = Caption();
        if (*caption) {
            SelectedObject font(dc, Font());
            int mode = SetBkMode(dc, TRANSPARENT);
            COLORREF colour = SetTextColor(dc, TextColourShown(properties_.textColour));
            DrawTextA(dc, caption, -1, &client, DrawFlags(properties_));
            SetTextColor(dc, colour);
            SetBkMode(dc, mode);
        }
    }

    // The background brush, kept while its colour is the one to show (high contrast
    // and the system's colours can change while the label lives).
    HBRUSH BackgroundBrush() {
        COLORREF colour = BackgroundShown(properties_.background);
        if (!background_ || colour != backgroundColour_) {
            background_.reset(CreateSolidBrush(colour));
            backgroundColour_ = colour;
        }
        return background_.get();
    }

    const LabelProperties& properties_;
    BrushHandle background_;
    COLORREF backgroundColour_ = 0;
};

} // namespace

extern const UnitType kLabelType{
    kTypeLabel,         "标签", "Label", kCaptionProperties, true, LabelObject::Create, GetCaptionProperty,
    SetCaptionProperty,
};

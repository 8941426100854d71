// The edit box unit type: a system "EDIT" control, subclassed; a single-line box shows
// its line vertically centred. Its content is the control's own text, read from it at
// each read of the property; the box keeps the last text read or written as a text it
// owns, so that what a read handed out stays valid until the next read or write, or
// until the box ends.
// Tested by tests/host_runtime_test.cpp
// (HostRuntime.EditBoxContentIsCopiedInAndOutAndEachWriteRaisesOneChange),
// tests/main_window_test.cpp (the bands), tests/main_window_keyboard_test.cpp
// (EditBoxKeys.*) and tests/host_subclass_test.cpp.
#include <windows.h>

#include "host/control.h"
#include "host/dpi.h"
#include "host/high_contrast.h"
#include "host/text.h"

namespace {

enum EditBoxProperty {
    kContent = 0,
    kLengthLimit = 6, // property 14
    kSelectionStart = 16,
    kSelectionLength = 17,
    kSelectedText = 18,
};

// Declared types of the edit box's 21 own properties (8 to 28).
constexpr std::uint16_t kOwnProperties[21] = {
    kPropertyText,    // content
    kPropertyInteger, // border
    kPropertyInteger, // text colour
    kPropertyInteger, // background colour
    kPropertyInteger, // font
    kPropertyLogical, // hide selection
    kPropertyInteger, // length limit
    kPropertyLogical, // multi-line
    kPropertyInteger, // scroll bars
    kPropertyInteger, // alignment
    kPropertyInteger, // input mode
    kPropertyText,    // password character
    kPropertyInteger, // letter case
    kPropertyInteger, // adjuster
    kPropertyInteger, // adjuster minimum
    kPropertyInteger, // adjuster maximum
    kPropertyInteger, // selection start
    kPropertyInteger, // selection length
    kPropertyText,    // selected text
    kPropertyText,    // binding name
    kPropertyText,    // binding field
};

class EditBoxObject : public Control {
public:
    EditBoxObject(Unit& unit, const CreationContext& context, const EditBoxProperties& properties)
        : Control(unit, context, properties.font), properties_(properties),
          cached_(const_cast<char*>(unit.description->text ? unit.description->text : kEmptyText)) {}
    ~EditBoxObject() override { FreeBlock(cached_); }

    static std::unique_ptr<UnitObject> Create(Unit& unit, const CreationContext& context) {
        auto box = std::make_unique<EditBoxObject>(
            unit, context, *static_cast<const EditBoxProperties*>(unit.description->properties));
        const EditBoxProperties& p = box->properties_;
        DWORD style = p.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
        if (!p.hideSelection) style |= ES_NOHIDESEL;
        HWND hwnd = CreateControlWindow("EDIT", box->cached_, style, *unit.description, context);
        if (!hwnd) return nullptr;
        box->Attach(hwnd, true);
        box->brush_.reset(CreateSolidBrush(ResolveColour(p.background)));
        ApplyBorder(hwnd, p.border);
        SendMessageA(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(p.maxLength), 0);
        SendMessageA(hwnd, EM_SETSEL, 0, 0);
        SendMessageA(hwnd, EM_SCROLLCARET, 0, 0);
        return box;
    }

    void GetContent(RawValue& value) {
        ReplaceCached(ReadWindowText(hwnd_));
        value.low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(cached_));
    }

    void SetContent(const char* text) {
        settingText_ = true;
        ReplaceCached(text && *text ? CopyText(text) : const_cast<char*>(kEmptyText));
        SetWindowTextA(hwnd_, cached_);
        settingText_ = false;
        // The box's own change notification, to itself: with the flag clear it raises
        // the change event once, also when the text did not change.
        SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(0, EN_CHANGE), reinterpret_cast<LPARAM>(hwnd_));
    }

    void OnNotify(UINT code) override {
        if (code == EN_CHANGE && !settingText_) Raise(kEventChange);
    }

    HBRUSH OnControlColour(HDC dc) override {
        SetTextColor(dc, TextColourShown(properties_.textColour));
        SetBkColor(dc, BackgroundShown(properties_.background));
        return Background();
    }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (!properties_.multiLine) {
            switch (message) {
            case WM_NCCALCSIZE: {
                LRESULT result = CallOriginal(message, wParam, lParam);
                CentreClientArea(*reinterpret_cast<RECT*>(lParam));
                return result;
            }
            case WM_NCPAINT:
                PaintBand();
                return CallOriginal(message, wParam, lParam);
            case WM_NCHITTEST: {
                POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                RECT client;
                GetClientRect(hwnd_, &client);
                MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
                RECT outer;
                GetWindowRect(hwnd_, &outer);
                if (PtInRect(&outer, point) && !PtInRect(&client, point)) return HTBORDER;
                return CallOriginal(message, wParam, lParam);
            }
            case WM_ERASEBKGND: {
                RECT client;
                GetClientRect(hwnd_, &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, Background());
                return 1;
            }
            }
        }
        return Control::OnMessage(message, wParam, lParam);
    }

private:
    // The box's own background brush; in high contrast, the window colour's.
    HBRUSH Background() const { return HighContrastOn() ? GetSysColorBrush(COLOR_WINDOW) : brush_.get(); }

    void ReplaceCached(char* text) {
        FreeBlock(cached_);
        cached_ = text;
    }

    int TextHeight(const char* sample) {
        WindowDc dc(hwnd_);
        auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
        SelectedObject selected(dc.get(), font ? font : GetStockObject(SYSTEM_FONT));
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), sample, TextLength(sample), &size);
        return size.cy;
    }

    // One line of text in the middle of the box, a band of background above and below.
    void CentreClientArea(RECT& client) {
        int height = TextHeight("W");
        client.top += (client.bottom - client.top - height) / 2;
        client.bottom = client.top + height;
    }

    void PaintBand() {
        HDC dc = GetWindowDC(hwnd_);
        RECT outer, client;
        GetWindowRect(hwnd_, &outer);
        GetClientRect(hwnd_, &client);
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -outer.left, -outer.top);
        OffsetRect(&outer, -outer.left, -outer.top);
        ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        FillRect(dc, &outer, Background());
        ReleaseDC(hwnd_, dc);
    }

    // A one-line box is at least one CJK character plus two edges high; it centres its
    // line again in its font.
    RECT PlaceAt(int dpi) override {
        RECT place = Control::PlaceAt(dpi);
        if (properties_.multiLine) return place;
        int minimum = TextHeight("国") + 2 * EdgeMetricForDpi(SM_CYEDGE, dpi);
        if (place.bottom - place.top < minimum) place.bottom = place.top + minimum;
        return place;
    }
    UINT MoveFlags() const override { return properties_.multiLine ? 0 : SWP_FRAMECHANGED; }

    const EditBoxProperties& properties_;
    // The last content read or written: a heap text, or a literal of the layout until
    // the first read or write. Never read in place of the control's own text.
    char* cached_;
    bool settingText_ = false;
    BrushHandle brush_;
};

void GetEditBoxProperty(UnitObject& object, int ownIndex, RawValue& value) {
    auto& box = static_cast<EditBoxObject&>(object);
    HWND hwnd = box.Handle();
    switch (ownIndex) {
    case kContent:
        box.GetContent(value);
        break;
    case kLengthLimit:
        value.low = static_cast<std::uint32_t>(SendMessageA(hwnd, EM_GETLIMITTEXT, 0, 0));
        break;
    case kSelectionStart:
    case kSelectionLength: {
        DWORD start = 0, end = 0;
        SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        value.low = ownIndex == kSelectionStart ? start : end - start;
        break;
    }
    default:
        break;
    }
}

bool SetEditBoxProperty(UnitObject& object, int ownIndex, const RawValue& value) {
    auto& box = static_cast<EditBoxObject&>(object);
    HWND hwnd = box.Handle();
    switch (ownIndex) {
    case kContent:
        box.SetContent(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(value.low)));
        break;
    case kLengthLimit:
        SendMessageA(hwnd, EM_LIMITTEXT, value.low, 0);
        break;
    case kSelectionStart:
        SendMessageA(hwnd, EM_SETSEL, value.low, value.low);
        break;
    case kSelectionLength: {
        DWORD start = 0;
        SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        SendMessageA(hwnd, EM_SETSEL, start, start + value.low);
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace

extern const UnitType kEditBoxType{
    kTypeEditBox,          "编辑框",           "EditBox",          kOwnProperties, true,
    EditBoxObject::Create, GetEditBoxProperty, SetEditBoxProperty,
};

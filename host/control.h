// What the control types share: creation as a hidden child of the window, the font
// from a stored LOGFONT, and the border kinds.
#pragma once

#include <windows.h>

#include "host/description.h"
#include "host/handles.h"
#include "host/text.h"
#include "host/unit.h"

// The window text of a control as a new heap text (an empty one for no text).
char* ReadWindowText(HWND control);

// A control whose own property 0 is its caption (buttons and labels).
class CaptionedControl : public UnitObject {
public:
    using UnitObject::UnitObject;
    // The caption as the control shows it, kept until the next read.
    const char* Caption();

private:
    OwnedText caption_;
};
void GetCaptionProperty(UnitObject& object, int ownIndex, RawValue& value);
bool SetCaptionProperty(UnitObject& object, int ownIndex, const RawValue& value);
inline constexpr std::uint16_t kCaptionProperties[] = {kPropertyText};

// A hidden child of the window with the common styles of its unit (tab stop, disabled),
// in its rectangle at the window's DPI.
HWND CreateControlWindow(const char* className, const char* text, DWORD style, const UnitDescription& unit,
                         const CreationContext& context, void* parameter = nullptr);
// The unit's rectangle in its window at a DPI.
RECT ControlRect(const UnitDescription& unit, int dpi);
// Moves and sizes a control to its rectangle at a DPI.
void PlaceControl(HWND control, const UnitDescription& unit, int dpi);

// The control's own font, or else its window's default font.
HFONT FontOf(const FontHandle& own, const UnitObject& control);
// Makes `own` the control's stored font at a DPI (none: its window's default font)
// and hands the control its font; the font it had goes once it has the new one.
void UseStoredFont(const UnitObject& control, FontHandle& own, const LOGFONTA* stored, int dpi);

// Applies a border kind to a created control as a style change.
void ApplyBorder(HWND control, ControlBorder border);

// A colour property's value as a colour (the button-face marker becomes the system colour).
COLORREF ResolveColour(COLORREF colour);

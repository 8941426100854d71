// What the control types share: creation as a hidden child of the window, one DPI
// step (the stored font, then the place), and the border kinds.
// Tested by tests/main_window_test.cpp (classes, styles, borders, fonts),
// tests/dpi_test.cpp (places and fonts at each DPI) and
// tests/main_window_dpi_change_test.cpp.
#pragma once

#include <windows.h>

#include "host/deferred_moves.h"
#include "host/description.h"
#include "host/handles.h"
#include "host/text.h"
#include "host/unit.h"

// The window text of a control as a new heap text (an empty one for no text).
char* ReadWindowText(HWND control);

// A control of a window: its stored font at the window's DPI (none: the window's
// default font) and its rectangle at that DPI.
class Control : public UnitObject {
public:
    Control(Unit& unit, const CreationContext& context, const LOGFONTA* storedFont);
    // The control's font at the DPI, then its place, queued with the window's other
    // moves: once the control is made (a kind makes none of its own), and again when
    // the window moves to another DPI.
    void ApplyDpi(int dpi, DeferredMoves& moves) override;

protected:
    // A screen reader's question is answered here for every kind of control.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HFONT Font() const;
    // Where the control stands at a DPI, with its font for that DPI; a kind that needs
    // more room than its rectangle says so here.
    virtual RECT PlaceAt(int dpi);
    // What else a move does (the one-line box computes its frame again).
    virtual UINT MoveFlags() const { return 0; }

private:
    // Gives the control its font at a DPI; the font it had goes once it has the new one.
    void UseFont(int dpi);

    const LOGFONTA* storedFont_;
    FontHandle font_;
};

// A control whose own property 0 is its caption (buttons and labels).
class CaptionedControl : public Control {
public:
    using Control::Control;
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

// Applies a border kind to a created control as a style change.
void ApplyBorder(HWND control, ControlBorder border);

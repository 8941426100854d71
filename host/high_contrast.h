// High contrast: when the user has asked Windows for it, the windows draw in Windows'
// own colours instead of their pictures and fixed colours (high_contrast.cpp says how).
#pragma once

#include <windows.h>

#include "host/description.h"

// Where the program asks Windows for its settings (SystemParametersInfoA). The entry can
// be replaced, so that a test can answer as Windows would: Wine's answer for high
// contrast has no flags at all.
using SystemParametersFunction = BOOL(WINAPI*)(UINT action, UINT size, void* value, UINT flags);
SystemParametersFunction& SystemParametersEntry();
// Whether high contrast is on now.
bool HighContrastOn();

// A colour property's value as a colour (the button-face marker becomes the system colour).
inline COLORREF ResolveColour(COLORREF colour) {
    return colour == kButtonFaceColour ? GetSysColor(COLOR_BTNFACE) : colour;
}

// The colours a control paints its text and background in: its own (a colour
// property's value), or in high contrast the window-text and window colours.
COLORREF TextColourShown(COLORREF own);
COLORREF BackgroundShown(COLORREF own);

// High contrast: when the user has asked Windows for it, the windows draw in Windows'
// own colours instead of their pictures and fixed colours.
#pragma once

#include <windows.h>

#include "host/description.h"

// Whether high contrast is on (SystemParametersInfo, SPI_GETHIGHCONTRAST). The entry
// can be replaced, so that a test can switch it: Wine always answers off.
using HighContrastFunction = bool (*)();
HighContrastFunction& HighContrastEntry();
inline bool HighContrastOn() {
    return HighContrastEntry()();
}

// A colour property's value as a colour (the button-face marker becomes the system colour).
inline COLORREF ResolveColour(COLORREF colour) {
    return colour == kButtonFaceColour ? GetSysColor(COLOR_BTNFACE) : colour;
}

// The colours a control paints its text and background in: its own (a colour
// property's value), or in high contrast the window-text and window colours.
COLORREF TextColourShown(COLORREF own);
COLORREF BackgroundShown(COLORREF own);

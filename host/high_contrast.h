// High contrast: when the user has asked Windows for it, the windows draw in Windows'
// own colours instead of their pictures and fixed colours.
#pragma once

// Whether high contrast is on (SystemParametersInfo, SPI_GETHIGHCONTRAST). The entry
// can be replaced, so that a test can switch it: Wine always answers off.
using HighContrastFunction = bool (*)();
HighContrastFunction& HighContrastEntry();
inline bool HighContrastOn() {
    return HighContrastEntry()();
}

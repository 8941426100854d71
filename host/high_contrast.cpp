// High contrast is on when SPI_GETHIGHCONTRAST's structure has HCF_HIGHCONTRASTON;
// Windows sets HCF_AVAILABLE and others on every system, on or off. The program asks at
// each painting, so that a switch needs only the repainting that the window does on
// WM_SETTINGCHANGE (SPI_SETHIGHCONTRAST) and WM_SYSCOLORCHANGE. In high contrast the
// labels and edit boxes paint in the window-text and window colours (COLOR_WINDOWTEXT,
// COLOR_WINDOW), and the window draws in them what only its picture showed
// (window_paint.cpp); the buttons keep the system's button colours, as they always do.
// Tested by tests/high_contrast_test.cpp (HighContrast.*, StartedInHighContrast.*), also
// as XP (AsWindowsxp.high_contrast_test).
#include "host/high_contrast.h"

#include "host/description.h"

SystemParametersFunction& SystemParametersEntry() {
    static SystemParametersFunction entry = SystemParametersInfoA;
    return entry;
}

bool HighContrastOn() {
    HIGHCONTRASTA state{};
    state.cbSize = sizeof state;
    return SystemParametersEntry()(SPI_GETHIGHCONTRAST, sizeof state, &state, 0) &&
           (state.dwFlags & HCF_HIGHCONTRASTON);
}

COLORREF TextColourShown(COLORREF own) {
    return HighContrastOn() ? GetSysColor(COLOR_WINDOWTEXT) : ResolveColour(own);
}

COLORREF BackgroundShown(COLORREF own) {
    return HighContrastOn() ? GetSysColor(COLOR_WINDOW) : ResolveColour(own);
}

#include "host/high_contrast.h"

#include "host/description.h"

namespace {

bool AskWindows() {
    HIGHCONTRASTA state{};
    state.cbSize = sizeof state;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof state, &state, 0) &&
           (state.dwFlags & HCF_HIGHCONTRASTON);
}

} // namespace

HighContrastFunction& HighContrastEntry() {
    static HighContrastFunction entry = AskWindows;
    return entry;
}

COLORREF TextColourShown(COLORREF own) {
    return HighContrastOn() ? GetSysColor(COLOR_WINDOWTEXT) : ResolveColour(own);
}

COLORREF BackgroundShown(COLORREF own) {
    return HighContrastOn() ? GetSysColor(COLOR_WINDOW) : ResolveColour(own);
}

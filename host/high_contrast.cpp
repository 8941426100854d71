#include "host/high_contrast.h"

#include <windows.h>

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

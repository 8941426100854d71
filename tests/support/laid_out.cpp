#include "tests/support/laid_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/window_load.h"
#include "panel/layout.h"
#include "tests/support/painted.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/ui.h"

namespace panelcheck {
namespace {

using panelgeometry::RoundedRatio;
using panelgeometry::Scaled;
using ui::PlaceInParent;
using ui::Text;

// What each DPI that a test meets gives, as figures of this file's own:
// - the client area, 730 x 492 at 96, scaled (and checked so below);
// - the height (lfHeight) of the default GUI font at that DPI: the stock font's -12
//   at 96, scaled;
// - the least height of a one-line edit box in that font: a line of the font and the
//   box's two edges.
// The last two are Wine's own figures, the same under Wine 8 and Wine 10, at every DPI
// of the table: the slots' screens (96, 120, 144, 192) and the DPIs that a window is
// told of (WM_DPICHANGED).
struct AtDpi {
    int dpi;
    SIZE client;
    int defaultFontHeight;
    int oneLineBoxLeastHeight;
};
constexpr AtDpi kAtDpi[] = {
    {96, {730, 492}, -12, 18},    {100, {760, 513}, -13, 19},   {108, {821, 554}, -14, 20},
    {120, {913, 615}, -15, 22},   {132, {1004, 677}, -17, 24},  {144, {1095, 738}, -18, 25},
    {150, {1141, 769}, -19, 26},  {168, {1278, 861}, -21, 29},  {192, {1460, 984}, -24, 32},
    {216, {1643, 1107}, -27, 35}, {240, {1825, 1230}, -30, 39},
};
constexpr bool ClientAreasAreTheLayoutsScaled() {
    for (const AtDpi& at : kAtDpi) {
        if (at.client.cx != Scaled(730, at.dpi) || at.client.cy != Scaled(492, at.dpi)) return false;
    }
    return true;
}
static_assert(ClientAreasAreTheLayoutsScaled());

const AtDpi& FiguresAt(int dpi) {
    for (const AtDpi& at : kAtDpi) {
        if (at.dpi == dpi) return at;
    }
    ADD_FAILURE() << "no figures written down for " << dpi << " DPI";
    static const AtDpi none{};
    return none;
}

// The layout's rectangle at a DPI: each edge scaled on its own, so that rectangles that
// meet at 96 DPI meet at every DPI.
RECT LayoutRectAt(const UnitDescription& unit, int dpi) {
    return {Scaled(unit.left, dpi), Scaled(unit.top, dpi), Scaled(unit.left + unit.width, dpi),
            Scaled(unit.top + unit.height, dpi)};
}

// A system metric at a DPI, as Windows gives it (GetSystemMetricsForDpi, Windows 10).
int MetricAt(int index, int dpi) {
    using MetricForDpi = int(WINAPI*)(int, UINT);
    static auto forDpi = reinterpret_cast<MetricForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    return forDpi ? forDpi(index, static_cast<UINT>(dpi))
                  : RoundedRatio(GetSystemMetrics(index), dpi, ScreenDpi());
}

LOGFONTA LogicalFont(HGDIOBJ font) {
    LOGFONTA logfont{};
    GetObjectA(font, sizeof logfont, &logfont);
    return logfont;
}

} // namespace

SIZE ClientAreaAt(int dpi) {
    return FiguresAt(dpi).client;
}

int OneLineBoxLeastHeightAt(int dpi) {
    return FiguresAt(dpi).oneLineBoxLeastHeight;
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Checks the window against the layout at a DPI: what a start at that DPI makes.
void ExpectLaidOutAt(HWND window, int dpi) {
    SCOPED_TRACE("laid out at " + std::to_string(dpi) + " DPI");
    RECT client;
    GetClientRect(window, &client);
    SIZE wanted = ClientAreaAt(dpi);
    EXPECT_EQ(client.right, wanted.cx) << "client width";
    EXPECT_EQ(client.bottom, wanted.cy) << "client height";

    const WindowEntry* entry = FindWindowEntry(kMainWindowId);
    ASSERT_NE(entry, nullptr);
    LOGFONTA stock = LogicalFont(GetStockObject(DEFAULT_GUI_FONT));
    for (std::size_t i = 1; i < entry->units.size(); ++i) {
        const UnitDescription& unit = *entry->units[i].description;
        HWND hwnd = entry->units[i].live ? entry->units[i].live->Handle() : nullptr;
        ASSERT_NE(hwnd, nullptr) << unit.name;
        SCOPED_TRACE(unit.name);
        RECT place = PlaceInParent(hwnd);
        RECT rect = LayoutRectAt(unit, dpi);
        EXPECT_EQ(place.left, rect.left);
        EXPECT_EQ(place.top, rect.top);
        EXPECT_EQ(place.right, rect.right);
        HFONT font = FontOfControl(hwnd);
        ASSERT_NE(font, nullptr);
        LOGFONTA logfont = LogicalFont(font);
        const auto* button =
            unit.type == kTypeButton ? static_cast<const ButtonProperties*>(unit.properties) : nullptr;
        if (button && button->font) {
            EXPECT_EQ(logfont.lfHeight, Scaled(button->font->lfHeight, dpi)) << "the stored font, scaled";
            EXPECT_STREQ(logfont.lfFaceName, button->font->lfFaceName);
        } else {
            EXPECT_EQ(logfont.lfHeight, FiguresAt(dpi).defaultFontHeight)
                << "the default GUI font at that DPI";
            EXPECT_STREQ(logfont.lfFaceName, stock.lfFaceName);
        }

        RECT inside;
        GetClientRect(hwnd, &inside);
        std::string text = Text(hwnd);
        Measured measured = Measure(font, text);
        switch (unit.type) {
        case kTypeButton: {
            // Inside the button's raised edge, every line on one line.
            int edge = MetricAt(SM_CXEDGE, dpi);
            EXPECT_LE(measured.widest, inside.right - 2 * edge) << "the caption fits: " << text;
            EXPECT_LE(measured.lineHeight, inside.bottom - 2 * edge);
            EXPECT_EQ(place.bottom, rect.bottom);
            break;
        }
        case kTypeLabel:
            EXPECT_LE(measured.widest, inside.right) << "the label's text fits";
            EXPECT_LE(measured.lineHeight, inside.bottom);
            EXPECT_EQ(place.bottom, rect.bottom);
            break;
        case kTypeEditBox: {
            // A one-line box shows its lines as one; it is at least one ideograph and its
            // two edges high.
            std::string line;
            for (char c : text) {
                if (c != '\r' && c != '\n') line += c;
            }
            LRESULT margins = SendMessageA(hwnd, EM_GETMARGINS, 0, 0);
            EXPECT_LE(Measure(font, line).widest, inside.right - LOWORD(margins) - HIWORD(margins))
                << "the box's text fits";
            int minimum = OneLineBoxLeastHeightAt(dpi);
            EXPECT_EQ(place.bottom - place.top, std::max<int>(rect.bottom - rect.top, minimum));
            break;
        }
        }
    }
}

} // namespace panelcheck

#include "tests/support/laid_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "panel/layout.h"
#include "tests/support/control_table.h"
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

// A control's designed rectangle at a DPI: each edge scaled on its own, so that
// rectangles that meet at 96 DPI meet at every DPI.
RECT DesignedRectAt(const controls::Control& control, int dpi) {
    return {Scaled(control.left, dpi), Scaled(control.top, dpi), Scaled(control.left + control.width, dpi),
            Scaled(control.top + control.height, dpi)};
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

// Checks the window against the designed layout at a DPI: what a start at that DPI
// makes. Each control is found by its unit name.
void ExpectLaidOutAt(HWND window, int dpi) {
    SCOPED_TRACE("laid out at " + std::to_string(dpi) + " DPI");
    RECT client;
    GetClientRect(window, &client);
    SIZE wanted = ClientAreaAt(dpi);
    EXPECT_EQ(client.right, wanted.cx) << "client width";
    EXPECT_EQ(client.bottom, wanted.cy) << "client height";

    LOGFONTA stock = LogicalFont(GetStockObject(DEFAULT_GUI_FONT));
    for (const controls::Control& control : controls::kControls) {
        HWND hwnd = ui::UnitHandle(kMainWindowId, control.unit);
        ASSERT_NE(hwnd, nullptr) << control.unit;
        ASSERT_EQ(GetParent(hwnd), window) << control.unit;
        SCOPED_TRACE(control.unit);
        RECT place = PlaceInParent(hwnd);
        RECT rect = DesignedRectAt(control, dpi);
        EXPECT_EQ(place.left, rect.left);
        EXPECT_EQ(place.top, rect.top);
        EXPECT_EQ(place.right, rect.right);
        HFONT font = FontOfControl(hwnd);
        ASSERT_NE(font, nullptr);
        LOGFONTA logfont = LogicalFont(font);
        if (control.font.face) {
            EXPECT_EQ(logfont.lfHeight, Scaled(control.font.height, dpi)) << "the stored font, scaled";
            EXPECT_STREQ(logfont.lfFaceName, control.font.face);
        } else {
            EXPECT_EQ(logfont.lfHeight, FiguresAt(dpi).defaultFontHeight)
                << "the default GUI font at that DPI";
            EXPECT_STREQ(logfont.lfFaceName, stock.lfFaceName);
        }

        RECT inside;
        GetClientRect(hwnd, &inside);
        std::string text = Text(hwnd);
        Measured measured = Measure(font, text);
        switch (control.kind) {
        case controls::Kind::Button: {
            // Inside the button's raised edge, every line on one line.
            int edge = MetricAt(SM_CXEDGE, dpi);
            EXPECT_LE(measured.widest, inside.right - 2 * edge) << "the caption fits: " << text;
            EXPECT_LE(measured.lineHeight, inside.bottom - 2 * edge);
            EXPECT_EQ(place.bottom, rect.bottom);
            break;
        }
        case controls::Kind::Label:
            EXPECT_LE(measured.widest, inside.right) << "the label's text fits";
            EXPECT_LE(measured.lineHeight, inside.bottom);
            EXPECT_EQ(place.bottom, rect.bottom);
            break;
        case controls::Kind::EditBox: {
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

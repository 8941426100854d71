// The panel as a user with a high-DPI screen meets it: the harness runs this program
// in a prefix whose screen has PANEL_TEST_DPI dots per inch (96, 120, 144, 192), and
// once in one with a taller title bar (PANEL_TEST_CAPTION). At every DPI the window's
// client area, every control and the picture are the layout's, scaled, and every
// text fits its control as the control draws it, in the control's own font. A window
// that is told of another DPI (WM_DPICHANGED) ends as a start at that DPI makes it,
// with what was typed still in the box.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/background_picture.h"
#include "host/dpi.h"
#include "host/runtime.h"
#include "host/window_list.h"
#include "panel/layout.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/ui.h"

#ifndef PANEL_TEST_DPI
#error "PANEL_TEST_DPI names the screen's DPI that this build of the test runs at"
#endif

namespace {

using ui::PlaceInParent;
using ui::Text;

constexpr int kScreenDpi = PANEL_TEST_DPI;
// The layout's client area: 740 x 521 with the classic frame at 96 DPI.
constexpr SIZE kClient96{730, 492};

// Width and height of each line of a text in a font, as GDI measures it.
struct Measured {
    int widest = 0;
    int lineHeight = 0;
};
Measured Measure(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    Measured measured{0, metrics.tmHeight};
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        SIZE size{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
        measured.widest = std::max<int>(measured.widest, size.cx);
        if (end == std::string::npos) break;
        start = end + 2;
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return measured;
}

int FontHeight(HFONT font) {
    LOGFONTA logfont{};
    GetObjectA(font, sizeof logfont, &logfont);
    return logfont.lfHeight;
}

HFONT FontOfControl(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

// The client area as the window paints it, into a bitmap of this test's own (the
// window may reach beyond the screen at a high DPI, where nothing can be read back).
class ClientSnapshot {
public:
    explicit ClientSnapshot(HWND window) {
        GetClientRect(window, &client_);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = client_.right;
        info.bmiHeader.biHeight = -client_.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
        GdiFlush();
    }
    ~ClientSnapshot() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    ClientSnapshot(const ClientSnapshot&) = delete;
    ClientSnapshot& operator=(const ClientSnapshot&) = delete;
    bool Ready() const { return bits_ != nullptr; }
    int Luminance(int x, int y) const {
        if (x < 0 || y < 0 || x >= client_.right || y >= client_.bottom) return 0;
        std::uint32_t pixel = bits_[static_cast<std::size_t>(y) * client_.right + x];
        return static_cast<int>(((pixel >> 16) & 0xFF) * 3 + ((pixel >> 8) & 0xFF) * 6 + (pixel & 0xFF)) / 10;
    }

private:
    RECT client_{};
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// The picture's long horizontal frame lines at 96 DPI: rows where a run of at least
// 300 light pixels lies on the dark picture, as (row, first column, last column).
struct FrameLine {
    int y, x0, x1;
};
std::vector<FrameLine> FrameLinesAt96() {
    HRSRC found = FindResourceA(nullptr, "BACKGROUND", MAKEINTRESOURCEA(10));
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    int width = 0, height = 0;
    std::vector<std::uint8_t> rows;
    std::vector<FrameLine> lines;
    if (!DecodeJpeg({bytes, SizeofResource(nullptr, found)}, width, height, rows)) return lines;
    std::size_t stride = (width * 3 + 3) & ~3;
    auto light = [&](int x, int y) {
        const std::uint8_t* p = rows.data() + stride * y + x * 3;
        return (p[2] * 3 + p[1] * 6 + p[0]) / 10 >= 110;
    };
    for (int y = 0; y < height; ++y) {
        int runStart = -1;
        for (int x = 0; x <= width; ++x) {
            if (x < width && light(x, y)) {
                if (runStart < 0) runStart = x;
                continue;
            }
            if (runStart >= 0 && x - runStart >= 300) {
                // One line may be two rows thick: the first row stands for it.
                if (lines.empty() || lines.back().y != y - 1) lines.push_back({y, runStart, x - 1});
            }
            runStart = -1;
        }
    }
    return lines;
}

// Checks the window against the layout at a DPI: what a start at that DPI makes.
void ExpectLaidOutAt(HWND window, int dpi) {
    SCOPED_TRACE("laid out at " + std::to_string(dpi) + " DPI");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_NEAR(client.right, ScaleToDpi(kClient96.cx, dpi), 1) << "client width";
    EXPECT_NEAR(client.bottom, ScaleToDpi(kClient96.cy, dpi), 1) << "client height";

    const WindowEntry* entry = FindWindowEntry(kMainWindowId);
    ASSERT_NE(entry, nullptr);
    HFONT defaultFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    int defaultHeight = MulDiv(FontHeight(defaultFont), dpi, SystemDpi());
    for (std::size_t i = 1; i < entry->units.size(); ++i) {
        const UnitDescription& unit = *entry->units[i].description;
        HWND hwnd = entry->units[i].live ? entry->units[i].live->Handle() : nullptr;
        ASSERT_NE(hwnd, nullptr) << unit.name;
        SCOPED_TRACE(unit.name);
        RECT place = PlaceInParent(hwnd);
        RECT wanted = ScaleRect(unit.left, unit.top, unit.width, unit.height, dpi);
        EXPECT_NEAR(place.left, wanted.left, 1);
        EXPECT_NEAR(place.top, wanted.top, 1);
        EXPECT_NEAR(place.right, wanted.right, 1);
        HFONT font = FontOfControl(hwnd);
        ASSERT_NE(font, nullptr);
        const auto* button =
            unit.type == kTypeButton ? static_cast<const ButtonProperties*>(unit.properties) : nullptr;
        if (button && button->font) {
            EXPECT_EQ(FontHeight(font), ScaleToDpi(button->font->lfHeight, dpi)) << "the stored font, scaled";
        } else {
            EXPECT_NEAR(FontHeight(font), defaultHeight, 1) << "the default GUI font at that DPI";
        }

        RECT inside;
        GetClientRect(hwnd, &inside);
        std::string text = Text(hwnd);
        Measured measured = Measure(font, text);
        switch (unit.type) {
        case kTypeButton: {
            // Inside the button's edges, every line on one line.
            int edge = MetricForDpi(SM_CXEDGE, dpi);
            EXPECT_LE(measured.widest, inside.right - 4 * edge) << "the caption fits: " << text;
            EXPECT_LE(measured.lineHeight, inside.bottom - 2 * edge);
            EXPECT_EQ(place.bottom, wanted.bottom);
            break;
        }
        case kTypeLabel:
            EXPECT_LE(measured.widest, inside.right) << "the label's text fits";
            EXPECT_LE(measured.lineHeight, inside.bottom);
            EXPECT_EQ(place.bottom, wanted.bottom);
            break;
        case kTypeEditBox: {
            // A one-line box shows its lines as one; no shorter than its font needs.
            std::string line;
            for (char c : text) {
                if (c != '\r' && c != '\n') line += c;
            }
            LRESULT margins = SendMessageA(hwnd, EM_GETMARGINS, 0, 0);
            EXPECT_LE(Measure(font, line).widest, inside.right - LOWORD(margins) - HIWORD(margins))
                << "the box's text fits";
            int minimum = measured.lineHeight + 2 * MetricForDpi(SM_CYEDGE, dpi);
            EXPECT_NEAR(place.bottom - place.top, std::max<int>(wanted.bottom - wanted.top, minimum), 1);
            break;
        }
        }
    }

    // The frame lines drawn in the picture, where the picture scaled to the DPI puts them.
    std::vector<FrameLine> lines = FrameLinesAt96();
    ASSERT_GE(lines.size(), 4u) << "the picture's frames";
    ClientSnapshot snapshot(window);
    ASSERT_TRUE(snapshot.Ready());
    for (const FrameLine& line : lines) {
        int y = ScaleToDpi(line.y, dpi);
        int x0 = ScaleToDpi(line.x0, dpi) + 4, x1 = ScaleToDpi(line.x1, dpi) - 4;
        int best = 0;
        for (int row = y - 1; row <= y + 1; ++row) {
            int lit = 0;
            for (int x = x0; x <= x1; ++x)
                lit += snapshot.Luminance(x, row) >= 90 ? 1 : 0;
            best = std::max(best, lit);
        }
        EXPECT_GE(best * 10, (x1 - x0 + 1) * 9)
            << "the frame line of row " << line.y << " at 96 DPI, at row " << y << " here";
    }
}

class PanelAtDpi : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kPanelProgram);
    }
    void SetUp() override {
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        ASSERT_TRUE(ui::PumpUntil(
            [this] { return IsWindowVisible(window_) && !GetUpdateRect(window_, nullptr, FALSE); }, 10000));
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        ui::Pump();
    }
    HWND window_ = nullptr;
};

TEST_F(PanelAtDpi, TheScreenHasTheDpiOfThisRun) {
    EXPECT_EQ(SystemDpi(), kScreenDpi);
    EXPECT_EQ(WindowDpi(window_), kScreenDpi);
#ifdef PANEL_TEST_CAPTION
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), PANEL_TEST_CAPTION + 1) << "the title bar of this run";
#endif
}

TEST_F(PanelAtDpi, ClientAreaControlsFontsAndPictureAreTheLayoutScaledAndEveryTextFits) {
    ExpectLaidOutAt(window_, kScreenDpi);
    RECT outer, client;
    GetWindowRect(window_, &outer);
    GetClientRect(window_, &client);
    // The frame around the client area is what Windows draws for the window's styles.
    RECT frame{0, 0, client.right, client.bottom};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)));
    EXPECT_EQ(outer.right - outer.left, frame.right - frame.left);
    EXPECT_EQ(outer.bottom - outer.top, frame.bottom - frame.top);
#if PANEL_TEST_DPI == 96
    if (panelgeometry::ClassicFrame()) {
        EXPECT_EQ(outer.right - outer.left, panelgeometry::kWindowWidth) << "the layout's own size";
        EXPECT_EQ(outer.bottom - outer.top, panelgeometry::kWindowHeight);
    }
#endif
}

TEST_F(PanelAtDpi, AnotherDpiLaysTheWindowOutAsAStartThereAndKeepsWhatWasTyped) {
    HWND box = ui::UnitHandle(kMainWindowId, "编辑框目录");
    ASSERT_NE(box, nullptr);
    SendMessageA(box, EM_SETSEL, 0x7FFF, 0x7FFF);
    for (char c : std::string("\\srv2"))
        SendMessageA(box, WM_CHAR, static_cast<BYTE>(c), 0);
    const std::string typed = Text(box);
    ASSERT_EQ(typed, "D:\\mirserver\\srv2");

    // To another DPI and back again, each in the rectangle Windows suggests. The next
    // larger DPI of those tested, whose window still fits this run's screen (the
    // screen's size goes with its DPI); from the largest back to 96.
    int other = kScreenDpi == 96 ? 120 : kScreenDpi == 120 ? 144 : kScreenDpi == 144 ? 192 : 96;
    for (int dpi : {other, kScreenDpi}) {
        RECT now;
        GetWindowRect(window_, &now);
        RECT suggested{now.left, now.top, now.left + MulDiv(now.right - now.left, dpi, 96),
                       now.top + MulDiv(now.bottom - now.top, dpi, 96)};
        SendMessageA(window_, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ui::Pump();
        RECT after;
        GetWindowRect(window_, &after);
        EXPECT_EQ(after.left, suggested.left) << "placed where Windows suggests";
        EXPECT_EQ(after.top, suggested.top);
        ExpectLaidOutAt(window_, dpi);
        EXPECT_EQ(Text(box), typed) << "what was typed is still in the box";
        EXPECT_EQ(box, ui::UnitHandle(kMainWindowId, "编辑框目录")) << "the same box";
    }
}

} // namespace

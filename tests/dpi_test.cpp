// The panel as a user with a high-DPI screen meets it: the harness runs this program
// in a prefix whose screen has PANEL_TEST_DPI dots per inch (96, 120, 144, 192), and
// once in one with a taller title bar (PANEL_TEST_CAPTION). At every DPI the window's
// client area, every control, every font and the picture are the layout's, scaled, and
// every control paints what it should. A window that is told of another DPI
// (WM_DPICHANGED) ends as a start at that DPI makes it, where it was told to go, with
// what was typed still in the box.
//
// Every expected value here comes from the layout table (the input), from this file's
// own arithmetic, from GDI and USER, or from libjpeg: never from the host's own scaling,
// fonts or decoding, so that a wrong rule there cannot move the expectation with it.
// What the window and its controls paint is read back from their own DCs, as shown.
#include <gtest/gtest.h>

#include <windows.h>

#include <jpeglib.h>
#if PANEL_TEST_DPI == 96 && !defined(PANEL_TEST_CAPTION)
#include <msxml2.h>
#endif

#include <algorithm>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
using panelgeometry::kLayoutDpi;

using panelgeometry::RoundedRatio;
using panelgeometry::Scaled;

// The client area at each DPI this file meets: 730 x 492 at 96, scaled.
struct ClientArea {
    int dpi;
    SIZE size;
};
constexpr ClientArea kClientAreas[] = {
    {96, {730, 492}},   {100, {760, 513}},   {108, {821, 554}},   {120, {913, 615}},
    {132, {1004, 677}}, {144, {1095, 738}},  {150, {1141, 769}},  {168, {1278, 861}},
    {192, {1460, 984}}, {216, {1643, 1107}}, {240, {1825, 1230}},
};
constexpr bool ClientAreasAreTheLayoutsScaled() {
    for (const ClientArea& area : kClientAreas) {
        if (area.size.cx != Scaled(730, area.dpi) || area.size.cy != Scaled(492, area.dpi)) return false;
    }
    return true;
}
static_assert(ClientAreasAreTheLayoutsScaled());

SIZE ClientAreaAt(int dpi) {
    for (const ClientArea& area : kClientAreas) {
        if (area.dpi == dpi) return area.size;
    }
    ADD_FAILURE() << "no client area written down for " << dpi << " DPI";
    return {0, 0};
}

// The layout's rectangle at a DPI: each edge scaled on its own, so that rectangles that
// meet at 96 DPI meet at every DPI.
RECT LayoutRectAt(const UnitDescription& unit, int dpi) {
    return {Scaled(unit.left, dpi), Scaled(unit.top, dpi), Scaled(unit.left + unit.width, dpi),
            Scaled(unit.top + unit.height, dpi)};
}

// The screen's DPI, as GDI gives it to this process.
int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
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

// The default GUI font's height at a DPI: the stock font's height at the screen's DPI,
// taken to 96 DPI once, then to the DPI.
int DefaultFontHeightAt(int dpi) {
    int base = RoundedRatio(LogicalFont(GetStockObject(DEFAULT_GUI_FONT)).lfHeight, kLayoutDpi, ScreenDpi());
    return Scaled(base, dpi);
}

HFONT FontOfControl(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

COLORREF Resolved(COLORREF colour) {
    return colour == kButtonFaceColour ? GetSysColor(COLOR_BTNFACE) : colour;
}

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

// A 32-bit bitmap of the test's own with a DC to draw into, or to read a window into.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(std::max(width, 1)), height_(std::max(height, 1)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        std::uint32_t pixel = GetRValue(fill) << 16 | GetGValue(fill) << 8 | GetBValue(fill);
        if (bits_) std::fill_n(bits_, static_cast<std::size_t>(width_) * height_, pixel);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Ready() const { return bits_ != nullptr; }
    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        std::uint32_t pixel = bits_[static_cast<std::size_t>(y) * width_ + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    int Luminance(int x, int y) const {
        COLORREF c = At(x, y);
        return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// What a window shows, read back from its own DC as it was painted: the whole window
// with its border, or its client area. (A control's WM_PRINT leaves out what it paints
// in its border, and the label answers no WM_PRINTCLIENT, under Wine 8 and 10 alike.)
void ReadShown(HWND hwnd, const Canvas& into, bool client) {
    HDC dc = client ? GetDC(hwnd) : GetWindowDC(hwnd);
    BitBlt(into.Dc(), 0, 0, into.Width(), into.Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, dc);
    GdiFlush();
}
SIZE WindowSize(HWND hwnd) {
    RECT place;
    GetWindowRect(hwnd, &place);
    return {place.right - place.left, place.bottom - place.top};
}

// The bounding box of the pixels inside `area` that are not `background`.
struct Ink {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN}; // right and bottom exclusive
    int pixels = 0;
    int Width() const { return pixels ? box.right - box.left : 0; }
    int Height() const { return pixels ? box.bottom - box.top : 0; }
};
Ink InkOf(const Canvas& canvas, const RECT& area, COLORREF background) {
    Ink ink;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, canvas.Height()); ++y) {
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, canvas.Width()); ++x) {
            if (canvas.At(x, y) == background) continue;
            ++ink.pixels;
            ink.box = {std::min<LONG>(ink.box.left, x), std::min<LONG>(ink.box.top, y),
                       std::max<LONG>(ink.box.right, x + 1), std::max<LONG>(ink.box.bottom, y + 1)};
        }
    }
    return ink;
}
std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") - (" + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

// A pixel of antialiased text: the text colour laid over the background with some
// weight, the same in every channel (within rounding).
bool BlendOf(COLORREF pixel, COLORREF background, COLORREF text) {
    double weight = -1;
    for (int shift : {0, 8, 16}) {
        int p = (pixel >> shift) & 0xFF, b = (background >> shift) & 0xFF, t = (text >> shift) & 0xFF;
        if (p < std::min(b, t) || p > std::max(b, t)) return false;
        if (b == t) continue;
        double w = static_cast<double>(p - b) / (t - b);
        if (weight >= 0 && std::abs(w - weight) > 0.05) return false;
        weight = weight < 0 ? w : weight;
    }
    return true;
}

// An edit box: inside its border, the background fills every row above and below its
// line of text, edge to edge; in that line nothing but the text colour and its
// antialiased edges on the background; and the text in the text colour where GDI puts
// it in the box's font, from the place where the box says its first character is.
// (The box draws control characters and the glyph edges between characters in ways of
// its own, so the glyphs' solid pixels are compared, along its first line.)
void ExpectEditBoxPainted(HWND box, const EditBoxProperties& properties) {
    SIZE size = WindowSize(box);
    Canvas shown(size.cx, size.cy, RGB(1, 2, 3));
    ReadShown(box, shown, false);
    RECT border{0, 0, 0, 0};
    AdjustWindowRectEx(&border, static_cast<DWORD>(GetWindowLongA(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(box, GWL_EXSTYLE)));
    RECT inside{-border.left, -border.top, size.cx - border.right, size.cy - border.bottom};

    // Where the line of text goes, in window coordinates, and how high GDI makes it.
    RECT outer;
    GetWindowRect(box, &outer);
    POINT origin{0, 0};
    ClientToScreen(box, &origin);
    LRESULT first = SendMessageA(box, EM_POSFROMCHAR, 0, 0);
    int x = origin.x - outer.left + static_cast<short>(LOWORD(first));
    int y = origin.y - outer.top + static_cast<short>(HIWORD(first));
    HFONT font = FontOfControl(box);
    std::string text = Text(box);
    std::string firstLine = text.substr(0, text.find_first_of("\r\n"));
    Measured line = Measure(font, firstLine);
    SIZE firstExtent{};
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        GetTextExtentPoint32A(dc, firstLine.c_str(), static_cast<int>(firstLine.size()), &firstExtent);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }

    COLORREF background = Resolved(properties.background), textColour = Resolved(properties.textColour);
    Canvas expected(size.cx, size.cy, background);
    HGDIOBJ old = SelectObject(expected.Dc(), font);
    SetTextColor(expected.Dc(), textColour);
    SetBkMode(expected.Dc(), TRANSPARENT);
    TextOutA(expected.Dc(), x, y, firstLine.c_str(), static_cast<int>(firstLine.size()));
    SelectObject(expected.Dc(), old);

    ASSERT_GE(y, inside.top);
    ASSERT_LE(y + line.lineHeight, inside.bottom);
    int notBackground = 0, otherColour = 0, solidMissing = 0, solidExtra = 0, solid = 0;
    std::string firstWrong;
    auto wrong = [&firstWrong](int& count, int column, int row, COLORREF colour) {
        if (!count++ && firstWrong.empty()) {
            char place[64];
            wsprintfA(place, "(%d, %d) is RGB(%d, %d, %d)", column, row, GetRValue(colour), GetGValue(colour),
                      GetBValue(colour));
            firstWrong = place;
        }
    };
    for (int row = inside.top; row < inside.bottom; ++row) {
        bool inLine = row >= y && row < y + line.lineHeight;
        for (int column = inside.left; column < inside.right; ++column) {
            COLORREF got = shown.At(column, row);
            if (!inLine) {
                if (got != background) wrong(notBackground, column, row, got);
                continue;
            }
            if (!BlendOf(got, background, textColour)) wrong(otherColour, column, row, got);
            if (column < x || column >= x + firstExtent.cx) continue;
            bool want = expected.At(column, row) == textColour;
            solid += want ? 1 : 0;
            if (want && got != textColour) wrong(solidMissing, column, row, got);
            if (!want && got == textColour) wrong(solidExtra, column, row, got);
        }
    }
    SCOPED_TRACE("inside the border " + Describe(inside) + ", the line's rows " + std::to_string(y) + " to " +
                 std::to_string(y + line.lineHeight - 1) + "; the first wrong pixel " + firstWrong);
    EXPECT_EQ(notBackground, 0) << "pixels above or below the line that are not the background";
    EXPECT_EQ(otherColour, 0) << "pixels in the line of another colour than the text's on the background";
    EXPECT_GT(solid, 0) << "GDI draws the text with solid pixels";
    EXPECT_EQ(solidMissing, 0) << "solid pixels of the text, as GDI draws it, not in the text colour";
    EXPECT_EQ(solidExtra, 0) << "pixels in the text colour where GDI draws no solid pixel of the text";
}

// The label's text: its pixels where GDI puts that text in the label's own font, with
// the layout's alignment in its band, spanning all the width the font gives it (a
// canvas wider than the label shows any part that the label would cut off).
void ExpectLabelPainted(HWND label, const LabelProperties& properties) {
    ASSERT_FALSE(properties.wordWrap) << "the label is one line";
    SIZE size = WindowSize(label);
    Canvas shown(size.cx, size.cy, RGB(1, 2, 3));
    ReadShown(label, shown, false);
    COLORREF background = Resolved(properties.background);

    Canvas expected(size.cx + 400, size.cy, background);
    UINT flags = DT_SINGLELINE | DT_NOCLIP;
    flags |= properties.horizontal == HorizontalAlign::Centre  ? DT_CENTER
             : properties.horizontal == HorizontalAlign::Right ? DT_RIGHT
                                                               : DT_LEFT;
    flags |= properties.vertical == VerticalAlign::Centre   ? DT_VCENTER
             : properties.vertical == VerticalAlign::Bottom ? DT_BOTTOM
                                                            : DT_TOP;
    RECT band{0, 0, size.cx, size.cy};
    std::string text = Text(label);
    HGDIOBJ old = SelectObject(expected.Dc(), FontOfControl(label));
    SetTextColor(expected.Dc(), Resolved(properties.textColour));
    SetBkMode(expected.Dc(), TRANSPARENT);
    DrawTextA(expected.Dc(), text.c_str(), -1, &band, flags);
    SelectObject(expected.Dc(), old);

    Ink want = InkOf(expected, {0, 0, expected.Width(), size.cy}, background);
    Ink got = InkOf(shown, {0, 0, size.cx, size.cy}, background);
    ASSERT_GT(want.pixels, 0);
    EXPECT_EQ(got.box.left, want.box.left) << "where the text starts";
    EXPECT_EQ(got.box.right, want.box.right)
        << "the text spans the width its font gives it, " << want.Width();
    EXPECT_EQ(got.box.top, want.box.top) << "the text's top in its band";
    EXPECT_EQ(got.box.bottom, want.box.bottom) << "the text's bottom in its band";
    int wrong = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x)
            wrong += shown.At(x, y) != expected.At(x, y) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0) << "pixels that are not as GDI draws the text in the label's font and colour";
}

// A button's caption: its pixels lie inside the button's face, within the raised edge,
// and are as wide and as high as the caption's own in the button's font, so that no
// part of it is cut off and it is on one line.
void ExpectButtonPainted(HWND button) {
    SIZE size = WindowSize(button);
    Canvas shown(size.cx, size.cy, RGB(1, 2, 3));
    ReadShown(button, shown, false);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    int edgeX = GetSystemMetrics(SM_CXEDGE), edgeY = GetSystemMetrics(SM_CYEDGE);
    RECT inside{edgeX, edgeY, size.cx - edgeX, size.cy - edgeY};

    std::string text = Text(button);
    Measured measured = Measure(FontOfControl(button), text);
    Canvas caption(measured.widest + 40, 4 * measured.lineHeight, face);
    RECT area{20, measured.lineHeight, caption.Width(), caption.Height()};
    HGDIOBJ old = SelectObject(caption.Dc(), FontOfControl(button));
    SetTextColor(caption.Dc(), GetSysColor(COLOR_BTNTEXT));
    SetBkMode(caption.Dc(), TRANSPARENT);
    DrawTextA(caption.Dc(), text.c_str(), -1, &area, DT_LEFT | DT_TOP);
    SelectObject(caption.Dc(), old);

    Ink want = InkOf(caption, {0, 0, caption.Width(), caption.Height()}, face);
    Ink got = InkOf(shown, inside, face);
    ASSERT_GT(want.pixels, 0);
    EXPECT_GT(got.pixels, 0) << "the caption shows";
    EXPECT_EQ(got.Width(), want.Width()) << "the caption's width: " << text;
    EXPECT_EQ(got.Height(), want.Height()) << "the caption's height: " << text;
    EXPECT_GE(got.box.left, inside.left) << "inside the face " << Describe(inside);
    EXPECT_GE(got.box.top, inside.top);
    EXPECT_LE(got.box.right, inside.right);
    EXPECT_LE(got.box.bottom, inside.bottom);
}

// The stored picture as libjpeg decodes it at eighths/8 of its size.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    COLORREF At(int x, int y) const {
        const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        return RGB(p[0], p[1], p[2]);
    }
};
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};
void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1);
}
bool DecodeStoredPicture(unsigned eighths, Picture& picture) {
    HRSRC found = FindResourceA(nullptr, "BACKGROUND", MAKEINTRESOURCEA(10));
    if (!found) return false;
    auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegErrorExit;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, SizeofResource(nullptr, found));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.scale_num = eighths;
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    picture.width = static_cast<int>(info.output_width);
    picture.height = static_cast<int>(info.output_height);
    picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            picture.rgb.data() + static_cast<std::size_t>(info.output_scanline) * picture.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// libjpeg scales by n/8 as it decodes, rounding the size up. Where that gives the
// picture's size at the DPI exactly, the window shows that decode, pixel for pixel;
// 0 where no n/8 (1 to 16) does, and the picture is resampled.
unsigned ExactEighths(int dpi, SIZE unscaled) {
    if (dpi * 8 % kLayoutDpi != 0) return 0;
    auto eighths = static_cast<unsigned>(dpi * 8 / kLayoutDpi);
    auto decoded = [eighths](int length) { return static_cast<int>((length * eighths + 7) / 8); };
    bool exact = eighths <= 16 && decoded(unscaled.cx) == Scaled(unscaled.cx, dpi) &&
                 decoded(unscaled.cy) == Scaled(unscaled.cy, dpi);
    return exact ? eighths : 0;
}

// The picture's long horizontal frame lines at 96 DPI: rows where a run of at least
// 300 light pixels lies on the dark picture, as (row, first column, last column).
struct FrameLine {
    int y, x0, x1;
};
std::vector<FrameLine> FrameLines(const Picture& picture) {
    std::vector<FrameLine> lines;
    auto light = [&](int x, int y) {
        COLORREF c = picture.At(x, y);
        return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10 >= 110;
    };
    for (int y = 0; y < picture.height; ++y) {
        int runStart = -1;
        for (int x = 0; x <= picture.width; ++x) {
            if (x < picture.width && light(x, y)) {
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

// The picture as the window shows it at a DPI, where no control covers it: its frame
// lines on the rows its size at the DPI puts them, and, where libjpeg decodes that
// size itself, every pixel as libjpeg decodes it, tiled from the top-left corner.
void ExpectPictureShownAt(HWND window, int dpi) {
    Picture at96;
    ASSERT_TRUE(DecodeStoredPicture(8, at96));
    std::vector<FrameLine> lines = FrameLines(at96);
    ASSERT_GE(lines.size(), 4u) << "the picture's frames";

    RECT client;
    GetClientRect(window, &client);
    Canvas shown(client.right, client.bottom, RGB(1, 2, 3));
    ASSERT_TRUE(shown.Ready());
    ReadShown(window, shown, true);
    std::vector<bool> underControls(static_cast<std::size_t>(client.right) * client.bottom);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place = PlaceInParent(child);
        for (int y = std::max<int>(place.top, 0); y < std::min<int>(place.bottom, client.bottom); ++y) {
            for (int x = std::max<int>(place.left, 0); x < std::min<int>(place.right, client.right); ++x)
                underControls[static_cast<std::size_t>(y) * client.right + x] = true;
        }
    }
    auto covered = [&underControls, &client](int x, int y) {
        return x < 0 || y < 0 || x >= client.right || y >= client.bottom ||
               underControls[static_cast<std::size_t>(y) * client.right + x];
    };

    for (const FrameLine& line : lines) {
        int y = Scaled(line.y, dpi);
        int x0 = Scaled(line.x0, dpi) + 4, x1 = std::min<int>(Scaled(line.x1, dpi) - 4, client.right - 1);
        // The row of the three nearest that is most lit, of its pixels no control covers.
        double best = 0;
        int open = 0;
        for (int row = y - 1; row <= y + 1; ++row) {
            int lit = 0, seen = 0;
            for (int x = x0; x <= x1; ++x) {
                if (covered(x, row)) continue;
                ++seen;
                lit += shown.Luminance(x, row) >= 90 ? 1 : 0;
            }
            open = std::max(open, seen);
            if (seen) best = std::max(best, static_cast<double>(lit) / seen);
        }
        EXPECT_GT(open, 0) << "the frame line of row " << line.y << " is not all under controls";
        EXPECT_GE(best, 0.9) << "the frame line of row " << line.y << " at 96 DPI, at row " << y << " here";
    }

    unsigned eighths = ExactEighths(dpi, {at96.width, at96.height});
    if (!eighths) return;
    Picture decoded;
    ASSERT_TRUE(DecodeStoredPicture(eighths, decoded));
    int differing = 0, compared = 0;
    std::string firstDiffering;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            if (covered(x, y)) continue;
            ++compared;
            COLORREF want = decoded.At(x % decoded.width, y % decoded.height);
            if (shown.At(x, y) == want) continue;
            if (!differing++) firstDiffering = std::to_string(x) + ", " + std::to_string(y);
        }
    }
    EXPECT_GT(compared, client.right * client.bottom / 2);
    EXPECT_EQ(differing, 0) << "pixels of the picture that are not libjpeg's decode at " << eighths
                            << "/8; the first at " << firstDiffering;
}

// Until the window and every control in it have painted what they were asked to.
bool PaintedThrough(HWND window) {
    return ui::PumpUntil(
        [window] {
            if (GetUpdateRect(window, nullptr, FALSE)) return false;
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (GetUpdateRect(child, nullptr, FALSE)) return false;
            }
            return true;
        },
        10000);
}

// Each control as it paints itself at the window's DPI. The focus goes to the first
// box, so that no button draws a focus rectangle, and the box's caret is hidden while
// the controls are read.
void ExpectControlsPainted(HWND window) {
    const WindowEntry* entry = FindWindowEntry(kMainWindowId);
    ASSERT_NE(entry, nullptr);
    RECT outer, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, onScreen;
    GetWindowRect(window, &outer);
    IntersectRect(&onScreen, &outer, &screen);
    ASSERT_TRUE(EqualRect(&onScreen, &outer))
        << "the window " << Describe(outer) << " is on the screen, where its pixels can be read";
    SetFocus(ui::UnitHandle(kMainWindowId, "编辑框目录"));
    ASSERT_TRUE(PaintedThrough(window));
    HideCaret(nullptr);
    for (std::size_t i = 1; i < entry->units.size(); ++i) {
        const UnitDescription& unit = *entry->units[i].description;
        HWND hwnd = entry->units[i].live ? entry->units[i].live->Handle() : nullptr;
        ASSERT_NE(hwnd, nullptr) << unit.name;
        SCOPED_TRACE(std::string("painted: ") + unit.name);
        switch (unit.type) {
        case kTypeEditBox:
            ExpectEditBoxPainted(hwnd, *static_cast<const EditBoxProperties*>(unit.properties));
            break;
        case kTypeLabel:
            ExpectLabelPainted(hwnd, *static_cast<const LabelProperties*>(unit.properties));
            break;
        case kTypeButton:
            ExpectButtonPainted(hwnd);
            break;
        }
    }
    ShowCaret(nullptr);
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
            EXPECT_EQ(logfont.lfHeight, DefaultFontHeightAt(dpi)) << "the default GUI font at that DPI";
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
            HDC dc = GetDC(nullptr);
            HGDIOBJ old = SelectObject(dc, font);
            SIZE ideograph{};
            GetTextExtentPoint32A(dc, "国", 2, &ideograph);
            SelectObject(dc, old);
            ReleaseDC(nullptr, dc);
            int minimum = ideograph.cy + 2 * MetricAt(SM_CYEDGE, dpi);
            EXPECT_EQ(place.bottom - place.top, std::max<int>(rect.bottom - rect.top, minimum));
            break;
        }
        }
    }

    ASSERT_TRUE(PaintedThrough(window));
    ExpectPictureShownAt(window, dpi);
    ExpectControlsPainted(window);
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
    EXPECT_EQ(ScreenDpi(), kScreenDpi);
    using DpiForWindow = UINT(WINAPI*)(HWND);
    auto forWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(forWindow, nullptr);
    EXPECT_EQ(forWindow(window_), UINT{kScreenDpi});
#ifdef PANEL_TEST_CAPTION
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), PANEL_TEST_CAPTION + 1) << "the title bar of this run";
#endif
}

TEST_F(PanelAtDpi, ClientAreaControlsFontsAndPictureAreTheLayoutScaledAndEveryControlPaintsItself) {
    ExpectLaidOutAt(window_, kScreenDpi);
    // Centred on the screen in whatever frame Windows draws around that client area.
    RECT outer;
    GetWindowRect(window_, &outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);
#if PANEL_TEST_DPI == 96
    if (panelgeometry::ClassicFrame()) {
        EXPECT_EQ(outer.right - outer.left, panelgeometry::kWindowWidth) << "the layout's own size";
        EXPECT_EQ(outer.bottom - outer.top, panelgeometry::kWindowHeight);
        EXPECT_EQ(outer.left, panelgeometry::kWindowLeft);
        EXPECT_EQ(outer.top, panelgeometry::kWindowTop);
    }
#endif
}

// The DPIs the window is told of in turn, ending at the screen's own: the next larger
// one tested, whose window still fits this run's screen (its size goes with its DPI),
// and scales whose picture libjpeg decodes exactly (108 = 9/8, 168 = 14/8) or that
// the picture is resampled for (100, 132, 150, 216, 240).
std::vector<int> DpisInTurn() {
    switch (kScreenDpi) {
    case 96:
        return {120, 108, 100, 96};
    case 120:
        return {144, 132, 120};
    case 144:
        return {192, 168, 150, 144};
    default:
        return {96, 216, 240, kScreenDpi};
    }
}

TEST_F(PanelAtDpi, AnotherDpiLaysTheWindowOutAsAStartThereWhereWindowsSuggestsAndKeepsWhatWasTyped) {
    HWND box = ui::UnitHandle(kMainWindowId, "编辑框目录");
    ASSERT_NE(box, nullptr);
    SendMessageA(box, EM_SETSEL, 0x7FFF, 0x7FFF);
    for (char c : std::string("\\srv2"))
        SendMessageA(box, WM_CHAR, static_cast<BYTE>(c), 0);
    const std::string typed = Text(box);
    ASSERT_EQ(typed, "D:\\mirserver\\srv2");

    // Each change comes with a rectangle of another place and another size than the
    // window has, and than it will take: the window goes to the place and takes the
    // size its client area needs.
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    for (int dpi : DpisInTurn()) {
        RECT now, inside;
        GetWindowRect(window_, &now);
        GetClientRect(window_, &inside);
        SIZE client = ClientAreaAt(dpi);
        SIZE outer{client.cx + (now.right - now.left) - inside.right,
                   client.cy + (now.bottom - now.top) - inside.bottom};
        ASSERT_LE(outer.cx, screenWidth);
        ASSERT_LE(outer.cy, screenHeight);
        POINT at{(screenWidth - outer.cx) / 4 + 3, (screenHeight - outer.cy) / 4 + 2};
        RECT suggested{at.x, at.y, at.x + outer.cx - 37, at.y + outer.cy + 23};
        ASSERT_TRUE(at.x != now.left && at.y != now.top);
        ASSERT_TRUE(suggested.right - suggested.left != now.right - now.left &&
                    suggested.bottom - suggested.top != now.bottom - now.top);
        SendMessageA(window_, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ui::Pump();
        RECT after;
        GetWindowRect(window_, &after);
        EXPECT_EQ(after.left, suggested.left) << "placed where Windows suggests, at " << dpi << " DPI";
        EXPECT_EQ(after.top, suggested.top);
        ExpectLaidOutAt(window_, dpi);
        EXPECT_EQ(Text(box), typed) << "what was typed is still in the box";
        EXPECT_EQ(box, ui::UnitHandle(kMainWindowId, "编辑框目录")) << "the same box";
    }
}

#if PANEL_TEST_DPI == 96 && !defined(PANEL_TEST_CAPTION)
// The manifest of the program that ships, once: it is the same at every DPI.

// The program that ships, beside this test program.
std::wstring ProgramBesideThisOne() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program = path;
    return program.substr(0, program.rfind(L'\\') + 1) + L"QuarvelPanel.exe";
}

// Windows gives a program the activation context of its manifest resource 1
// (CREATEPROCESS_MANIFEST_RESOURCE_ID); its dpiAware setting is what Windows 8.1 and
// 10 before 1607 read for the program's DPI awareness.
TEST(ProgramManifest, TheProgramsActivationContextIsPerMonitorDpiAware) {
    std::wstring program = ProgramBesideThisOne();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE)
        << "no manifest as resource 1 of the program, error " << GetLastError();
    wchar_t value[64] = L"";
    SIZE_T written = 0;
    BOOL answered = QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", value, std::size(value), &written);
    ReleaseActCtx(context);
    ASSERT_TRUE(answered) << "error " << GetLastError();
    EXPECT_EQ(std::wstring(value), L"true/pm");
}

template <typename Interface> struct ComRelease {
    void operator()(Interface* object) const { object->Release(); }
};
template <typename Interface> using ComPointer = std::unique_ptr<Interface, ComRelease<Interface>>;
struct BstrFree {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFree>;
std::wstring TakeBstr(BSTR text) {
    OwnedBstr owned(text);
    return text ? std::wstring(text) : std::wstring();
}

// Every element of a document, by its path of {namespace}name steps from the root:
// its attributes and its text.
struct Element {
    std::map<std::wstring, std::wstring> attributes;
    std::wstring text;
};
void CollectElements(IXMLDOMNode* node, const std::wstring& parent,
                     std::multimap<std::wstring, Element>& into) {
    DOMNodeType type{};
    node->get_nodeType(&type);
    if (type != NODE_ELEMENT) return;
    BSTR text = nullptr;
    node->get_namespaceURI(&text);
    std::wstring path = parent + L"/{" + TakeBstr(text) + L"}";
    node->get_baseName(&text);
    path += TakeBstr(text);
    Element element;
    node->get_text(&text);
    element.text = TakeBstr(text);
    IXMLDOMNamedNodeMap* attributes = nullptr;
    if (SUCCEEDED(node->get_attributes(&attributes)) && attributes) {
        ComPointer<IXMLDOMNamedNodeMap> held(attributes);
        long count = 0;
        attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            IXMLDOMNode* attribute = nullptr;
            if (FAILED(attributes->get_item(i, &attribute)) || !attribute) continue;
            ComPointer<IXMLDOMNode> heldAttribute(attribute);
            attribute->get_nodeName(&text);
            std::wstring name = TakeBstr(text);
            attribute->get_text(&text);
            element.attributes[name] = TakeBstr(text);
        }
    }
    into.emplace(path, element);
    IXMLDOMNodeList* children = nullptr;
    if (FAILED(node->get_childNodes(&children)) || !children) return;
    ComPointer<IXMLDOMNodeList> heldChildren(children);
    long count = 0;
    children->get_length(&count);
    for (long i = 0; i < count; ++i) {
        IXMLDOMNode* child = nullptr;
        if (FAILED(children->get_item(i, &child)) || !child) continue;
        ComPointer<IXMLDOMNode> heldChild(child);
        CollectElements(child, path, into);
    }
}

// The program's manifest resource is well-formed XML, as Windows' XML parser reads its
// bytes, and holds what the README says: the assembly's identity, the trust section in
// its asm.v2 form, the supported Windows versions and the DPI awareness.
TEST(ProgramManifest, IsWellFormedXmlWithIdentityTrustSupportedVersionsAndDpiAwareness) {
    std::wstring program = ProgramBesideThisOne();
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr) << "the manifest is resource 1";
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(image, found)));
    std::vector<std::uint8_t> manifest(bytes, bytes + SizeofResource(image, found));
    FreeLibrary(image);

    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    std::multimap<std::wstring, Element> elements;
    std::string notWellFormed;
    {
        // DOMDocument30 and IXMLDOMDocument, which no import library here defines.
        constexpr CLSID kDomDocument30{
            0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
        constexpr IID kXmlDomDocument{
            0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
        IXMLDOMDocument* created = nullptr;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument,
                                               reinterpret_cast<void**>(&created))));
        ComPointer<IXMLDOMDocument> document(created);
        document->put_async(VARIANT_FALSE);
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(manifest.size()));
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        std::copy(manifest.begin(), manifest.end(), static_cast<std::uint8_t*>(data));
        SafeArrayUnaccessData(array);
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_ARRAY | VT_UI1;
        source.parray = array;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        document->load(source, &loaded);
        VariantClear(&source);
        if (loaded != VARIANT_TRUE) {
            IXMLDOMParseError* error = nullptr;
            BSTR reason = nullptr;
            long line = 0;
            if (SUCCEEDED(document->get_parseError(&error)) && error) {
                error->get_reason(&reason);
                error->get_line(&line);
                error->Release();
            }
            std::wstring why = TakeBstr(reason);
            notWellFormed = "line " + std::to_string(line) + ": " + std::string(why.begin(), why.end());
        }
        IXMLDOMElement* root = nullptr;
        if (SUCCEEDED(document->get_documentElement(&root)) && root) {
            ComPointer<IXMLDOMElement> heldRoot(root);
            CollectElements(root, L"", elements);
        }
    }
    CoUninitialize();
    ASSERT_EQ(notWellFormed, "") << "the manifest is not well-formed XML";

    const std::wstring v1 = L"{urn:schemas-microsoft-com:asm.v1}", v2 = L"{urn:schemas-microsoft-com:asm.v2}",
                       v3 = L"{urn:schemas-microsoft-com:asm.v3}",
                       compatibility = L"{urn:schemas-microsoft-com:compatibility.v1}",
                       settings2005 = L"{http://schemas.microsoft.com/SMI/2005/WindowsSettings}",
                       settings2016 = L"{http://schemas.microsoft.com/SMI/2016/WindowsSettings}";
    auto one = [&elements](const std::wstring& path) -> const Element* {
        auto [first, last] = elements.equal_range(path);
        EXPECT_EQ(std::distance(first, last), 1) << "one element " << std::string(path.begin(), path.end());
        return first == last ? nullptr : &first->second;
    };
    auto attribute = [](const Element* element, const wchar_t* name) {
        if (!element) return std::string("(no element)");
        auto found = element->attributes.find(name);
        return found == element->attributes.end() ? std::string("(none)")
                                                  : std::string(found->second.begin(), found->second.end());
    };
    auto text = [](const Element* element) {
        return element ? std::string(element->text.begin(), element->text.end())
                       : std::string("(no element)");
    };
    const std::wstring assembly = L"/" + v1 + L"assembly";
    EXPECT_EQ(attribute(one(assembly), L"manifestVersion"), "1.0");

    const Element* identity = one(assembly + L"/" + v1 + L"assemblyIdentity");
    EXPECT_EQ(attribute(identity, L"type"), "win32");
    EXPECT_EQ(attribute(identity, L"name"), "Quarvel.ServerPanel");
    EXPECT_EQ(attribute(identity, L"version"), "1.0.1.0");
    EXPECT_EQ(attribute(identity, L"processorArchitecture"), "x86");

    const Element* level = one(assembly + L"/" + v2 + L"trustInfo/" + v2 + L"security/" + v2 +
                               L"requestedPrivileges/" + v2 + L"requestedExecutionLevel");
    EXPECT_EQ(attribute(level, L"level"), "asInvoker");
    EXPECT_EQ(attribute(level, L"uiAccess"), "false");

    // Windows Vista, 7, 8, 8.1, and 10 and 11.
    std::vector<std::string> supported;
    auto [first, last] =
        elements.equal_range(assembly + L"/" + compatibility + L"compatibility/" + compatibility +
                             L"application/" + compatibility + L"supportedOS");
    for (auto it = first; it != last; ++it)
        supported.push_back(attribute(&it->second, L"Id"));
    EXPECT_EQ(supported, (std::vector<std::string>{"{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                                                   "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                                   "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));

    const std::wstring windowsSettings = assembly + L"/" + v3 + L"application/" + v3 + L"windowsSettings/";
    EXPECT_EQ(text(one(windowsSettings + settings2005 + L"dpiAware")), "true/pm");
    EXPECT_EQ(text(one(windowsSettings + settings2016 + L"dpiAwareness")), "PerMonitorV2, PerMonitor");
}
#endif

} // namespace

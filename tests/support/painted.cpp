#include "tests/support/painted.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "panel/layout.h"
#include "tests/support/control_table.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/stored_picture.h"
#include "tests/support/ui.h"

namespace panelcheck {

// What a window shows, read back from its own DC as it was painted: the whole window
// with its border, or its client area. (A control's WM_PRINT leaves out what it paints
// in its border, under Wine 8 and 10 alike.)
void ReadShown(HWND hwnd, const Canvas& into, bool client) {
    HDC dc = client ? GetDC(hwnd) : GetWindowDC(hwnd);
    BitBlt(into.Dc(), 0, 0, into.Width(), into.Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, dc);
    GdiFlush();
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

std::vector<bool> UnderControls(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    std::vector<bool> under(static_cast<std::size_t>(client.right) * client.bottom);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place = ui::PlaceInParent(child);
        for (int y = std::max<int>(place.top, 0); y < std::min<int>(place.bottom, client.bottom); ++y) {
            for (int x = std::max<int>(place.left, 0); x < std::min<int>(place.right, client.right); ++x)
                under[static_cast<std::size_t>(y) * client.right + x] = true;
        }
    }
    return under;
}

HFONT FontOfControl(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

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

namespace {

using panelgeometry::kLayoutDpi;
using panelgeometry::Scaled;
using storedpicture::Picture;
using ui::PlaceInParent;
using ui::Text;

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

// An edit box: its client area is its line of text, in the middle of the box (within
// a pixel); inside its border, the background fills every row above and below that
// line, edge to edge; in that line nothing but the text colour and its antialiased
// edges on the background; and the text in the text colour where GDI puts it in the
// box's font, from the place where the box says its first character is. (The box
// draws control characters and the glyph edges between characters in ways of its
// own, so the glyphs' solid pixels are compared, along its first line.)
void ExpectEditBoxPainted(HWND box) {
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

    COLORREF background = controls::kBoxBackground, textColour = controls::kBoxText;
    Canvas expected(size.cx, size.cy, background);
    HGDIOBJ old = SelectObject(expected.Dc(), font);
    SetTextColor(expected.Dc(), textColour);
    SetBkMode(expected.Dc(), TRANSPARENT);
    TextOutA(expected.Dc(), x, y, firstLine.c_str(), static_cast<int>(firstLine.size()));
    SelectObject(expected.Dc(), old);

    ASSERT_GE(y, inside.top);
    ASSERT_LE(y + line.lineHeight, inside.bottom);
    RECT client;
    GetClientRect(box, &client);
    EXPECT_EQ(client.bottom, line.lineHeight) << "the client area is one line of text";
    int above = origin.y - outer.top, below = outer.bottom - (origin.y + client.bottom);
    EXPECT_LE(std::abs(above - below), 1)
        << "the line sits in the middle: " << above << " above, " << below << " below";
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
// the designed alignment in its band, spanning all the width the font gives it (a
// canvas wider than the label shows any part that the label would cut off).
void ExpectLabelPainted(HWND label) {
    SIZE size = WindowSize(label);
    Canvas shown(size.cx, size.cy, RGB(1, 2, 3));
    ReadShown(label, shown, false);
    COLORREF background = controls::kLabelBackground;

    Canvas expected(size.cx + 400, size.cy, background);
    RECT band{0, 0, size.cx, size.cy};
    std::string text = Text(label);
    HGDIOBJ old = SelectObject(expected.Dc(), FontOfControl(label));
    SetTextColor(expected.Dc(), controls::kLabelText);
    SetBkMode(expected.Dc(), TRANSPARENT);
    DrawTextA(expected.Dc(), text.c_str(), -1, &band, controls::kLabelDrawing);
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
bool LightAt(const Picture& picture, int x, int y) {
    COLORREF c = picture.At(x, y);
    return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10 >= 110;
}
std::vector<FrameLine> FrameLines(const Picture& picture) {
    std::vector<FrameLine> lines;
    auto light = [&](int x, int y) { return LightAt(picture, x, y); };
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

} // namespace

// The picture as the window shows it at a DPI, where no control covers it: its frame
// lines on the rows its size at the DPI puts them, and, where libjpeg decodes that
// size itself, every pixel as libjpeg decodes it, tiled from the top-left corner.
// Pixels in `unpainted` are left out.
void ExpectPictureShownAt(HWND window, int dpi, HRGN unpainted) {
    Picture at96;
    ASSERT_TRUE(storedpicture::Decode(8, at96));
    std::vector<FrameLine> lines = FrameLines(at96);
    ASSERT_GE(lines.size(), 4u) << "the picture's frames";

    RECT client;
    GetClientRect(window, &client);
    Canvas shown(client.right, client.bottom, RGB(1, 2, 3));
    ASSERT_TRUE(shown.Ready());
    ReadShown(window, shown, true);
    std::vector<bool> underControls = UnderControls(window);
    auto covered = [&underControls, &client](int x, int y) {
        return x < 0 || y < 0 || x >= client.right || y >= client.bottom ||
               underControls[static_cast<std::size_t>(y) * client.right + x];
    };
    // And what is still to be painted.
    std::vector<bool> toPaint(underControls.size());
    if (unpainted) {
        std::vector<char> data(GetRegionData(unpainted, 0, nullptr));
        auto* region = reinterpret_cast<RGNDATA*>(data.data());
        ASSERT_TRUE(!data.empty() && GetRegionData(unpainted, static_cast<DWORD>(data.size()), region));
        const auto* rects = reinterpret_cast<const RECT*>(region->Buffer);
        for (DWORD i = 0; i < region->rdh.nCount; ++i) {
            const RECT& r = rects[i];
            for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, client.bottom); ++y) {
                for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, client.right); ++x)
                    toPaint[static_cast<std::size_t>(y) * client.right + x] = true;
            }
        }
    }
    auto skipped = [&toPaint, &covered, &client](int x, int y) {
        return covered(x, y) || toPaint[static_cast<std::size_t>(y) * client.right + x];
    };

    for (const FrameLine& line : lines) {
        int y = Scaled(line.y, dpi);
        int x0 = Scaled(line.x0, dpi) + 4, x1 = std::min<int>(Scaled(line.x1, dpi) - 4, client.right - 1);
        // The row of the three nearest that is most lit, of its painted pixels that no
        // control covers.
        double best = 0;
        int open = 0, painted = 0;
        for (int row = y - 1; row <= y + 1; ++row) {
            int lit = 0, seen = 0;
            for (int x = x0; x <= x1; ++x) {
                if (covered(x, row)) continue;
                ++open;
                if (skipped(x, row)) continue;
                ++seen;
                lit += shown.Luminance(x, row) >= 90 ? 1 : 0;
            }
            painted += seen;
            if (seen) best = std::max(best, static_cast<double>(lit) / seen);
        }
        EXPECT_GT(open, 0) << "the frame line of row " << line.y << " is not all under controls";
        if (painted) {
            EXPECT_GE(best, 0.9) << "the frame line of row " << line.y << " at 96 DPI, at row " << y
                                 << " here";
        }
    }

    unsigned eighths = ExactEighths(dpi, {at96.width, at96.height});
    if (!eighths) return;
    Picture decoded;
    ASSERT_TRUE(storedpicture::Decode(eighths, decoded));
    int differing = 0, open = 0;
    std::string firstDiffering;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            if (covered(x, y)) continue;
            ++open;
            if (skipped(x, y)) continue;
            COLORREF want = decoded.At(x % decoded.width, y % decoded.height);
            if (shown.At(x, y) == want) continue;
            if (!differing++) firstDiffering = std::to_string(x) + ", " + std::to_string(y);
        }
    }
    EXPECT_GT(open, client.right * client.bottom / 2) << "pixels no control covers";
    EXPECT_EQ(differing, 0) << "pixels of the picture that are not libjpeg's decode at " << eighths
                            << "/8; the first at " << firstDiffering;
}

// A frame is a pair of long light lines, top and bottom; the picture's own border runs
// along its edges and is none. Where the top line starts further right than the
// bottom one, the caption's gap lies between its short stub and its long run.
std::vector<PictureFrame> FramesOfPicture() {
    Picture at96;
    std::vector<PictureFrame> frames;
    if (!storedpicture::Decode(8, at96)) return frames;
    std::vector<FrameLine> lines = FrameLines(at96);
    std::erase_if(lines, [](const FrameLine& line) { return line.x0 <= 8; });
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        const FrameLine &top = lines[i], &bottom = lines[i + 1];
        PictureFrame frame{{bottom.x0 - 1, top.y - 1, bottom.x1 + 1, bottom.y + 1}};
        if (top.x0 > bottom.x0 + 1) {
            frame.gapLeft = bottom.x0;
            while (frame.gapLeft < top.x0 && LightAt(at96, frame.gapLeft, top.y))
                ++frame.gapLeft;
            frame.gapRight = top.x0;
        }
        frames.push_back(frame);
    }
    return frames;
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
    RECT outer, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, onScreen;
    GetWindowRect(window, &outer);
    IntersectRect(&onScreen, &outer, &screen);
    ASSERT_TRUE(EqualRect(&onScreen, &outer))
        << "the window " << Describe(outer) << " is on the screen, where its pixels can be read";
    SetFocus(ui::UnitHandle(kMainWindowId, "编辑框目录"));
    ASSERT_TRUE(PaintedThrough(window));
    HideCaret(nullptr);
    for (const controls::Control& control : controls::kControls) {
        HWND hwnd = ui::UnitHandle(kMainWindowId, control.unit);
        ASSERT_NE(hwnd, nullptr) << control.unit;
        SCOPED_TRACE(std::string("painted: ") + control.unit);
        switch (control.kind) {
        case controls::Kind::EditBox:
            ExpectEditBoxPainted(hwnd);
            break;
        case controls::Kind::Label:
            ExpectLabelPainted(hwnd);
            break;
        case controls::Kind::Button:
            ExpectButtonPainted(hwnd);
            break;
        }
    }
    ShowCaret(nullptr);
}

} // namespace panelcheck

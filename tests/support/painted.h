// What the panel's main window shows, read back from the DCs of the window and its
// controls as they painted themselves, against what GDI draws for the same text in
// the same font, and against libjpeg's decode of the picture.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace panelcheck {

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
// with its border, or its client area.
void ReadShown(HWND hwnd, const Canvas& into, bool client);

// A pixel of antialiased text: the text colour laid over the background with some
// weight, the same in every channel (within rounding).
bool BlendOf(COLORREF pixel, COLORREF background, COLORREF text);

// Which points of a window's client area lie under one of its controls, row by row.
std::vector<bool> UnderControls(HWND window);

// Width of the widest line of a text (lines end with CR LF) and the height of a line,
// in a font, as GDI measures them.
struct Measured {
    int widest = 0;
    int lineHeight = 0;
};
Measured Measure(HFONT font, const std::string& text);
HFONT FontOfControl(HWND hwnd);

// Until the window and every control in it have painted what they were asked to;
// false when the time is up first.
bool PaintedThrough(HWND window);

// The picture as the window shows it at a DPI, where no control covers it: its frame
// lines on the rows its size at the DPI puts them, and, where libjpeg decodes that
// size itself, every pixel as libjpeg decodes it, tiled from the top-left corner.
// Pixels in `unpainted` (client coordinates), which the window has yet to paint, are
// left out.
void ExpectPictureShownAt(HWND window, int dpi, HRGN unpainted = nullptr);

// The picture's group frames at 96 DPI, as its own lines draw them (libjpeg's decode):
// each the rectangle its dark and light lines cover, and the columns of the gap its
// caption is cut into in its top line (empty: no caption). Top to bottom.
struct PictureFrame {
    RECT lines;
    int gapLeft = 0, gapRight = 0;
};
std::vector<PictureFrame> FramesOfPicture();

// Each control as it paints itself at the window's DPI: each edit box's background,
// bands and text, the label's text in its own font and whole, each button's caption
// inside it; the colours and the label's alignment as designed (control_table.h).
// The window must be all on the screen.
void ExpectControlsPainted(HWND window);

} // namespace panelcheck

// The window's background picture: a JPEG held in the program's data, decoded into
// 24-bit rows at the window's DPI (its pixels are 96-DPI pixels) and kept until the
// window goes or moves to another DPI. It is decoded on the window's own thread when
// first drawn: when the window first paints, as it is first erased (window_paint.cpp).
// A thread that decoded it ahead while the window made its controls was tried: paired
// with the program without it, the picture came no sooner on screen under Wine 8 or 10,
// and the thread cost about 1 MiB of private bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "host/handles.h"

class BackgroundPicture {
public:
    explicit BackgroundPicture(std::span<const std::uint8_t> jpeg) : jpeg_(jpeg) {}
    BackgroundPicture(const BackgroundPicture&) = delete;
    BackgroundPicture& operator=(const BackgroundPicture&) = delete;

    // The DPI to draw at (96 until set); a new one is decoded on the next Ready().
    void SetDpi(int dpi);
    // Decodes on the first call at a DPI; false when there is no picture or it cannot
    // be decoded.
    bool Ready();
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Copies the part of the picture placed at (x, y) that meets `clip`.
    void Draw(HDC dc, int x, int y, const RECT& clip) const;
    // Draws the whole picture scaled into `target`.
    void DrawScaled(HDC dc, const RECT& target) const;

    // How many pictures this process has decoded.
    static int DecodeCount();

private:
    // Replaces the decoded rows by the picture resampled to `size`.
    bool Resample(const std::vector<std::uint8_t>& rows, SIZE size);

    std::span<const std::uint8_t> jpeg_;
    bool tried_ = false;
    int dpi_ = 96;
    int width_ = 0;
    int height_ = 0;
    BitmapHandle bitmap_; // a 24-bit DIB section holding the decoded rows
};

// Decodes a JPEG into top-down BGR rows padded to 4 bytes, scaled by eighths/8 (1 to
// 16: libjpeg scales as it decodes, smoothly); false when it is not one. `unscaled`
// gets the picture's own size.
bool DecodeJpeg(std::span<const std::uint8_t> jpeg, int& width, int& height, std::vector<std::uint8_t>& rows,
                int eighths = 8, SIZE* unscaled = nullptr);

// The window's background picture: a JPEG held in the program's data, decoded into
// 24-bit rows at the window's DPI (its pixels are 96-DPI pixels) and kept until the
// window goes or moves to another DPI. It is decoded when first drawn, on the window's
// thread, the one that runs WinMain (panel/main.cpp), the start (RunHostProgram,
// start.cpp) and the message loop; the program starts no other. In a start:
// - LoadWindow (window_load.cpp) makes the window: WindowObject::Create
//   (window_create.cpp) makes this object over the picture's bytes (the resource
//   BACKGROUND), and LayOutWindow (window_placement.cpp) gives it the window's DPI
//   (SetDpi). Nothing is decoded yet.
// - LoadWindow makes the controls and lays them out, raises the window's created, moved
//   and resized events, and shows the window (ShowLoaded, window_create.cpp).
// - The window's first erase (under Wine, within ShowLoaded's ShowWindow): WM_ERASEBKGND
//   (OnDrawMessage, window_type.cpp) reaches PaintOnErase and Paint (window_paint.cpp),
//   and Paint's first call of Ready decodes the picture; where that erase paints
//   nothing, the first WM_PAINT's Paint does. In high contrast Paint draws no picture,
//   and nothing is decoded while it lasts.
// A thread that decoded it ahead while the window made its controls was tried: paired
// with the program without it, the picture came no sooner on screen under Wine 8 or 10,
// and the thread cost about 1 MiB of private bytes.
// Tested by tests/main_window_paint_test.cpp (decoded once, pixel for pixel as libjpeg
// decodes it), tests/host_behaviour_paint_test.cpp (the modes, a picture that cannot be
// decoded), tests/dpi_test.cpp and tests/main_window_dpi_change_test.cpp.
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

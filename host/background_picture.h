// The window's background picture: a JPEG held in the program's data, decoded into
// 24-bit rows at the window's DPI (its pixels are 96-DPI pixels) and kept until the
// window goes or moves to another DPI. It is decoded on first use, or ahead of it
// (DecodeAhead): when a window starts, a thread of its own decodes the picture on
// the other core while the window makes its controls and shows, so that the first
// paint finds it ready. The first use waits for that thread, handling the messages
// sent to the window's thread meanwhile (a failure reported from that thread is one).
// Measured under Wine 8: the first paint about 2.5 ms shorter, and about 1 MiB more
// committed memory after the start, which Wine keeps once the thread has ended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "host/handles.h"

class BackgroundPicture {
public:
    explicit BackgroundPicture(std::span<const std::uint8_t> jpeg) : jpeg_(jpeg) {}
    ~BackgroundPicture();
    BackgroundPicture(const BackgroundPicture&) = delete;
    BackgroundPicture& operator=(const BackgroundPicture&) = delete;

    // The DPI to draw at (96 until set); a new one is decoded on the next Ready().
    void SetDpi(int dpi);
    // Starts decoding at the DPI now set on a thread of its own (where one cannot be
    // started, Ready() decodes as it would anyway).
    void DecodeAhead();
    // Decodes on the first call at a DPI, or takes what DecodeAhead decoded at it; false
    // when there is no picture or it cannot be decoded.
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

    // What the thread of DecodeAhead decodes, read once the thread has ended.
    struct Ahead {
        std::span<const std::uint8_t> jpeg;
        int dpi = 0;
        bool decoded = false;
        int width = 0, height = 0;
        SIZE unscaled{};
        std::vector<std::uint8_t> rows;
    };
    static DWORD WINAPI DecodeAheadThread(void* ahead);
    // Waits for the thread of DecodeAhead, if there is one; gives what it decoded.
    std::unique_ptr<Ahead> TakeAhead();
    // Decodes at the DPI, or takes the rows that were decoded ahead at it.
    bool Decode(std::vector<std::uint8_t>& rows, SIZE& unscaled);

    std::span<const std::uint8_t> jpeg_;
    std::unique_ptr<Ahead> ahead_;
    KernelHandle aheadThread_;
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

// The background picture stored in the test program's own resources (BACKGROUND, of
// type 10), as libjpeg decodes it: the expected pixels of every test that looks at
// the picture, never the program's own decoder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace storedpicture {

// Rows from the top, three bytes a pixel in the order red, green, blue.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    COLORREF At(int x, int y) const {
        const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        return RGB(p[0], p[1], p[2]);
    }
};

// The picture as libjpeg decodes it at eighths/8 of its size (8: its own size); false
// when the program has no such resource or libjpeg cannot decode it.
bool Decode(unsigned eighths, Picture& picture);

} // namespace storedpicture

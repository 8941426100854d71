// The first paint's picture decode: the background JPEG decoded again and again with
// libjpeg-turbo, in this process. Run once as it is and once with JSIMD_FORCENONE=1
// to see the SIMD code's share.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "host/background_picture.h"

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    HRSRC found = FindResourceA(nullptr, "BACKGROUND", MAKEINTRESOURCEA(10));
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    std::span<const std::uint8_t> jpeg(bytes, SizeofResource(nullptr, found));
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    std::vector<std::uint8_t> rows;
    for (int i = 0; i < rounds; ++i) {
        int width = 0, height = 0;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!DecodeJpeg(jpeg, width, height, rows)) return 3;
        QueryPerformanceCounter(&end);
        times.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("decode_us_median %.0f\ndecode_us_min %.0f\n", times[times.size() / 2], times.front());
    return 0;
}

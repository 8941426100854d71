// What a window paints: the picture placed by its mode, and the background colour
// wherever no picture covers (host/window_paint.cpp). Expected pixels come from the
// test's own decode of the picture.
#include <algorithm>
#include <cstdint>

#include "host/dpi.h"
#include "tests/host_behaviour_fixture.h"
#include "tests/support/painted.h"
#include "tests/support/stored_picture.h"

namespace {

using namespace hostbehaviour;

constexpr COLORREF kGreen = RGB(0, 160, 0); // in no pixel of the picture

// Picture windows: each a window alone, of its own mode and size.
constexpr std::uint32_t kOnceId = 0x52030001, kCentredId = 0x52030002, kCentredSmallId = 0x52030003,
                        kStretchedId = 0x52030004, kNoPictureId = 0x52030005, kButtonFaceId = 0x52030006,
                        kUndecodableId = 0x52030007, kCentredWideId = 0x52030008;

constexpr WindowProperties Picture(PictureMode mode, const char* picture = "BACKGROUND",
                                   COLORREF background = kGreen) {
    return {.border = WindowBorder::Fixed,
            .position = StartPosition::Stored,
            .background = background,
            .picture = picture,
            .pictureMode = mode};
}
constexpr WindowProperties kOnce = Picture(PictureMode::Once);
constexpr WindowProperties kCentred = Picture(PictureMode::CentredFit);
constexpr WindowProperties kStretched = Picture(PictureMode::Stretched);
constexpr WindowProperties kNoPicture = Picture(PictureMode::Tiled, nullptr);
constexpr WindowProperties kButtonFace = Picture(PictureMode::Tiled, nullptr, kButtonFaceColour);
// The program's icon is no JPEG.
constexpr WindowProperties kUndecodable = Picture(PictureMode::Tiled, "WINDOWICON");

// Larger than the picture (734 x 492), smaller, and wider but lower.
constexpr UnitDescription kOnceUnits[] = {WindowUnit(kOnce, 900, 650)};
constexpr UnitDescription kCentredUnits[] = {WindowUnit(kCentred, 900, 650)};
constexpr UnitDescription kCentredSmallUnits[] = {WindowUnit(kCentred, 400, 300)};
constexpr UnitDescription kCentredWideUnits[] = {WindowUnit(kCentred, 900, 300)};
constexpr UnitDescription kStretchedUnits[] = {WindowUnit(kStretched, 400, 300)};
constexpr UnitDescription kNoPictureUnits[] = {WindowUnit(kNoPicture, 400, 300)};
constexpr UnitDescription kButtonFaceUnits[] = {WindowUnit(kButtonFace, 400, 300)};
constexpr UnitDescription kUndecodableUnits[] = {WindowUnit(kUndecodable, 400, 300)};

constexpr WindowDescription kWindows[] = {
    {kOnceId, kOnceUnits},
    {kCentredId, kCentredUnits},
    {kCentredSmallId, kCentredSmallUnits},
    {kStretchedId, kStretchedUnits},
    {kNoPictureId, kNoPictureUnits},
    {kButtonFaceId, kButtonFaceUnits},
    {kUndecodableId, kUndecodableUnits},
    {kCentredWideId, kCentredWideUnits},
};
[[maybe_unused]] const bool kAdded = AddWindows(kWindows);

// ---- Pixels ---------------------------------------------------------------------------

// The stored picture as libjpeg decodes it.
using Decoded = storedpicture::Picture;

// A window's client area as it was painted, read back from its own DC.
RECT ClientOf(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    return client;
}
class Shown : public panelcheck::Canvas {
public:
    explicit Shown(HWND hwnd) : Shown(hwnd, ClientOf(hwnd)) {}

private:
    Shown(HWND hwnd, RECT client) : Canvas(client.right, client.bottom, RGB(1, 2, 3)) {
        panelcheck::ReadShown(hwnd, *this, true);
    }
};

// Where the picture should stand, and what else: every pixel checked.
struct PixelCount {
    int pictureWrong = 0; // inside the picture's place, not the picture's pixel
    int colourWrong = 0;  // outside it, not the background colour
};
PixelCount CheckPlacedPicture(const Shown& shown, const Decoded& picture, RECT place, COLORREF colour) {
    PixelCount count;
    for (int y = 0; y < shown.Height(); ++y) {
        for (int x = 0; x < shown.Width(); ++x) {
            POINT p{x, y};
            if (PtInRect(&place, p)) {
                count.pictureWrong += shown.At(x, y) != picture.At(x - place.left, y - place.top);
            } else {
                count.colourWrong += shown.At(x, y) != colour;
            }
        }
    }
    return count;
}

TEST_F(HostBehaviour, ThePictureModesPlaceThePictureAndTheColourFillsWhatItLeaves) {
    ASSERT_EQ(SystemDpi(), kLayoutDpi) << "the pictures are compared at their own size";
    Decoded picture;
    ASSERT_TRUE(storedpicture::Decode(8, picture));
    ASSERT_EQ(picture.width, 734);
    ASSERT_EQ(picture.height, 492);

    {
        // Once, at the top-left corner, the rest in the background colour.
        SCOPED_TRACE("once");
        HWND hwnd = Load(kOnceId);
        ASSERT_NE(hwnd, nullptr);
        Shown shown(hwnd);
        ASSERT_GT(shown.Width(), picture.width);
        ASSERT_GT(shown.Height(), picture.height);
        PixelCount count = CheckPlacedPicture(shown, picture, {0, 0, picture.width, picture.height}, kGreen);
        EXPECT_EQ(count.pictureWrong, 0);
        EXPECT_EQ(count.colourWrong, 0);
        DestroyWindow(hwnd);
    }
    {
        // Centred at its own size where it fits.
        SCOPED_TRACE("centred");
        HWND hwnd = Load(kCentredId);
        ASSERT_NE(hwnd, nullptr);
        Shown shown(hwnd);
        int left = (shown.Width() - picture.width) / 2, top = (shown.Height() - picture.height) / 2;
        ASSERT_GT(left, 0);
        ASSERT_GT(top, 0);
        PixelCount count = CheckPlacedPicture(
            shown, picture, {left, top, left + picture.width, top + picture.height}, kGreen);
        EXPECT_EQ(count.pictureWrong, 0);
        EXPECT_EQ(count.colourWrong, 0);
        DestroyWindow(hwnd);
    }
    for (std::uint32_t id : {kCentredSmallId, kCentredWideId}) {
        // Centred and scaled down, its sides in proportion, where it does not fit on
        // either side: it fills the client area's width or its height, and the colour
        // the rest.
        SCOPED_TRACE(id == kCentredWideId ? "centred, scaled down, the window too low"
                                          : "centred, scaled down");
        HWND hwnd = Load(id);
        ASSERT_NE(hwnd, nullptr);
        Shown shown(hwnd);
        int cw = shown.Width(), ch = shown.Height();
        ASSERT_TRUE(cw < picture.width || ch < picture.height);
        double scale =
            std::min(static_cast<double>(cw) / picture.width, static_cast<double>(ch) / picture.height);
        int width = static_cast<int>(picture.width * scale),
            height = static_cast<int>(picture.height * scale);
        RECT place{(cw - width) / 2, (ch - height) / 2, (cw - width) / 2 + width, (ch - height) / 2 + height};
        // Within a pixel of where the proportion puts it, on either side.
        RECT inner = place, outer = place;
        InflateRect(&inner, -1, -1);
        InflateRect(&outer, 1, 1);
        int colourInside = 0, colourOutside = 0;
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                POINT p{x, y};
                if (PtInRect(&inner, p)) colourInside += shown.At(x, y) == kGreen;
                if (!PtInRect(&outer, p)) colourOutside += shown.At(x, y) != kGreen;
            }
        }
        EXPECT_EQ(colourInside, 0);
        EXPECT_EQ(colourOutside, 0);
        EXPECT_GT((cw - width) + (ch - height), 2) << "some of the colour shows";
        DestroyWindow(hwnd);
    }
    {
        // Stretched over the whole client area: no colour shows, and the area has the
        // picture's mean colour.
        SCOPED_TRACE("stretched");
        HWND hwnd = Load(kStretchedId);
        ASSERT_NE(hwnd, nullptr);
        Shown shown(hwnd);
        int colour = 0;
        double shownSum[3] = {}, pictureSum[3] = {};
        for (int y = 0; y < shown.Height(); ++y) {
            for (int x = 0; x < shown.Width(); ++x) {
                COLORREF c = shown.At(x, y);
                colour += c == kGreen;
                shownSum[0] += GetRValue(c), shownSum[1] += GetGValue(c), shownSum[2] += GetBValue(c);
            }
        }
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                COLORREF c = picture.At(x, y);
                pictureSum[0] += GetRValue(c), pictureSum[1] += GetGValue(c), pictureSum[2] += GetBValue(c);
            }
        }
        EXPECT_EQ(colour, 0);
        double shownCount = static_cast<double>(shown.Width()) * shown.Height();
        double pictureCount = static_cast<double>(picture.width) * picture.height;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(shownSum[i] / shownCount, pictureSum[i] / pictureCount, 8.0) << "channel " << i;
        // Its corners are the picture's corners.
        EXPECT_NE(shown.At(0, 0), kGreen);
        EXPECT_NE(shown.At(shown.Width() - 1, shown.Height() - 1), kGreen);
        DestroyWindow(hwnd);
    }
}

TEST_F(HostBehaviour, WithoutAPictureOrWithOneThatCannotBeDecodedTheColourFillsAll) {
    struct Case {
        std::uint32_t id;
        COLORREF colour;
    };
    // The button-face marker stands for Windows' own button-face colour.
    for (Case c : {Case{kNoPictureId, kGreen}, Case{kUndecodableId, kGreen},
                   Case{kButtonFaceId, GetSysColor(COLOR_BTNFACE)}}) {
        SCOPED_TRACE(c.id);
        HWND hwnd = Load(c.id);
        ASSERT_NE(hwnd, nullptr);
        Shown shown(hwnd);
        ASSERT_GT(shown.Width() * shown.Height(), 0);
        int wrong = 0;
        for (int y = 0; y < shown.Height(); ++y) {
            for (int x = 0; x < shown.Width(); ++x)
                wrong += shown.At(x, y) != c.colour;
        }
        EXPECT_EQ(wrong, 0);
        DestroyWindow(hwnd);
    }
}

} // namespace

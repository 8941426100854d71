// The main window's painting: the picture, decoded once and tiled from the top-left
// corner, pixel for pixel as libjpeg decodes it, all of it once a window that lay over
// part of it as it showed has gone, and on the screen also where the window was printed
// before painting there; and the hint label's colours, the same when it is printed into
// another DC.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "host/background_picture.h"
#include "tests/main_window_fixture.h"
#include "tests/support/painted.h"
#include "tests/support/stored_picture.h"
#include "tests/support/ui.h"

namespace {

using mainwindow::MainWindow;

// Pixels of the window as drawn, read back from its own DC.
class WindowPixels {
public:
    explicit WindowPixels(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowPixels() { ReleaseDC(hwnd_, dc_); }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HWND hwnd_;
    HDC dc_;
};

TEST_F(MainWindow, ThePictureIsDecodedOnceAndTiledFromTheTopLeftCorner) {
    // The expected pixels: libjpeg's decode of the same picture, not the program's.
    storedpicture::Picture picture;
    ASSERT_TRUE(storedpicture::Decode(8, picture));
    ASSERT_EQ(picture.width, 734);
    ASSERT_EQ(picture.height, 492);
    // The window's, on its first paint.
    EXPECT_EQ(BackgroundPicture::DecodeCount(), decodesBeforeLoad_ + 1);

    for (int i = 0; i < 5; ++i) {
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
    }
    EXPECT_EQ(BackgroundPicture::DecodeCount(), decodesBeforeLoad_ + 1)
        << "one decode however often it repaints";

    // Wider than the picture: its left edge shows again at x = 734.
    SetWindowPos(window_, nullptr, 0, 0, 1000, 521, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(window_);
    RECT client;
    // Wider, and painted all over again.
    EXPECT_TRUE(ui::PumpUntil(
        [&] {
            GetClientRect(window_, &client);
            return client.right > 734 + 20 && !GetUpdateRect(window_, nullptr, FALSE);
        },
        10000));
    ASSERT_GT(client.right, 734 + 20);
    WindowPixels wider(window_);
    for (int y : {3, 10, 20, 30, 47, 100}) {
        for (int x : {0, 3, 10}) {
            EXPECT_EQ(wider.At(734 + x, y), picture.At(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(BackgroundPicture::DecodeCount(), decodesBeforeLoad_ + 1);
}

// Shown while another window lies over part of it, the window has painted that part
// too by the time the other window goes. (Under Wine 8 and 10 the other window does not
// clip the DC of the window's erase, each top-level window drawing into a surface of
// its own: the covered part is painted as the window shows.)
TEST_F(MainWindow, ShownPartlyUnderAnotherWindowItShowsAllOfItsPictureWhenThatWindowGoes) {
    DestroyWindow(window_);
    ui::Pump();
    // Over the middle of the screen, where the window shows, and kept above it.
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> cover(
        CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", nullptr,
                        WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 300, 250, 400, 250, nullptr, nullptr, nullptr,
                        nullptr),
        &DestroyWindow);
    ASSERT_NE(cover, nullptr);
    ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
    window_ = GetWindowHandle(0);
    RECT client, over, shared;
    GetClientRect(window_, &client);
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(cover.get(), &over);
    bool below = false;
    for (HWND next = GetWindow(cover.get(), GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
        below = below || next == window_;
    ASSERT_TRUE(IntersectRect(&shared, &client, &over) && below)
        << "the other window lies over the client area";
    ASSERT_TRUE(panelcheck::PaintedThrough(window_));
    cover.reset();
    ASSERT_TRUE(panelcheck::PaintedThrough(window_));
    panelcheck::ExpectPictureShownAt(window_, 96);
}

// Printed before it has painted a part again (PrintWindow, as a magnifier or a
// screenshot tool prints it), the window still paints that part on the screen: the
// erase that printing sends with the printer's DC paints into that DC alone.
TEST_F(MainWindow, PrintedBeforeItPaintsAPartItStillPaintsThatPartOnTheScreen) {
    // The part's pixels wrong on the screen, as another window moving off it leaves
    // them, and the part invalid.
    RECT part{0, 0, 300, 200};
    HDC dc = GetDC(window_);
    FillRect(dc, &part, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window_, dc);
    InvalidateRect(window_, &part, TRUE);
    // A DC as large as the screen: taken for the window's own, it would reach the part
    // wherever the window stands.
    panelcheck::Canvas printed(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), RGB(1, 2, 3));
    ASSERT_TRUE(printed.Ready());
    ASSERT_TRUE(PrintWindow(window_, printed.Dc(), 0));
    ASSERT_TRUE(panelcheck::PaintedThrough(window_));
    panelcheck::ExpectPictureShownAt(window_, 96);
}

TEST_F(MainWindow, TheHintLabelIsOrangeOnItsOwnBackground) {
    HWND label = Control("标签1");
    InvalidateRect(label, nullptr, TRUE);
    UpdateWindow(label);
    WindowPixels pixels(label);
    RECT client;
    GetClientRect(label, &client);
    std::map<COLORREF, int> seen;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x)
            ++seen[pixels.At(x, y)];
    }
    EXPECT_EQ(pixels.At(1, 1), RGB(66, 62, 51));
    EXPECT_EQ(pixels.At(client.right - 2, client.bottom - 2), RGB(66, 62, 51));
    EXPECT_GT(seen[RGB(255, 128, 0)], 20) << "the caption is drawn in orange";

    // Printed into another DC (a snapshot of the window), it draws the same pixels.
    HDC memory = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, client.right, client.bottom};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    int different = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x)
            different += GetPixel(memory, x, y) != pixels.At(x, y) ? 1 : 0;
    }
    EXPECT_EQ(different, 0) << "pixels that the printed label draws otherwise";
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

} // namespace

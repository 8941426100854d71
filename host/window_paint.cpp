// Painting the window: the background picture placed by its mode, and the background
// colour wherever the picture leaves the client area uncovered. In high contrast, the
// window colour instead, with what only the picture showed drawn as lines and text.
//
// The window paints as soon as Windows erases it, not only on WM_PAINT. Under Wine,
// showing a window erases it and then each of its controls before ShowWindow returns,
// and only then can WM_PAINT come: under Wine 8 the 49 controls' erasing took some
// 50 ms, which the picture waited for. So an erase sent outside WM_PAINT with the
// window's own DC paints all that DC can reach (its clip box; the DC itself keeps the
// drawing to what is visible) and returns nonzero, as WM_ERASEBKGND's page asks of a
// window that erased. It validates nothing: no documented call tells which part of the
// window that DC reached (the system region that GetRandomRgn gives is documented only
// inside BeginPaint and EndPaint), and on a desktop without composition another
// window moving meanwhile could leave a validated part unpainted. So WM_PAINT comes as
// it would and draws those pixels a second time, the same pixels, which nobody sees.
// Within WM_PAINT the erase does nothing, as the paint routine draws every pixel
// anyway; nor does an erase with a DC that is not the window's own (WindowFromDC): a
// control's, asking for its parent's background, or the memory DC that PrintWindow or
// WM_PRINT (a magnifier, a screenshot tool) paints into.
// Tested by tests/main_window_paint_test.cpp, tests/host_behaviour_paint_test.cpp and
// tests/high_contrast_test.cpp.
#include <windows.h>

#include <algorithm>

#include "host/background_picture.h"
#include "host/dpi.h"
#include "host/high_contrast.h"
#include "host/trace.h"
#include "host/window_object.h"

void WindowObject::OnPaint() {
    PAINTSTRUCT paint;
    PANEL_TRACE("WM_PAINT begun");
    inPaint_ = true;
    HDC dc = BeginPaint(hwnd_, &paint);
    inPaint_ = false;
    Paint(dc, paint.rcPaint);
    EndPaint(hwnd_, &paint);
    PANEL_TRACE("WM_PAINT ended");
}

void WindowObject::PaintOnErase(HDC dc) {
    RECT box;
    if (inPaint_ || WindowFromDC(dc) != hwnd_ || GetClipBox(dc, &box) <= NULLREGION) return;
    PANEL_TRACE("painted on erase begun");
    Paint(dc, box);
    PANEL_TRACE("painted on erase ended");
}

// Every pixel of `clip` (client coordinates): the picture as the window places it, and
// the background colour where it leaves the area uncovered.
void WindowObject::Paint(HDC dc, const RECT& clip) {
    if (HighContrastOn()) {
        PaintInSystemColours(dc);
        return;
    }
    const WindowProperties& p = Properties();
    RECT client;
    GetClientRect(hwnd_, &client);
    COLORREF colour = ResolveColour(p.background);

    // What the picture leaves uncovered gets the background colour.
    HRGN uncovered = CreateRectRgnIndirect(&clip);
    auto cover = [&](const RECT& area) {
        HRGN covered = CreateRectRgnIndirect(&area);
        CombineRgn(uncovered, uncovered, covered, RGN_DIFF);
        DeleteObject(covered);
    };
    if (picture_ && picture_->Ready()) {
        int w = picture_->Width(), h = picture_->Height();
        int cw = client.right, ch = client.bottom;
        switch (p.pictureMode) {
        case PictureMode::Tiled:
            for (int y = 0; y < ch; y += h) {
                for (int x = 0; x < cw; x += w) {
                    RECT tile{x, y, x + w, y + h}, meet;
                    if (!IntersectRect(&meet, &tile, &clip)) continue;
                    picture_->Draw(dc, x, y, clip);
                    cover(tile);
                }
            }
            break;
        case PictureMode::Once: {
            RECT area{0, 0, w, h};
            picture_->Draw(dc, 0, 0, clip);
            cover(area);
            break;
        }
        case PictureMode::CentredFit: {
            int dw = w, dh = h;
            if (w > cw || h > ch) {
                // Scaled down to fit, keeping the aspect ratio.
                if (static_cast<long long>(w) * ch > static_cast<long long>(h) * cw) {
                    dw = cw;
                    dh = static_cast<int>(static_cast<long long>(h) * cw / w);
                } else {
                    dh = ch;
                    dw = static_cast<int>(static_cast<long long>(w) * ch / h);
                }
            }
            RECT area{(cw - dw) / 2, (ch - dh) / 2, (cw - dw) / 2 + dw, (ch - dh) / 2 + dh};
            if (dw == w && dh == h) {
                picture_->Draw(dc, area.left, area.top, clip);
            } else {
                picture_->DrawScaled(dc, area);
            }
            cover(area);
            break;
        }
        case PictureMode::Stretched:
            picture_->DrawScaled(dc, client);
            cover(client);
            break;
        }
    }
    BrushHandle brush(CreateSolidBrush(colour));
    FillRgn(dc, uncovered, brush.get());
    DeleteObject(uncovered);
}

// The picture's frames as lines and its captions and line of text as text, in the
// window-text colour on the window colour, at their places at the window's DPI.
void WindowObject::PaintInSystemColours(HDC dc) {
    const WindowProperties& p = Properties();
    RECT client;
    GetClientRect(hwnd_, &client);
    HBRUSH window = GetSysColorBrush(COLOR_WINDOW), ink = GetSysColorBrush(COLOR_WINDOWTEXT);
    FillRect(dc, &client, window);
    SelectedObject font(dc, DefaultFont());
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF colour = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    auto write = [this, dc](const char* text, int left, int top, int width, int height, UINT align) {
        RECT place = ScaleRect(left, top, width, height, dpi_);
        DrawTextA(dc, text, -1, &place, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    };
    int line = std::max(1, ScaleToDpi(1, dpi_));
    for (const PictureFrame& frame : p.frames) {
        RECT r = ScaleRect(frame.left, frame.top, frame.width, frame.height, dpi_);
        const RECT edges[] = {{r.left, r.top, r.right, r.top + line},
                              {r.left, r.bottom - line, r.right, r.bottom},
                              {r.left, r.top, r.left + line, r.bottom},
                              {r.right - line, r.top, r.right, r.bottom}};
        for (const RECT& edge : edges)
            FillRect(dc, &edge, ink);
        if (!frame.caption) continue;
        // The caption stands in a gap of the top line, as on the picture.
        RECT gap =
            ScaleRect(frame.captionLeft, frame.captionTop, frame.captionWidth, frame.captionHeight, dpi_);
        FillRect(dc, &gap, window);
        write(frame.caption, frame.captionLeft, frame.captionTop, frame.captionWidth, frame.captionHeight,
              DT_CENTER);
    }
    if (p.notice.text)
        write(p.notice.text, p.notice.left, p.notice.top, p.notice.width, p.notice.height, DT_LEFT);
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
}

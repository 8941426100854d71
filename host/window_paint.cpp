// Painting the window: the background picture placed by its mode, and the background
// colour wherever the picture leaves the client area uncovered.
#include <windows.h>

#include "host/background_picture.h"
#include "host/window_object.h"

// Every pixel of `clip` (client coordinates): the picture as the window places it, and
// the background colour where it leaves the area uncovered.
void WindowObject::Paint(HDC dc, const RECT& clip) {
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

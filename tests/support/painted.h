// What the panel's main window shows, read back from the DCs of the window and its
// controls as they painted themselves, against what GDI draws for the same text in
// the same font, and against libjpeg's decode of the picture.
#pragma once

#include <windows.h>

#include <string>

namespace panelcheck {

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
void ExpectPictureShownAt(HWND window, int dpi);

// Each control as it paints itself at the window's DPI: each edit box's background,
// bands and text, the label's text in its own font and whole, each button's caption
// inside it. The window must be all on the screen.
void ExpectControlsPainted(HWND window);

} // namespace panelcheck

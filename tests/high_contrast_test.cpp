// The panel in high contrast: the user's colours instead of the picture and the fixed
// colours, switched on and off while the panel runs. Wine's answer to the program's
// question has no flags at all, so the question is answered here as Windows answers it;
// the colours are a high-contrast scheme set with SetSysColors, as Windows sets one, and
// put back after.
//
// Expected places come from the picture's own lines and this file's own rounding; expected colours from the
// scheme this file sets and from the painting it read before the switch. What is shown is read back from the
// windows' own DCs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/high_contrast.h"
#include "host/runtime.h"
#include "host/window_load.h"
#include "panel/layout.h"
#include "tests/main_window_fixture.h"
#include "tests/support/painted.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/ui.h"

namespace {

using panelcheck::BlendOf;
using panelcheck::Canvas;
using panelcheck::UnderControls;
using panelgeometry::Scaled;

// A rectangle of the picture at 96 DPI, as (left, top, width, height).
struct Place {
    int left, top, width, height;
    RECT At(int dpi) const {
        return {Scaled(left, dpi), Scaled(top, dpi), Scaled(left + width, dpi), Scaled(top + height, dpi)};
    }
};
// The picture's group frames as its own lines draw them, each captioned one with its
// text in order and its caption in the gap of its top line. The picture does not show
// how far a caption's place reaches above and below that line, nor where its line of
// text stands: those are the layout's, written here.
struct Frame {
    Place lines;
    Place caption; // width 0: none
    const char* text;
};
constexpr const char* kCaptions[] = {"软件说明", "常用文件", "常用文本"};
constexpr int kCaptionAbove = 8, kCaptionHeight = 16;
std::vector<Frame> FramesOfPicture() {
    std::vector<Frame> frames;
    std::size_t captioned = 0;
    for (const panelcheck::PictureFrame& shown : panelcheck::FramesOfPicture()) {
        const RECT& r = shown.lines;
        Frame frame{{r.left, r.top, r.right - r.left, r.bottom - r.top}, {}, nullptr};
        if (shown.gapRight > shown.gapLeft && captioned < std::size(kCaptions)) {
            frame.caption = {shown.gapLeft, r.top - kCaptionAbove, shown.gapRight - shown.gapLeft,
                             kCaptionHeight};
            frame.text = kCaptions[captioned++];
        }
        frames.push_back(frame);
    }
    return frames;
}
constexpr Place kNoticePlace{24, 410, 686, 24};
constexpr char kNotice[] =
    "提示：文件按钮用记事本打开 D:\\MirServer 下的配置文件，文件夹按钮按上方目录打开资源管理器。";

// A high-contrast scheme in colours that the picture has none of (checked below).
// Antialiased text blends each channel on a curve of its own endpoints; here every
// channel that changes goes from 0 to 255, so a blend keeps red equal to green.
constexpr COLORREF kWindowColour = RGB(0, 0, 0);
constexpr COLORREF kTextColour = RGB(255, 255, 0);
constexpr int kSchemeElements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
constexpr COLORREF kSchemeColours[] = {kWindowColour, kTextColour};

// SPI_GETHIGHCONTRAST as Windows answers it: the flags it sets on every system, and
// HCF_HIGHCONTRASTON while high contrast is on; every other question is Windows' own.
bool g_highContrast = false;
SystemParametersFunction g_windows = nullptr;
BOOL WINAPI AnswerAsWindows(UINT action, UINT size, void* value, UINT flags) {
    if (action != SPI_GETHIGHCONTRAST) return g_windows(action, size, value, flags);
    auto* state = static_cast<HIGHCONTRASTA*>(value);
    if (size != sizeof *state || state->cbSize != sizeof *state) return FALSE;
    state->dwFlags = HCF_AVAILABLE | HCF_HOTKEYACTIVE | HCF_CONFIRMHOTKEY | HCF_HOTKEYSOUND | HCF_INDICATOR |
                     HCF_HOTKEYAVAILABLE | (g_highContrast ? HCF_HIGHCONTRASTON : 0);
    state->lpszDefaultScheme = nullptr;
    return TRUE;
}

bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The size of a text in the window's font, as GDI measures it.
SIZE TextSize(HWND window, const char* text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::string(text).size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

// How high a text's ink is in the stock GUI font made for a DPI, as GDI draws it.
int InkHeightAt(int dpi, const char* text) {
    LOGFONTA font{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    HDC screen = GetDC(nullptr);
    int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi);
    font.lfWidth = MulDiv(font.lfWidth, dpi, systemDpi);
    HFONT made = CreateFontIndirectA(&font);
    Canvas canvas(1500, 100, kWindowColour);
    HGDIOBJ old = SelectObject(canvas.Dc(), made);
    SetTextColor(canvas.Dc(), kTextColour);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    TextOutA(canvas.Dc(), 0, 20, text, static_cast<int>(std::string(text).size()));
    SelectObject(canvas.Dc(), old);
    DeleteObject(made);
    int top = canvas.Height(), bottom = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            if (canvas.At(x, y) == kWindowColour) continue;
            top = std::min(top, y);
            bottom = y + 1;
        }
    }
    return bottom - top;
}

class HighContrast : public mainwindow::MainWindow {
protected:
    void SetUp() override {
        g_windows = SystemParametersEntry();
        SystemParametersEntry() = AnswerAsWindows;
        for (int element : kSchemeElements)
            saved_.push_back(GetSysColor(element));
        g_highContrast = startsOn_;
        if (startsOn_)
            SetSysColors(static_cast<int>(std::size(kSchemeElements)), kSchemeElements, kSchemeColours);
        MainWindow::SetUp();
        if (HasFatalFailure()) return;
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
        box_ = Control("编辑框目录");
        // The focus in the box, so that no button draws a focus rectangle; its caret is
        // hidden whenever the window is read.
        SetFocus(box_);
        ASSERT_TRUE(Painted());
    }
    void TearDown() override {
        // Windows' colours and query back on every path, for the tests after this one.
        g_highContrast = false;
        SetSysColors(static_cast<int>(std::size(kSchemeElements)), kSchemeElements, saved_.data());
        SystemParametersEntry() = g_windows;
        MainWindow::TearDown();
    }

    bool Painted() const { return panelcheck::PaintedThrough(window_); }

    // High contrast on or off as Windows switches it: the scheme's colours, then the
    // setting's change told to the top-level windows. Nothing is repainted by hand.
    void SwitchTo(bool on) {
        if (on == g_highContrast) return;
        g_highContrast = on;
        SetSysColors(static_cast<int>(std::size(kSchemeElements)), kSchemeElements,
                     on ? kSchemeColours : saved_.data());
        SendMessageA(window_, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    }

    // A window's client area as shown, or the whole window, with the box's caret hidden.
    std::unique_ptr<Canvas> Read(HWND hwnd, bool client = true) const {
        RECT area;
        GetClientRect(hwnd, &area);
        if (!client) GetWindowRect(hwnd, &area);
        auto shown = std::make_unique<Canvas>(area.right - area.left, area.bottom - area.top, RGB(1, 2, 3));
        HideCaret(box_);
        panelcheck::ReadShown(hwnd, *shown, client);
        ShowCaret(box_);
        return shown;
    }

    // The window in the scheme at a DPI: nothing of the picture; the frames' lines in
    // the text colour; the captions and the notice whole, in their places, as text; and
    // every other pixel the window colour.
    void ExpectWindowInSchemeAt(int dpi, const std::set<COLORREF>& pictureColours) {
        SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
        std::unique_ptr<Canvas> canvas = Read(window_);
        const Canvas& shown = *canvas;
        std::vector<bool> under = UnderControls(window_);
        int line = std::max(1, Scaled(1, dpi));
        std::vector<Frame> frames = FramesOfPicture();
        ASSERT_EQ(frames.size(), 4u) << "the picture's frames";
        std::vector<RECT> texts;
        std::vector<const char*> written;
        for (const Frame& frame : frames) {
            if (!frame.text) continue;
            texts.push_back(frame.caption.At(dpi));
            written.push_back(frame.text);
        }
        ASSERT_EQ(written.size(), std::size(kCaptions)) << "the captions cut into the frames' top lines";
        texts.push_back(kNoticePlace.At(dpi));
        written.push_back(kNotice);
        auto onFrameLine = [&](int x, int y) {
            for (const Frame& frame : frames) {
                RECT r = frame.lines.At(dpi),
                     inner{r.left + line, r.top + line, r.right - line, r.bottom - line};
                if (Inside(r, x, y) && !Inside(inner, x, y)) return true;
            }
            return false;
        };

        int ofPicture = 0, stray = 0, brokenLine = 0;
        std::vector<int> ink(texts.size()), notText(texts.size()), inkTop(texts.size(), shown.Height()),
            inkBottom(texts.size());
        for (int y = 0; y < shown.Height(); ++y) {
            for (int x = 0; x < shown.Width(); ++x) {
                if (under[static_cast<std::size_t>(y) * shown.Width() + x]) continue;
                COLORREF pixel = shown.At(x, y);
                ofPicture += pictureColours.count(pixel) ? 1 : 0;
                std::size_t in = 0;
                while (in < texts.size() && !Inside(texts[in], x, y))
                    ++in;
                if (in < texts.size()) {
                    if (pixel != kWindowColour) {
                        ++ink[in];
                        inkTop[in] = std::min(inkTop[in], y);
                        inkBottom[in] = y + 1;
                    }
                    notText[in] += BlendOf(pixel, kWindowColour, kTextColour) ? 0 : 1;
                } else if (onFrameLine(x, y)) {
                    brokenLine += pixel != kTextColour ? 1 : 0;
                } else {
                    stray += pixel != kWindowColour ? 1 : 0;
                }
            }
        }
        EXPECT_EQ(ofPicture, 0) << "pixels in colours of the picture";
        EXPECT_EQ(stray, 0)
            << "pixels outside the frames' lines and the texts' places that are not the window colour";
        EXPECT_EQ(brokenLine, 0) << "pixels of the frames' lines that are not the text colour";
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const char* text = written[i];
            SCOPED_TRACE(text);
            EXPECT_GT(ink[i], 20) << "the text is drawn";
            EXPECT_EQ(notText[i], 0) << "pixels of the text that are not its colour on the window colour";
            SIZE size = TextSize(window_, text);
            EXPECT_LE(size.cx, texts[i].right - texts[i].left) << "the text fits its place whole";
            EXPECT_LE(size.cy, texts[i].bottom - texts[i].top);
            EXPECT_NEAR(inkBottom[i] - inkTop[i], InkHeightAt(dpi, text), 1)
                << "the text in the font for the DPI";
        }
    }

    // The label and both boxes in the scheme, all inside their borders (the boxes' bands
    // above and below their line of text too): the window colour with text in the text
    // colour, nothing else.
    void ExpectControlsInScheme() {
        for (const char* name : {"标签1", "编辑框目录", "编辑框1"}) {
            SCOPED_TRACE(name);
            HWND control = ui::UnitHandle(kMainWindowId, name);
            std::unique_ptr<Canvas> shown = Read(control, false);
            RECT border{0, 0, 0, 0};
            AdjustWindowRectEx(&border, static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)));
            RECT inside{-border.left, -border.top, shown->Width() - border.right,
                        shown->Height() - border.bottom};
            int ink = 0, other = 0;
            COLORREF first = 0;
            for (int y = inside.top; y < inside.bottom; ++y) {
                for (int x = inside.left; x < inside.right; ++x) {
                    COLORREF pixel = shown->At(x, y);
                    ink += pixel != kWindowColour ? 1 : 0;
                    if (BlendOf(pixel, kWindowColour, kTextColour)) continue;
                    if (!other++) first = pixel;
                }
            }
            EXPECT_EQ(shown->At(inside.left, inside.top), kWindowColour);
            EXPECT_EQ(shown->At(inside.right - 1, inside.bottom - 1), kWindowColour);
            EXPECT_GT(ink, 20) << "its text is drawn";
            EXPECT_EQ(other, 0) << "pixels that are not the text colour on the window colour, the first "
                                << std::hex << first;
        }
    }

    bool startsOn_ = false;
    std::vector<COLORREF> saved_;
    HWND box_ = nullptr;
};

TEST_F(HighContrast, SwitchedOnThePanelDrawsInTheSchemeAndSwitchedOffExactlyAsBefore) {
    SetWindowTextA(box_, "E:\\srv\\typed");
    ASSERT_TRUE(Painted());
    std::unique_ptr<Canvas> before = Read(window_);
    std::vector<bool> under = UnderControls(window_);
    std::set<COLORREF> pictureColours;
    for (int y = 0; y < before->Height(); ++y) {
        for (int x = 0; x < before->Width(); ++x) {
            if (!under[static_cast<std::size_t>(y) * before->Width() + x])
                pictureColours.insert(before->At(x, y));
        }
    }
    ASSERT_GT(pictureColours.size(), 100u) << "the picture was drawn before the switch";
    for (COLORREF colour : kSchemeColours)
        ASSERT_EQ(pictureColours.count(colour), 0u) << "a colour of the scheme is one of the picture's";
    EXPECT_FALSE(HighContrastOn()) << "available, but off";

    SwitchTo(true);
    EXPECT_TRUE(HighContrastOn());
    ASSERT_TRUE(Painted());
    ExpectWindowInSchemeAt(96, pictureColours);
    ExpectControlsInScheme();
    EXPECT_EQ(ui::Text(box_), "E:\\srv\\typed") << "what was typed stays";

    SwitchTo(false);
    ASSERT_TRUE(Painted());
    std::unique_ptr<Canvas> after = Read(window_);
    int differing = 0;
    for (int y = 0; y < before->Height(); ++y) {
        for (int x = 0; x < before->Width(); ++x)
            differing += before->At(x, y) != after->At(x, y) ? 1 : 0;
    }
    EXPECT_EQ(differing, 0) << "pixels that differ from the painting before high contrast";
    EXPECT_EQ(ui::Text(box_), "E:\\srv\\typed");
}

TEST_F(HighContrast, AtAnotherDpiTheFramesAndTextsAreScaledLikeEverythingElse) {
    std::unique_ptr<Canvas> before = Read(window_);
    std::set<COLORREF> pictureColours;
    for (int y = 0; y < before->Height(); ++y) {
        for (int x = 0; x < before->Width(); ++x)
            pictureColours.insert(before->At(x, y));
    }
    for (COLORREF colour : kSchemeColours)
        pictureColours.erase(colour); // the controls' own pixels are not checked
    SwitchTo(true);
    RECT suggested{0, 0, 0, 0};
    GetWindowRect(window_, &suggested);
    OffsetRect(&suggested, -suggested.left, -suggested.top);
    mainwindow::ChangeDpi(window_, 120, suggested);
    ASSERT_TRUE(Painted());
    RECT client;
    GetClientRect(window_, &client);
    ASSERT_EQ(client.right, Scaled(730, 120));
    ExpectWindowInSchemeAt(120, pictureColours);
    ExpectControlsInScheme();
}

TEST_F(HighContrast, EitherNoticeOfTheSwitchAloneRepaintsTheWindowAtOnce) {
    // The setting's change alone: the scheme's colours are already Windows' own.
    SetSysColors(static_cast<int>(std::size(kSchemeElements)), kSchemeElements, kSchemeColours);
    ASSERT_TRUE(Painted());
    g_highContrast = true;
    SendMessageA(window_, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    ASSERT_TRUE(Painted());
    EXPECT_EQ(Read(window_)->At(2, 2), kWindowColour);

    // The colours' change alone (Windows sends it to every top-level window).
    g_highContrast = false;
    SendMessageA(window_, WM_SYSCOLORCHANGE, 0, 0);
    ASSERT_TRUE(Painted());
    EXPECT_NE(Read(window_)->At(2, 2), kWindowColour) << "the picture again";
}

// Started in high contrast and switched off: each control as it paints itself
// without it, in its own colours.
class StartedInHighContrast : public HighContrast {
protected:
    void SetUp() override {
        startsOn_ = true;
        HighContrast::SetUp();
    }
};

TEST_F(StartedInHighContrast, SwitchedOffTheControlsPaintInTheirOwnColours) {
    ExpectControlsInScheme();
    SwitchTo(false);
    ASSERT_TRUE(Painted());
    panelcheck::ExpectControlsPainted(window_);
}

} // namespace

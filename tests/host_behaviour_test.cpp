// What the host does for windows that the panel's own window does not ask for: the
// picture modes and the background colour where no picture covers, a window shown
// maximized or minimized, default buttons and Enter, mnemonics, the Tab order by
// tab-order number, a modal window that gives back what it disabled as it closes, and
// the set-up messages of a load. Real windows under Wine, made from descriptions of
// this test's own; expected pixels come from the test's own decode of the picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "host/dpi.h"
#include "host/runtime.h"
#include "host/window_load.h"
#include "tests/support/painted.h"
#include "tests/support/stored_picture.h"
#include "tests/support/ui.h"

namespace {

// What the bound routines saw, in order.
std::vector<std::string> g_log;
template <const char* Name> void Log() {
    g_log.push_back(Name);
}

constexpr COLORREF kGreen = RGB(0, 160, 0); // in no pixel of the picture

// ---- Windows of the test's own ------------------------------------------------------

// Picture windows: each a window alone, of its own mode and size.
constexpr std::uint32_t kOnceId = 0x52030001, kCentredId = 0x52030002, kCentredSmallId = 0x52030003,
                        kStretchedId = 0x52030004, kNoPictureId = 0x52030005, kButtonFaceId = 0x52030006,
                        kUndecodableId = 0x52030007, kCentredWideId = 0x52030008;
constexpr std::uint32_t kWindowUnit = 0x06030000;

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

constexpr UnitDescription WindowUnit(const WindowProperties& properties, int width, int height,
                                     std::span<const EventBinding> bindings = {}) {
    return {.id = kWindowUnit,
            .type = kTypeWindow,
            .left = 20,
            .top = 20,
            .width = width,
            .height = height,
            .text = "宿主测试",
            .properties = &properties,
            .bindings = bindings};
}
// Larger than the picture (734 x 492), smaller, and wider but lower.
constexpr UnitDescription kOnceUnits[] = {WindowUnit(kOnce, 900, 650)};
constexpr UnitDescription kCentredUnits[] = {WindowUnit(kCentred, 900, 650)};
constexpr UnitDescription kCentredSmallUnits[] = {WindowUnit(kCentred, 400, 300)};
constexpr UnitDescription kCentredWideUnits[] = {WindowUnit(kCentred, 900, 300)};
constexpr UnitDescription kStretchedUnits[] = {WindowUnit(kStretched, 400, 300)};
constexpr UnitDescription kNoPictureUnits[] = {WindowUnit(kNoPicture, 400, 300)};
constexpr UnitDescription kButtonFaceUnits[] = {WindowUnit(kButtonFace, 400, 300)};
constexpr UnitDescription kUndecodableUnits[] = {WindowUnit(kUndecodable, 400, 300)};

// Shown maximized and minimized.
constexpr std::uint32_t kMaximizedId = 0x52030011, kMinimizedId = 0x52030012;
constexpr WindowProperties kMaximized{
    .border = WindowBorder::Resizable, .maximizeBox = true, .position = StartPosition::Maximized};
constexpr WindowProperties kMinimized{.border = WindowBorder::Fixed, .position = StartPosition::Minimized};
constexpr UnitDescription kMaximizedUnits[] = {WindowUnit(kMaximized, 400, 300)};
constexpr UnitDescription kMinimizedUnits[] = {WindowUnit(kMinimized, 400, 300)};

// Keys: an edit box and seven buttons, two of them default buttons, with and
// without mnemonics.
constexpr std::uint32_t kKeysId = 0x52030021;
constexpr std::uint32_t kKeysEdit = 0x16030001, kOpen = 0x16030002, kFirstDefault = 0x16030003,
                        kSecondDefault = 0x16030004, kSave = 0x16030005, kAmpersand = 0x16030006,
                        kDisabled = 0x16030007, kHidden = 0x16030008;
constexpr char kOpenName[] = "open", kFirstDefaultName[] = "default-1", kSecondDefaultName[] = "default-2",
               kSaveName[] = "save", kAmpersandName[] = "a-and-b", kDisabledName[] = "disabled",
               kHiddenName[] = "hidden";
constexpr EventBinding kOpenClick[] = {On(kEventClick, Log<kOpenName>)};
constexpr EventBinding kFirstDefaultClick[] = {On(kEventClick, Log<kFirstDefaultName>)};
constexpr EventBinding kSecondDefaultClick[] = {On(kEventClick, Log<kSecondDefaultName>)};
constexpr EventBinding kSaveClick[] = {On(kEventClick, Log<kSaveName>)};
constexpr EventBinding kAmpersandClick[] = {On(kEventClick, Log<kAmpersandName>)};
constexpr EventBinding kDisabledClick[] = {On(kEventClick, Log<kDisabledName>)};
constexpr EventBinding kHiddenClick[] = {On(kEventClick, Log<kHiddenName>)};

constexpr WindowProperties kPlainWindow{.border = WindowBorder::Fixed};
constexpr EditBoxProperties kEdit{};
constexpr ButtonProperties kPushButton{};
constexpr ButtonProperties kDefaultButton{.isDefault = true};

constexpr UnitDescription Button(std::uint32_t id, const char* name, int left, int top, const char* caption,
                                 const ButtonProperties& properties, std::span<const EventBinding> bindings,
                                 std::int32_t tabOrder = 0) {
    return {.id = id,
            .name = name,
            .type = kTypeButton,
            .left = left,
            .top = top,
            .width = 80,
            .height = 28,
            .text = caption,
            .tabStop = true,
            .tabOrder = tabOrder,
            .properties = &properties,
            .bindings = bindings};
}

constexpr UnitDescription kKeysUnits[] = {
    WindowUnit(kPlainWindow, 420, 200),
    {.id = kKeysEdit,
     .name = "编辑框1",
     .type = kTypeEditBox,
     .left = 10,
     .top = 10,
     .width = 200,
     .height = 24,
     .text = "内容",
     .tabStop = true,
     .properties = &kEdit},
    Button(kOpen, "按钮1", 10, 50, "&open", kPushButton, kOpenClick),
    Button(kFirstDefault, "按钮2", 100, 50, "默认甲", kDefaultButton, kFirstDefaultClick),
    Button(kSecondDefault, "按钮3", 190, 50, "默认乙", kDefaultButton, kSecondDefaultClick),
    Button(kSave, "按钮4", 280, 50, "保存(&S)", kPushButton, kSaveClick),
    Button(kAmpersand, "按钮5", 10, 90, "A&&B(&C)", kPushButton, kAmpersandClick),
    {.id = kDisabled,
     .name = "按钮6",
     .type = kTypeButton,
     .left = 100,
     .top = 90,
     .width = 80,
     .height = 28,
     .text = "E&xit",
     .disabled = true,
     .tabStop = true,
     .properties = &kPushButton,
     .bindings = kDisabledClick},
    {.id = kHidden,
     .name = "按钮7",
     .type = kTypeButton,
     .left = 190,
     .top = 90,
     .width = 80,
     .height = 28,
     .text = "&Hidden",
     .visible = false,
     .tabStop = true,
     .properties = &kPushButton,
     .bindings = kHiddenClick},
};

// Tab order by tab-order number, and Enter moving the focus: four buttons, none a
// default button, numbered 2, 0, 1, 0 in table order.
constexpr std::uint32_t kTabOrderId = 0x52030031;
constexpr std::uint32_t kTabA = 0x16030011, kTabB = 0x16030012, kTabC = 0x16030013, kTabD = 0x16030014;
constexpr WindowProperties kEnterMovesFocus{.border = WindowBorder::Fixed, .enterMovesFocus = true};
constexpr UnitDescription kTabOrderUnits[] = {
    WindowUnit(kEnterMovesFocus, 420, 160),
    Button(kTabA, "按钮A", 10, 10, "甲", kPushButton, {}, 2),
    Button(kTabB, "按钮B", 100, 10, "乙", kPushButton, {}, 0),
    Button(kTabC, "按钮C", 190, 10, "丙", kPushButton, {}, 1),
    Button(kTabD, "按钮D", 280, 10, "丁", kPushButton, {}, 0),
};

// A modal window and two others, the second of them disabled before the modal one
// comes. The modal window's close request is refused while g_refuseClose is set.
constexpr std::uint32_t kFirstId = 0x52030041, kSecondId = 0x52030042, kModalId = 0x52030043;
bool g_refuseClose = false;
HandlerResult CloseRequest(std::span<const std::uint32_t>) {
    g_log.push_back("close-request");
    return g_refuseClose ? HandlerResult{true, 0} : HandlerResult{};
}
void Destroying() {
    // The windows it disabled, as the modal window is destroyed.
    HWND first = GetWindowHandle(8), second = GetWindowHandle(9);
    g_log.push_back(std::string("destroying: first ") + (IsWindowEnabled(first) ? "enabled" : "disabled") +
                    ", second " + (IsWindowEnabled(second) ? "enabled" : "disabled"));
}
constexpr EventBinding kModalBindings[] = {On(kEventCloseRequest, CloseRequest),
                                           On(kEventDestroying, Destroying)};
constexpr UnitDescription kOtherUnits[] = {WindowUnit(kPlainWindow, 300, 200)};
constexpr UnitDescription kModalUnits[] = {WindowUnit(kPlainWindow, 300, 200, kModalBindings)};

// In list order: GetWindowHandle's index is the place here.
constexpr WindowDescription kWindows[] = {
    {kOnceId, kOnceUnits},
    {kCentredId, kCentredUnits},
    {kCentredSmallId, kCentredSmallUnits},
    {kStretchedId, kStretchedUnits},
    {kNoPictureId, kNoPictureUnits},
    {kButtonFaceId, kButtonFaceUnits},
    {kUndecodableId, kUndecodableUnits},
    {kKeysId, kKeysUnits},
    {kFirstId, kOtherUnits},
    {kSecondId, kOtherUnits},
    {kModalId, kModalUnits},
    {kMaximizedId, kMaximizedUnits},
    {kMinimizedId, kMinimizedUnits},
    {kTabOrderId, kTabOrderUnits},
    {kCentredWideId, kCentredWideUnits},
};
const ProgramDescription kProgram{kWindows, kOnceId};

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

// ---- The fixture ----------------------------------------------------------------------

class HostBehaviour : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kProgram);
    }
    void SetUp() override {
        g_log.clear();
        g_refuseClose = false;
    }
    void TearDown() override {
        for (std::uint32_t i = 0; i < GetWindowCount(); ++i) {
            if (HWND hwnd = GetWindowHandle(i)) {
                EnableWindow(hwnd, TRUE);
                DestroyWindow(hwnd);
            }
        }
        ui::Pump();
    }
    // Loads a window, shows it painted; null when it did not load.
    static HWND Load(std::uint32_t id, bool modal = false) {
        if (!LoadWindow(id, modal, nullptr)) return nullptr;
        HWND hwnd = GetWindowHandle(IndexOf(id));
        if (hwnd) UpdateWindow(hwnd);
        ui::Pump();
        return hwnd;
    }
    static std::uint32_t IndexOf(std::uint32_t id) {
        for (std::uint32_t i = 0; i < std::size(kWindows); ++i) {
            if (kWindows[i].id == id) return i;
        }
        return 0xFFFFFFFF;
    }
    static HWND Control(std::uint32_t windowId, std::uint32_t unitId) {
        Unit* unit = FindUnit(*FindWindowEntry(windowId), unitId);
        return unit && unit->live ? unit->live->Handle() : nullptr;
    }
    // A key as the keyboard would post it to the focused control, through the
    // pre-translation of the loop.
    static void Key(UINT message, WPARAM key) {
        HWND focus = GetFocus();
        LPARAM lParam = 1 | (message == WM_SYSKEYDOWN ? (1 << 29) : 0);
        PostMessageA(focus, message, key, lParam);
        ui::Pump();
    }
};

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

TEST_F(HostBehaviour, AWindowIsShownMaximizedOverTheWorkAreaOrMinimized) {
    HWND maximized = Load(kMaximizedId);
    ASSERT_NE(maximized, nullptr);
    EXPECT_TRUE(ui::PumpUntil([&] { return IsZoomed(maximized) != FALSE; }, 10000));
    EXPECT_TRUE(IsWindowVisible(maximized));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(maximized, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    // The frame may lie beyond the work area, the client area lies inside it, and
    // together they cover it.
    RECT outer, client;
    GetWindowRect(maximized, &outer);
    GetClientRect(maximized, &client);
    MapWindowPoints(maximized, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_LE(outer.left, work.left);
    EXPECT_LE(outer.top, work.top);
    EXPECT_GE(outer.right, work.right);
    EXPECT_GE(outer.bottom, work.bottom);
    EXPECT_GE(client.left, work.left);
    EXPECT_GE(client.top, work.top);
    EXPECT_LE(client.right, work.right);
    EXPECT_LE(client.bottom, work.bottom);
    // Far larger than the 400 x 300 of its description.
    EXPECT_GT(client.right - client.left, 400);

    HWND minimized = Load(kMinimizedId);
    ASSERT_NE(minimized, nullptr);
    EXPECT_TRUE(IsIconic(minimized));
    EXPECT_TRUE(IsWindowVisible(minimized));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(minimized, &placement));
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
}

TEST_F(HostBehaviour, EnterPressesTheFocusedDefaultButtonOrElseTheFirstEnabledOne) {
    HWND window = Load(kKeysId);
    ASSERT_NE(window, nullptr);
    SetFocus(Control(kKeysId, kKeysEdit));
    ASSERT_EQ(GetFocus(), Control(kKeysId, kKeysEdit));
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(g_log, std::vector<std::string>{"default-1"}) << "from the box: the first default button";

    g_log.clear();
    SetFocus(Control(kKeysId, kSecondDefault));
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(g_log, std::vector<std::string>{"default-2"}) << "the focused default button";

    g_log.clear();
    SetFocus(Control(kKeysId, kOpen));
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(g_log, std::vector<std::string>{"default-1"}) << "from a button that is not one";

    g_log.clear();
    EnableWindow(Control(kKeysId, kFirstDefault), FALSE);
    SetFocus(Control(kKeysId, kKeysEdit));
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(g_log, std::vector<std::string>{"default-2"}) << "the first that is enabled";
    EXPECT_EQ(GetFocus(), Control(kKeysId, kKeysEdit)) << "Enter moves no focus in this window";
}

TEST_F(HostBehaviour, AltAndACaptionsMnemonicPressesThatButtonOnly) {
    HWND window = Load(kKeysId);
    ASSERT_NE(window, nullptr);
    SetFocus(Control(kKeysId, kKeysEdit));
    // "&open" by its letter in either case; "保存(&S)" after its two Chinese characters.
    Key(WM_SYSKEYDOWN, 'O');
    EXPECT_EQ(g_log, std::vector<std::string>{"open"});
    g_log.clear();
    Key(WM_SYSKEYDOWN, 'S');
    EXPECT_EQ(g_log, std::vector<std::string>{"save"});
    // In "A&&B(&C)" the first two ampersands show one, and C is the mnemonic.
    g_log.clear();
    Key(WM_SYSKEYDOWN, 'C');
    EXPECT_EQ(g_log, std::vector<std::string>{"a-and-b"});
    // Not B, nor A; "E&xit" is disabled and "&Hidden" not visible; no caption has "&D".
    g_log.clear();
    for (WPARAM key : {'A', 'B', 'X', 'H', 'D'})
        Key(WM_SYSKEYDOWN, key);
    EXPECT_TRUE(g_log.empty()) << g_log.front();
    // Without Alt a letter is only a letter.
    Key(WM_KEYDOWN, 'O');
    EXPECT_TRUE(g_log.empty());
}

TEST_F(HostBehaviour, TabFollowsTheTabOrderNumbersAndEnterMovesTheFocusWhereTheWindowSaysSo) {
    HWND window = Load(kTabOrderId);
    ASSERT_NE(window, nullptr);
    // Numbered 2, 0, 1, 0 in table order (A, B, C, D): taken from the last entry to the
    // first and ordered by number, a number met again going after the earlier one.
    const std::vector<HWND> sequence{Control(kTabOrderId, kTabD), Control(kTabOrderId, kTabB),
                                     Control(kTabOrderId, kTabC), Control(kTabOrderId, kTabA)};
    SetForegroundWindow(window);
    ASSERT_TRUE(ui::PumpUntil([&] { return GetFocus() == sequence[0]; }, 10000))
        << "the first focus is the first of the sequence";
    std::vector<HWND> visited{GetFocus()};
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        Key(WM_KEYDOWN, VK_TAB);
        visited.push_back(GetFocus());
    }
    std::vector<HWND> expected = sequence;
    expected.push_back(sequence[0]);
    EXPECT_EQ(visited, expected);

    // Enter moves on the same way in this window, which has no default button.
    visited = {GetFocus()};
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        Key(WM_KEYDOWN, VK_RETURN);
        visited.push_back(GetFocus());
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(HostBehaviour, AModalWindowGivesBackWhatItDisabledEachToItsStateAsItCloses) {
    HWND first = Load(kFirstId);
    HWND second = Load(kSecondId);
    ASSERT_TRUE(first && second);
    EnableWindow(second, FALSE);
    HWND modal = Load(kModalId, true);
    ASSERT_NE(modal, nullptr);
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_FALSE(IsWindowEnabled(second));
    EXPECT_TRUE(IsWindowEnabled(modal));

    // A refused close keeps everything as it is.
    g_refuseClose = true;
    SendMessageA(modal, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(modal));
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_FALSE(IsWindowEnabled(second));

    g_refuseClose = false;
    g_log.clear();
    SendMessageA(modal, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(modal));
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"close-request", "destroying: first enabled, second disabled"}));
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_FALSE(IsWindowEnabled(second)) << "disabled before, disabled after";
}

// The load's set-up messages, as the window and its controls receive them.
std::vector<std::pair<HWND, UINT>> g_setUp;
LRESULT CALLBACK WatchSetUp(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && (sent->message == 0x806F || sent->message == 0x8004 || sent->message == 0x8076))
        g_setUp.emplace_back(sent->hwnd, sent->message);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HostBehaviour, ALoadSendsItsSetUpMessagesToEachControlFromTheLastToTheFirst) {
    g_setUp.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchSetUp, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    HWND window = Load(kKeysId);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(window, nullptr);

    // 0x806F to every control from the last unit to the first, then 0x8004 once to
    // the window, then 0x8076 to every control the same way.
    std::vector<HWND> lastToFirst;
    for (std::size_t i = std::size(kKeysUnits) - 1; i >= 1; --i)
        lastToFirst.push_back(Control(kKeysId, kKeysUnits[i].id));
    std::vector<std::pair<HWND, UINT>> expected;
    for (HWND control : lastToFirst)
        expected.emplace_back(control, 0x806F);
    expected.emplace_back(window, 0x8004);
    for (HWND control : lastToFirst)
        expected.emplace_back(control, 0x8076);
    EXPECT_EQ(g_setUp, expected);
}

} // namespace

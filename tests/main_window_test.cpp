// The panel's main window as the user meets it, in this process: geometry, classes
// and styles, stacking, Tab order and keys through the real pre-translation, fonts,
// the edit boxes' centred line, and the pixels of the picture and the label.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/background_picture.h"
#include "host/dpi.h"
#include "host/events.h"
#include "host/message_loop.h"
#include "host/runtime.h"
#include "host/window_list.h"
#include "panel/layout.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/ui.h"

namespace {

using ui::PlaceInParent;
using ui::Text;

std::vector<EventRecord> g_events;
void Observe(const EventRecord& record) {
    g_events.push_back(record);
}

std::string ClassOf(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// A key that nothing in the program answers to, pressed after the keys of a test:
// input messages come in the order they were made, so once this thread has taken
// the marker's release from its queue, every key before it has been handled, and so
// has every message posted while they were (posted messages come before input).
constexpr WORD kMarkerKey = VK_F24;

// Keys pressed and released through the system's input queue, handled by the window
// as the loop would; false when the marker did not come through in time.
bool PressKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD key, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (auto [key, up] : keys)
        add(key, up);
    add(kMarkerKey, false);
    add(kMarkerKey, true);
    // The thread's key state follows the key messages it takes: a press flips the
    // toggle bit, the release clears the down bit.
    SHORT before = GetKeyState(kMarkerKey);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        return false;
    return ui::PumpUntil(
        [before] {
            SHORT now = GetKeyState(kMarkerKey);
            return (now & 1) != (before & 1) && !(now & 0x8000);
        },
        10000);
}
bool Press(WORD key) {
    return PressKeys({{key, false}, {key, true}});
}

// What the program asks of Windows about its keyboard cues: the wParam of each
// WM_CHANGEUISTATE sent to one window, in order, as a WH_CALLWNDPROC hook on this
// thread sees it. Wine keeps no UI state that a test could read back instead.
class CueRequests {
public:
    explicit CueRequests(HWND window) {
        s_window = window;
        s_seen.clear();
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~CueRequests() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    CueRequests(const CueRequests&) = delete;
    CueRequests& operator=(const CueRequests&) = delete;
    bool Ready() const { return hook_ != nullptr; }
    std::vector<WPARAM> Take() { return std::exchange(s_seen, {}); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->hwnd == s_window && sent->message == WM_CHANGEUISTATE)
            s_seen.push_back(sent->wParam);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND s_window = nullptr;
    static inline std::vector<WPARAM> s_seen;
    HHOOK hook_ = nullptr;
};
constexpr WPARAM kShowFocus = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
constexpr WPARAM kShowMnemonics = MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL);

// The carriage returns (WM_CHAR '\r') that reach edit boxes, counted by a procedure put
// over the host's own: whatever reaches the box's own procedure below has passed here.
class CarriageReturns {
public:
    void Watch(HWND box) {
        s_counts[box] = 0;
        s_below[box] = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Count)));
    }
    ~CarriageReturns() {
        for (auto [box, below] : s_below) {
            if (IsWindow(box)) SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(below));
        }
        s_below.clear();
    }
    int Of(HWND box) const { return s_counts[box]; }

private:
    static LRESULT CALLBACK Count(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_CHAR && wParam == '\r') ++s_counts[hwnd];
        return CallWindowProcA(s_below[hwnd], hwnd, message, wParam, lParam);
    }
    static inline std::map<HWND, int> s_counts;
    static inline std::map<HWND, WNDPROC> s_below;
};

class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kPanelProgram);
    }
    void SetUp() override {
        SetEventObserver(Observe);
        decodesBeforeLoad_ = BackgroundPicture::DecodeCount();
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        // Ready for the user: in the foreground with a control focused, and painted.
        ASSERT_TRUE(ui::PumpUntil(
            [this] {
                return GetForegroundWindow() == window_ && GetFocus() && IsChild(window_, GetFocus()) &&
                       !GetUpdateRect(window_, nullptr, FALSE);
            },
            10000));
        g_events.clear();
    }
    void TearDown() override {
        SetEventObserver(nullptr);
        if (IsWindow(window_)) DestroyWindow(window_);
        ui::Pump();
    }

    HWND Control(const char* name) const { return ui::UnitHandle(kMainWindowId, name); }
    std::string NameOf(HWND hwnd) const {
        for (const Unit& unit : FindWindowEntry(kMainWindowId)->units) {
            if (unit.live && unit.live->Handle() == hwnd) return unit.description->name;
        }
        return "?";
    }
    std::vector<std::string> ClicksSeen() const {
        std::vector<std::string> clicks;
        for (const EventRecord& e : g_events) {
            if (e.event != 0 || e.unitId == 0 || e.unitId == kMainWindowUnit) continue;
            Unit* unit = FindUnit(*FindWindowEntry(kMainWindowId), e.unitId);
            if (unit && unit->description->type == kTypeButton) clicks.push_back(unit->description->name);
        }
        return clicks;
    }

    HWND window_ = nullptr;
    int decodesBeforeLoad_ = 0;
};

TEST_F(MainWindow, IsCentredFixedAndStyledAsDesigned) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), panelgeometry::kScreenWidth);
    panelgeometry::ExpectCentredAroundItsClientArea(window_);

    EXPECT_EQ(ClassOf(window_), "KZWindow");
    WNDCLASSA windowClass{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "KZWindow", &windowClass));
    EXPECT_EQ(windowClass.style, UINT{CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS});
    EXPECT_EQ(windowClass.hbrBackground, nullptr);

    auto style = static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE));
    auto extended = static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE));
    DWORD wanted = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_MINIMIZEBOX | WS_VISIBLE;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0u);
    EXPECT_TRUE(extended & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(extended & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_EQ(GetWindow(window_, GW_OWNER), nullptr) << "a taskbar button of its own";
    EXPECT_EQ(Text(window_), "Quarvel1.1版本（QQ000000000）[GM技术交流群000000000]");

    EXPECT_NE(SendMessageA(window_, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(window_, WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(MainWindow, HasItsFortyNineControlsInTableOrder) {
    std::vector<HWND> stacking;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        stacking.push_back(child);
    ASSERT_EQ(stacking.size(), kControlCount);

    for (std::size_t i = 0; i < kControlCount; ++i) {
        const UnitDescription& unit = kMainWindow.units[i + 1];
        HWND hwnd = stacking[i];
        SCOPED_TRACE(unit.name);
        EXPECT_EQ(NameOf(hwnd), unit.name) << "stacking order is table order";
        EXPECT_EQ(Text(hwnd), unit.text);
        RECT place = PlaceInParent(hwnd);
        EXPECT_EQ(place.left, unit.left);
        EXPECT_EQ(place.top, unit.top);
        EXPECT_EQ(place.right - place.left, unit.width);
        if (std::string(unit.name) != "编辑框1") {
            EXPECT_EQ(place.bottom - place.top, unit.height);
        }

        auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS),
                  DWORD{WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS});
        EXPECT_EQ((style & WS_TABSTOP) != 0, unit.type != kTypeLabel);
        EXPECT_FALSE(style & WS_DISABLED);
        switch (unit.type) {
        case kTypeButton:
            EXPECT_EQ(ClassOf(hwnd), "Button");
            EXPECT_EQ(style & 0x0F, DWORD{BS_PUSHBUTTON}) << "never a default button";
            EXPECT_EQ(style & (BS_MULTILINE | BS_CENTER | BS_VCENTER),
                      DWORD{BS_MULTILINE | BS_CENTER | BS_VCENTER});
            break;
        case kTypeEditBox:
            EXPECT_EQ(ClassOf(hwnd), "Edit");
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            EXPECT_FALSE(style &
                         (ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NOHIDESEL | ES_CENTER | ES_RIGHT));
            break;
        case kTypeLabel:
            EXPECT_NE(ClassOf(hwnd), "Static") << "the label is a window class of the program's own";
            break;
        }
    }

    // A few rows checked against the design itself rather than the table.
    RECT box = PlaceInParent(Control("编辑框目录"));
    EXPECT_EQ((std::vector<LONG>{box.left, box.top, box.right, box.bottom}),
              (std::vector<LONG>{40, 64, 176, 88}));
    EXPECT_EQ(Text(Control("按钮浏览")), "浏览(B)...\r\n");
    EXPECT_EQ(Text(Control("编辑框目录")), "D:\\mirserver");
    EXPECT_EQ(PlaceInParent(Control("按钮40")).left, 120);
    EXPECT_EQ(PlaceInParent(Control("按钮39")).left, 632);
    EXPECT_TRUE(GetWindowLongA(Control("编辑框目录"), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(GetWindowLongA(Control("编辑框1"), GWL_STYLE) & WS_BORDER);
    EXPECT_FALSE(GetWindowLongA(Control("编辑框1"), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(MainWindow, FontsComeFromTheStoredLogfontOrTheDefaultGuiFont) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(Control("按钮1"), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font, GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA logfont{};
    ASSERT_EQ(GetObjectA(font, sizeof logfont, &logfont), int{sizeof logfont});
    EXPECT_EQ(logfont.lfHeight, -12);
    EXPECT_EQ(logfont.lfWeight, FW_NORMAL);
    EXPECT_STREQ(logfont.lfFaceName, "宋体");
    EXPECT_EQ(logfont.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(logfont.lfQuality, PROOF_QUALITY);
    EXPECT_EQ(logfont.lfOutPrecision, 0);
    EXPECT_EQ(logfont.lfPitchAndFamily, 0);
    for (const char* name : {"按钮2", "按钮浏览", "编辑框目录", "编辑框1"}) {
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(Control(name), WM_GETFONT, 0, 0)),
                  GetStockObject(DEFAULT_GUI_FONT))
            << name;
    }
}

TEST_F(MainWindow, SingleLineBoxesShowOneCentredLine) {
    for (const char* name : {"编辑框目录", "编辑框1"}) {
        SCOPED_TRACE(name);
        HWND box = Control(name);
        HDC dc = GetDC(box);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE w{}, ideograph{};
        GetTextExtentPoint32A(dc, "W", 1, &w);
        GetTextExtentPoint32A(dc, "国", 2, &ideograph);
        SelectObject(dc, old);
        ReleaseDC(box, dc);

        RECT outer, client;
        GetWindowRect(box, &outer);
        GetClientRect(box, &client);
        EXPECT_EQ(client.bottom, w.cy) << "the client area is one text line";
        POINT origin{0, 0};
        ClientToScreen(box, &origin);
        int above = origin.y - outer.top;
        int below = outer.bottom - (origin.y + client.bottom);
        EXPECT_LE(std::abs(above - below), 1) << "the line sits in the middle";

        // A point in the band above the line hits the border: no caret goes there.
        if (above > 2) {
            LRESULT hit = SendMessageA(box, WM_NCHITTEST, 0, MAKELPARAM(origin.x + 5, origin.y - 1));
            EXPECT_EQ(hit, HTBORDER);
        }
        if (std::string(name) == "编辑框1") {
            EXPECT_GT(outer.bottom - outer.top, 16);
            EXPECT_EQ(outer.bottom - outer.top,
                      std::max(16, int(ideograph.cy + 2 * GetSystemMetrics(SM_CYEDGE))));
        }
        DWORD start = 1, end = 1;
        SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 0u);
    }
}

TEST_F(MainWindow, TabWalksTheFortyEightStopsBothWaysFromTheFirstFocus) {
    const std::vector<std::string> sequence{
        "按钮1",  "按钮2",  "按钮3",  "按钮4",  "按钮5",  "按钮6",   "按钮7",    "按钮8",
        "按钮9",  "按钮10", "按钮11", "按钮12", "按钮13", "按钮14",  "按钮15",   "按钮16",
        "按钮17", "按钮18", "按钮19", "按钮20", "按钮28", "按钮26",  "按钮25",   "按钮24",
        "按钮23", "按钮22", "按钮21", "按钮36", "按钮35", "按钮34",  "按钮33",   "按钮32",
        "按钮31", "按钮30", "按钮29", "按钮44", "按钮43", "按钮42",  "按钮41",   "按钮40",
        "按钮45", "按钮27", "按钮37", "按钮38", "按钮39", "编辑框1", "按钮浏览", "编辑框目录"};
    ASSERT_EQ(NameOf(GetFocus()), "按钮1") << "the first focus";

    // Each Tab asks Windows to show the focus rectangles, which a window started with
    // the mouse hides until the keyboard is used; the first one matters.
    CueRequests cues(window_);
    ASSERT_TRUE(cues.Ready());
    std::vector<std::string> forward{NameOf(GetFocus())};
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        ASSERT_TRUE(Press(VK_TAB));
        forward.push_back(NameOf(GetFocus()));
        if (i == 0) {
            EXPECT_EQ(cues.Take(), std::vector<WPARAM>{kShowFocus}) << "on the first Tab";
        }
    }
    std::vector<std::string> expectedForward = sequence;
    expectedForward.push_back("按钮1"); // from the last back to the first
    EXPECT_EQ(forward, expectedForward);

    std::vector<std::string> backward{NameOf(GetFocus())};
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        ASSERT_TRUE(PressKeys({{VK_SHIFT, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_SHIFT, true}}));
        backward.push_back(NameOf(GetFocus()));
    }
    std::vector<std::string> expectedBackward{"按钮1"};
    expectedBackward.insert(expectedBackward.end(), sequence.rbegin(), sequence.rend());
    EXPECT_EQ(backward, expectedBackward);
    EXPECT_EQ(cues.Take(), std::vector<WPARAM>(2 * sequence.size() - 1, kShowFocus))
        << "one per Tab, both ways";
    EXPECT_TRUE(ClicksSeen().empty());
}

TEST_F(MainWindow, EnterAndAltBPressNothingAndSpacePressesTheFocusedButton) {
    ASSERT_EQ(NameOf(GetFocus()), "按钮1");
    CueRequests cues(window_);
    ASSERT_TRUE(cues.Ready());
    // Each press returns once the keys and what they posted have been handled.
    ASSERT_TRUE(Press(VK_RETURN));
    EXPECT_TRUE(cues.Take().empty()) << "Enter moves nothing here";
    ASSERT_TRUE(PressKeys({{VK_MENU, false}, {'B', false}, {'B', true}, {VK_MENU, true}}));
    EXPECT_TRUE(ClicksSeen().empty());
    EXPECT_TRUE(IsWindow(window_));
    // Alt, and Alt with a letter, are keyboard use: the mnemonics' underlines show.
    EXPECT_EQ(cues.Take(), (std::vector<WPARAM>{kShowMnemonics, kShowMnemonics}));

    ASSERT_TRUE(Press(VK_SPACE));
    EXPECT_EQ(ClicksSeen(), std::vector<std::string>{"按钮1"});
}

TEST_F(MainWindow, EnterInEitherOneLineBoxEndsThereWithoutABeepOrAChange) {
    // Windows' one-line edit control answers a carriage return with the error beep.
    CarriageReturns returns;
    for (const char* name : {"编辑框目录", "编辑框1"}) {
        SCOPED_TRACE(name);
        HWND box = Control(name);
        std::string before = Text(box);
        returns.Watch(box);
        SetFocus(box);
        ASSERT_EQ(GetFocus(), box);
        ASSERT_TRUE(Press(VK_RETURN));
        EXPECT_EQ(returns.Of(box), 0);
        EXPECT_EQ(GetFocus(), box);
        EXPECT_EQ(Text(box), before);
    }
    EXPECT_TRUE(ClicksSeen().empty());
}

TEST_F(MainWindow, FocusComesBackToTheControlThatHadItOnReactivation) {
    SetFocus(Control("按钮17"));
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetActiveWindow(other);
    ASSERT_TRUE(ui::PumpUntil([other] { return GetActiveWindow() == other && GetFocus() == other; }, 10000));
    SetActiveWindow(window_);
    EXPECT_TRUE(ui::PumpUntil([this] { return GetActiveWindow() == window_; }, 10000));
    EXPECT_EQ(NameOf(GetFocus()), "按钮17");
    DestroyWindow(other);
}

TEST_F(MainWindow, EscapeInTheDirectoryBoxClosesTheWindow) {
    SetFocus(Control("编辑框目录"));
    // No marker after this key: with the window gone, nothing here would take it. The
    // press is over when the window is.
    ui::PressKey(VK_ESCAPE);
    EXPECT_TRUE(ui::PumpUntil([this] { return !IsWindow(window_); }, 10000));
}

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

std::vector<std::uint8_t> BackgroundRows(int& width, int& height) {
    HRSRC found = FindResourceA(nullptr, "BACKGROUND", MAKEINTRESOURCEA(10));
    auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    std::vector<std::uint8_t> rows;
    EXPECT_TRUE(DecodeJpeg({bytes, SizeofResource(nullptr, found)}, width, height, rows));
    return rows;
}

COLORREF PictureAt(const std::vector<std::uint8_t>& rows, int width, int x, int y) {
    std::size_t stride = (width * 3 + 3) & ~3;
    const std::uint8_t* p = rows.data() + stride * y + x * 3;
    return RGB(p[2], p[1], p[0]);
}

TEST_F(MainWindow, ThePictureIsDecodedOnceAndTiledFromTheTopLeftCorner) {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rows = BackgroundRows(width, height);
    ASSERT_EQ(width, 734);
    ASSERT_EQ(height, 492);
    // Ours above, and the window's on its first paint.
    EXPECT_EQ(BackgroundPicture::DecodeCount(), decodesBeforeLoad_ + 2);

    for (int i = 0; i < 5; ++i) {
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
    }
    EXPECT_EQ(BackgroundPicture::DecodeCount(), decodesBeforeLoad_ + 2)
        << "one decode however often it repaints";

    WindowPixels pixels(window_);
    for (POINT p : {POINT{3, 3}, POINT{10, 20}, POINT{30, 47}, POINT{400, 100}, POINT{700, 200},
                    POINT{20, 426}, POINT{500, 445}}) {
        EXPECT_EQ(pixels.At(p.x, p.y), PictureAt(rows, width, p.x, p.y)) << p.x << "," << p.y;
    }

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
            EXPECT_EQ(wider.At(734 + x, y), PictureAt(rows, width, x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(BackgroundPicture::DecodeCount(), decodesBeforeLoad_ + 2);
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

TEST_F(MainWindow, TheProgramFileCarriesItsVersionInChinese) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string path = program;
    path = path.substr(0, path.rfind('\\') + 1) + "QuarvelPanel.exe";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x0804) << "Chinese (PRC)";
    char* product = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\080403A8\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, "Quarvel 服务端面板");
}

// A window of the tests' own beside the panel's: a one-line and a multi-line box.
constexpr std::uint32_t kBoxesWindowId = 0x52030001;
constexpr WindowProperties kBoxesWindow{.border = WindowBorder::FixedSunken, .escapeCloses = true};
constexpr EditBoxProperties kOneLine{};
constexpr EditBoxProperties kManyLines{.multiLine = true};
constexpr UnitDescription kBoxesUnits[] = {
    {.id = 0x06030000,
     .type = kTypeWindow,
     .left = 10,
     .top = 10,
     .width = 400,
     .height = 300,
     .text = "两个编辑框",
     .properties = &kBoxesWindow},
    {.id = 0x16030001,
     .name = "编辑框1",
     .type = kTypeEditBox,
     .left = 10,
     .top = 10,
     .width = 200,
     .height = 24,
     .text = "一行",
     .tabStop = true,
     .properties = &kOneLine},
    {.id = 0x16030002,
     .name = "编辑框2",
     .type = kTypeEditBox,
     .left = 10,
     .top = 50,
     .width = 200,
     .height = 100,
     .text = "多行",
     .tabStop = true,
     .properties = &kManyLines},
};
constexpr WindowDescription kBoxesWindows[] = {{kBoxesWindowId, kBoxesUnits}};
const ProgramDescription kBoxesProgram{kBoxesWindows, kBoxesWindowId};

TEST(EditBoxKeys, EnterEndsInAOneLineBoxAndBreaksTheLineInAMultiLineOne) {
    if (!Host().hiddenOwner) InitializeHost();
    ReadWindowList(kBoxesProgram);
    ASSERT_TRUE(LoadWindow(kBoxesWindowId, false, nullptr));
    HWND window = FindWindowEntry(kBoxesWindowId)->units[0].live->Handle();
    HWND oneLine = ui::UnitHandle(kBoxesWindowId, "编辑框1");
    HWND manyLines = ui::UnitHandle(kBoxesWindowId, "编辑框2");
    ASSERT_TRUE(oneLine && manyLines);
    ASSERT_TRUE(ui::PumpUntil([window] { return GetForegroundWindow() == window; }, 10000));
    CarriageReturns returns;
    returns.Watch(oneLine);
    returns.Watch(manyLines);
    for (HWND box : {oneLine, manyLines}) {
        SetFocus(box);
        ASSERT_EQ(GetFocus(), box);
        SendMessageA(box, EM_SETSEL, 0x7FFF, 0x7FFF); // the caret at the end
        ASSERT_TRUE(Press(VK_RETURN));
    }
    EXPECT_EQ(returns.Of(oneLine), 0);
    EXPECT_EQ(Text(oneLine), "一行");
    EXPECT_EQ(returns.Of(manyLines), 1);
    EXPECT_EQ(Text(manyLines), "多行\r\n");
    DestroyWindow(window);
    ui::Pump();
}

// ---- The window when Windows changes its DPI, as Windows 8.1 and 10 do ----

constexpr UINT kDpiChanged = 0x02E0;       // WM_DPICHANGED
constexpr UINT kGetDpiScaledSize = 0x02E4; // WM_GETDPISCALEDSIZE

// The client area and every control as a start at `dpi` lays them out. A one-line
// box may be taller than its rectangle, to hold its line.
void ExpectLaidOutAt(HWND window, int dpi) {
    SCOPED_TRACE(testing::Message() << "laid out at " << dpi << " DPI");
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, panelgeometry::Scaled(panelgeometry::kClientWidth, dpi));
    EXPECT_EQ(client.bottom, panelgeometry::Scaled(panelgeometry::kClientHeight, dpi));
    const WindowEntry* entry = FindWindowEntry(kMainWindowId);
    for (std::size_t i = 1; i < entry->units.size(); ++i) {
        const UnitDescription& unit = *entry->units[i].description;
        SCOPED_TRACE(unit.name);
        RECT place = PlaceInParent(entry->units[i].live->Handle());
        EXPECT_EQ(place.left, panelgeometry::Scaled(unit.left, dpi));
        EXPECT_EQ(place.top, panelgeometry::Scaled(unit.top, dpi));
        EXPECT_EQ(place.right, panelgeometry::Scaled(unit.left + unit.width, dpi));
        if (unit.type == kTypeEditBox) {
            EXPECT_GE(place.bottom, panelgeometry::Scaled(unit.top + unit.height, dpi));
        } else {
            EXPECT_EQ(place.bottom, panelgeometry::Scaled(unit.top + unit.height, dpi));
        }
    }
}

// Tells the window of another DPI as Windows does, with the rectangle it suggests.
void ChangeDpi(HWND window, int dpi, RECT suggested) {
    SendMessageA(window, kDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST_F(MainWindow, MinimizedWhileTheDpiChangesItComesBackLaidOutForTheNewDpi) {
    ShowWindow(window_, SW_MINIMIZE);
    ASSERT_TRUE(ui::PumpUntil([this] { return IsIconic(window_) != FALSE; }, 10000));
    RECT minimized;
    GetWindowRect(window_, &minimized);
    ChangeDpi(window_, 120, minimized);
    ui::Pump();
    EXPECT_TRUE(IsIconic(window_)) << "it stays in the taskbar";
    ShowWindow(window_, SW_RESTORE);
    ASSERT_TRUE(ui::PumpUntil(
        [this] { return !IsIconic(window_) && !GetUpdateRect(window_, nullptr, FALSE); }, 10000));
    ExpectLaidOutAt(window_, 120);
}

// Turning drawing back on (WM_SETREDRAW) shows a hidden window: a DPI change must not.
TEST_F(MainWindow, HiddenWhileTheDpiChangesItStaysHiddenAndShowsLaidOutForTheNewDpi) {
    for (bool minimized : {false, true}) {
        SCOPED_TRACE(minimized ? "minimized and hidden" : "hidden");
        ShowWindow(window_, minimized ? SW_MINIMIZE : SW_RESTORE);
        ShowWindow(window_, SW_HIDE);
        ASSERT_TRUE(ui::PumpUntil([this] { return !IsWindowVisible(window_); }, 10000));
        int dpi = minimized ? 96 : 120;
        RECT now;
        GetWindowRect(window_, &now);
        ChangeDpi(window_, dpi, now);
        ui::Pump();
        EXPECT_FALSE(IsWindowVisible(window_)) << "still hidden";
        EXPECT_EQ(IsIconic(window_) != FALSE, minimized);
        ShowWindow(window_, SW_RESTORE);
        ASSERT_TRUE(ui::PumpUntil(
            [this] {
                return IsWindowVisible(window_) && !IsIconic(window_) &&
                       !GetUpdateRect(window_, nullptr, FALSE);
            },
            10000));
        ExpectLaidOutAt(window_, dpi);
    }
}

// The DPIs a window changes to here are those whose layout fits this 1024 x 768
// screen: Windows keeps a window within the screen's size (its largest tracking size).
TEST_F(MainWindow, AskedForItsSizeAtADpiItTakesExactlyTheRectangleOfThatSize) {
    SIZE size{};
    ASSERT_TRUE(SendMessageA(window_, kGetDpiScaledSize, 120, reinterpret_cast<LPARAM>(&size)))
        << "the window answers for itself";
    RECT suggested{40, 30, 40 + size.cx, 30 + size.cy};
    ChangeDpi(window_, 120, suggested);
    ui::Pump();
    RECT now;
    GetWindowRect(window_, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
    ExpectLaidOutAt(window_, 120);
}

// The size of an icon's image.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

TEST_F(MainWindow, ItsIconsAreMadeForItsDpiAndTheOldOnesGoWhenItChanges) {
    using MetricForDpi = int(WINAPI*)(int, UINT);
    auto metric = reinterpret_cast<MetricForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    ASSERT_NE(metric, nullptr);
    auto icons = [this] {
        return std::pair{reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_BIG, 0)),
                         reinterpret_cast<HICON>(SendMessageA(window_, WM_GETICON, ICON_SMALL, 0))};
    };
    auto [big96, small96] = icons();
    EXPECT_EQ(IconSize(big96).cx, metric(SM_CXICON, 96));
    EXPECT_EQ(IconSize(small96).cx, metric(SM_CXSMICON, 96));
    RECT now;
    GetWindowRect(window_, &now);
    ChangeDpi(window_, 144, now);
    ui::Pump();
    auto [big144, small144] = icons();
    EXPECT_EQ(IconSize(big144).cx, metric(SM_CXICON, 144));
    EXPECT_EQ(IconSize(big144).cy, metric(SM_CYICON, 144));
    EXPECT_EQ(IconSize(small144).cx, metric(SM_CXSMICON, 144));
    EXPECT_EQ(IconSize(small144).cy, metric(SM_CYSMICON, 144));
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(big96, &info)) << "the old large icon is destroyed";
    EXPECT_FALSE(GetIconInfo(small96, &info)) << "the old small icon is destroyed";
}

// Paints of each window in this thread while it is watched: WM_PAINT as the thread
// takes it, and the erasing and frame painting sent outside it.
class PaintCounts {
public:
    PaintCounts() {
        instance_ = this;
        taken_ = SetWindowsHookExA(WH_GETMESSAGE, Taken, nullptr, GetCurrentThreadId());
        sent_ = SetWindowsHookExA(WH_CALLWNDPROC, Sent, nullptr, GetCurrentThreadId());
    }
    ~PaintCounts() {
        UnhookWindowsHookEx(taken_);
        UnhookWindowsHookEx(sent_);
        instance_ = nullptr;
    }
    PaintCounts(const PaintCounts&) = delete;
    PaintCounts& operator=(const PaintCounts&) = delete;
    bool Hooked() const { return taken_ && sent_; }
    // (window, message) -> how often
    std::map<std::pair<HWND, UINT>, int> counts;

private:
    static LRESULT CALLBACK Taken(int code, WPARAM wParam, LPARAM lParam) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_PAINT && instance_)
            ++instance_->counts[{message->hwnd, WM_PAINT}];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam) {
        auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && instance_ &&
            (message->message == WM_NCPAINT || message->message == WM_ERASEBKGND))
            ++instance_->counts[{message->hwnd, message->message}];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline PaintCounts* instance_ = nullptr;
    HHOOK taken_ = nullptr;
    HHOOK sent_ = nullptr;
};

TEST_F(MainWindow, ADpiChangeLaysOutEveryControlAtOnceAndPaintsEachWindowOnce) {
    PaintCounts paints;
    ASSERT_TRUE(paints.Hooked());
    RECT now;
    GetWindowRect(window_, &now);
    ChangeDpi(window_, 120, now);
    ASSERT_TRUE(ui::PumpUntil([this] { return !GetUpdateRect(window_, nullptr, FALSE); }, 10000));
    ui::Pump();
    ExpectLaidOutAt(window_, 120);
    int painted = 0;
    for (const auto& [key, count] : paints.counts) {
        SCOPED_TRACE(key.first == window_ ? std::string("the window") : NameOf(key.first));
        EXPECT_LE(count, 1) << "message " << std::hex << key.second;
        painted += key.second == WM_PAINT ? 1 : 0;
    }
    EXPECT_EQ(painted, 50) << "the window and each of its 49 controls painted";
}

// Asks for the frame to be scaled for the window's DPI: the calls that reach Windows.
std::vector<HWND> g_nonClientScaling;
BOOL WINAPI RecordNonClientScaling(HWND window) {
    g_nonClientScaling.push_back(window);
    return FALSE; // as where Windows has no such scaling
}

TEST(WindowStart, AsksWindowsOnceToScaleTheFrameOfTheMainWindow) {
    if (!Host().hiddenOwner) InitializeHost();
    ReadWindowList(kPanelProgram);
    EnableNonClientScalingFunction system = EnableNonClientScalingEntry();
    EnableNonClientScalingEntry() = RecordNonClientScaling;
    g_nonClientScaling.clear();
    ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
    EnableNonClientScalingEntry() = system;
    HWND window = GetWindowHandle(0);
    EXPECT_EQ(g_nonClientScaling, std::vector<HWND>{window});
    panelgeometry::ExpectCentredAroundItsClientArea(window);
    DestroyWindow(window);
    ui::Pump();
}

// Windows of the tests' own that do not fit the 1024 x 768 screen: one too tall, one
// too wide.
constexpr std::uint32_t kTallWindowId = 0x52040001, kWideWindowId = 0x52040002;
constexpr WindowProperties kLargeWindow{.border = WindowBorder::FixedSunken};
constexpr UnitDescription kTallUnits[] = {
    {.id = 0x06040000,
     .type = kTypeWindow,
     .width = 800,
     .height = 900,
     .text = "高窗口",
     .properties = &kLargeWindow},
};
constexpr UnitDescription kWideUnits[] = {
    {.id = 0x06040000,
     .type = kTypeWindow,
     .width = 1200,
     .height = 500,
     .text = "宽窗口",
     .properties = &kLargeWindow},
};
constexpr WindowDescription kLargeWindows[] = {{kTallWindowId, kTallUnits}, {kWideWindowId, kWideUnits}};
const ProgramDescription kLargeWindowsProgram{kLargeWindows, kTallWindowId};

TEST(WindowStart, CentredWhereItFitsAndWithItsCaptionOnTheScreenWhereItDoesNot) {
    if (!Host().hiddenOwner) InitializeHost();
    ReadWindowList(kLargeWindowsProgram);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), panelgeometry::kScreenWidth);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), panelgeometry::kScreenHeight);
    for (std::uint32_t id : {kTallWindowId, kWideWindowId}) {
        ASSERT_TRUE(LoadWindow(id, false, nullptr));
        HWND window = FindWindowEntry(id)->units[0].live->Handle();
        RECT place;
        GetWindowRect(window, &place);
        int width = place.right - place.left, height = place.bottom - place.top;
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        // Centred as ever along the side that fits; the top-left corner on the screen.
        if (width <= panelgeometry::kScreenWidth) {
            EXPECT_EQ(place.left, (panelgeometry::kScreenWidth - width) / 2);
        } else {
            EXPECT_EQ(place.left, work.left);
        }
        if (height <= panelgeometry::kScreenHeight) {
            EXPECT_EQ(place.top, (panelgeometry::kScreenHeight - height) / 2);
        } else {
            EXPECT_EQ(place.top, work.top);
        }
        DestroyWindow(window);
        ui::Pump();
    }
}

} // namespace

// The panel's main window as the user meets it, in this process: its class and styles,
// its controls with their classes, styles and fonts, their stacking and command ids, the
// edit boxes' bands; and where a window is put when it starts. Of the places and fonts
// only a few are checked here, against the design itself; the window's place, every
// control's place and font, and each box's centred line at 96 DPI, against the tests' own
// table of the design (support/control_table.h), are the dpi96 program's checks
// (dpi_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "host/dpi.h"
#include "host/runtime.h"
#include "host/window_load.h"
#include "panel/layout.h"
#include "tests/main_window_fixture.h"
#include "tests/support/panel_geometry.h"
#include "tests/support/ui.h"

namespace {

using mainwindow::MainWindow;
using ui::PlaceInParent;
using ui::Text;

std::string ClassOf(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

TEST_F(MainWindow, IsFixedAndStyledAsDesigned) {
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

// Styled by their kind, as Windows' classes show it. Their order is the Tab order of
// the keyboard test, the buttons' and the label's texts what a screen reader is read.
TEST_F(MainWindow, HasItsFortyNineControlsStyledByTheirKind) {
    std::map<std::string, int> kinds;
    for (HWND hwnd = GetWindow(window_, GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
        std::string kind = ClassOf(hwnd);
        ++kinds[kind == "Button" || kind == "Edit" ? kind : "other"];
        SCOPED_TRACE(NameOf(hwnd));
        auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS),
                  DWORD{WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS});
        EXPECT_EQ((style & WS_TABSTOP) != 0, kind == "Button" || kind == "Edit");
        EXPECT_FALSE(style & WS_DISABLED);
        if (kind == "Button") {
            EXPECT_EQ(style & 0x0F, DWORD{BS_PUSHBUTTON}) << "never a default button";
            EXPECT_EQ(style & (BS_MULTILINE | BS_CENTER | BS_VCENTER),
                      DWORD{BS_MULTILINE | BS_CENTER | BS_VCENTER});
        } else if (kind == "Edit") {
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            EXPECT_FALSE(style &
                         (ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NOHIDESEL | ES_CENTER | ES_RIGHT));
        } else {
            EXPECT_NE(kind, "Static") << "the label is a window class of the program's own";
        }
    }
    EXPECT_EQ(kinds, (std::map<std::string, int>{{"Button", 46}, {"Edit", 2}, {"other", 1}}));
    EXPECT_EQ(Text(Control("编辑框1")),
              "常用命令：random small large equal mov inc dec mul div (加减乘除)\r\n "
              "checkrenewlevel(转生)  CHECKLEVELEX （等级）");

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

// The 49 controls in the design's table order, entry 1 first, each with the command id
// its notices reach the window under: 100 for the last entry, 10 more for each entry
// above it. Written out here from the design, not read from the program's table.
struct StackedControl {
    const char* name;
    int commandId;
    bool operator==(const StackedControl&) const = default;
};
void PrintTo(const StackedControl& c, std::ostream* out) {
    *out << c.name << " " << c.commandId;
}
constexpr StackedControl kTableOrder[] = {
    {"编辑框目录", 580}, {"按钮浏览", 570}, {"编辑框1", 560}, {"按钮39", 550}, {"按钮38", 540},
    {"按钮37", 530},     {"按钮27", 520},   {"按钮45", 510},  {"按钮40", 500}, {"按钮41", 490},
    {"按钮42", 480},     {"按钮43", 470},   {"按钮44", 460},  {"按钮29", 450}, {"按钮30", 440},
    {"按钮31", 430},     {"按钮32", 420},   {"按钮33", 410},  {"按钮34", 400}, {"按钮35", 390},
    {"按钮36", 380},     {"按钮21", 370},   {"按钮22", 360},  {"按钮23", 350}, {"按钮24", 340},
    {"按钮25", 330},     {"按钮26", 320},   {"按钮28", 310},  {"按钮20", 300}, {"按钮19", 290},
    {"按钮18", 280},     {"按钮17", 270},   {"按钮16", 260},  {"按钮15", 250}, {"按钮14", 240},
    {"按钮13", 230},     {"按钮12", 220},   {"按钮11", 210},  {"按钮10", 200}, {"按钮9", 190},
    {"按钮8", 180},      {"按钮7", 170},    {"按钮6", 160},   {"按钮5", 150},  {"按钮4", 140},
    {"按钮3", 130},      {"标签1", 120},    {"按钮2", 110},   {"按钮1", 100},
};

TEST_F(MainWindow, ControlsStackInTableOrderEachWithItsCommandId) {
    std::vector<StackedControl> stacked;
    for (HWND hwnd = GetWindow(window_, GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
        std::string name = NameOf(hwnd);
        const StackedControl* known = nullptr;
        for (const StackedControl& c : kTableOrder) {
            if (name == c.name) known = &c;
        }
        stacked.push_back({known ? known->name : "?", GetDlgCtrlID(hwnd)});
    }
    EXPECT_EQ(stacked, std::vector<StackedControl>(std::begin(kTableOrder), std::end(kTableOrder)));
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

TEST_F(MainWindow, SingleLineBoxesTakeNoCaretInTheirBandsAndSelectNothing) {
    for (const char* name : {"编辑框目录", "编辑框1"}) {
        SCOPED_TRACE(name);
        HWND box = Control(name);
        RECT outer;
        GetWindowRect(box, &outer);
        POINT origin{0, 0};
        ClientToScreen(box, &origin);
        // A point in the band above the line hits the border: no caret goes there.
        if (origin.y - outer.top > 2) {
            LRESULT hit = SendMessageA(box, WM_NCHITTEST, 0, MAKELPARAM(origin.x + 5, origin.y - 1));
            EXPECT_EQ(hit, HTBORDER);
        }
        DWORD start = 1, end = 1;
        SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 0u);
    }
}

// Asks for the frame to be scaled for the window's DPI: the calls that reach Windows.
std::vector<HWND> g_nonClientScaling;
BOOL WINAPI RecordNonClientScaling(HWND window) {
    g_nonClientScaling.push_back(window);
    return FALSE; // as where Windows has no such scaling
}
// While it lives, the calls are recorded instead; the real entry is back after it,
// however the test ends.
class NonClientScalingRecorded {
public:
    NonClientScalingRecorded() : system_(EnableNonClientScalingEntry()) {
        g_nonClientScaling.clear();
        EnableNonClientScalingEntry() = RecordNonClientScaling;
    }
    ~NonClientScalingRecorded() { EnableNonClientScalingEntry() = system_; }
    NonClientScalingRecorded(const NonClientScalingRecorded&) = delete;
    NonClientScalingRecorded& operator=(const NonClientScalingRecorded&) = delete;

private:
    EnableNonClientScalingFunction system_;
};

TEST(WindowStart, AsksWindowsOnceToScaleTheFrameOfTheMainWindow) {
    if (!Host().hiddenOwner) InitializeHost();
    ReadWindowList(kPanelProgram);
    {
        NonClientScalingRecorded recorded;
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
    }
    HWND window = GetWindowHandle(0);
    EXPECT_EQ(g_nonClientScaling, std::vector<HWND>{window});
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

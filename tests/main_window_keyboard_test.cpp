// The main window's keyboard interface through the real pre-translation: Tab's walk
// over the stops and the cues it asks for, Enter, Alt with a letter and Space, focus
// kept over reactivation, Escape; and Enter in one-line and multi-line boxes of a
// window of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/runtime.h"
#include "host/window_load.h"
#include "tests/main_window_fixture.h"
#include "tests/support/ui.h"

namespace {

using mainwindow::MainWindow;
using ui::Text;

// A key that nothing in the program answers to, pressed after the keys of a test:
// input messages come in the order they were made, so once this thread has taken
// the marker's release from its queue, every key before it has been handled, and so
// has every message posted while they were (posted messages come before input).
constexpr WORD kMarkerKey = VK_F24;

// The marker's releases this thread has taken from its queue, as a WH_GETMESSAGE
// hook sees them. (The key's toggle state cannot tell: a thread's key state starts
// from its desktop's, which lives on from one program to the next.)
class MarkerReleases {
public:
    MarkerReleases() { s_count = 0; }
    bool Ready() const { return hook_.Hooked(); }
    int Count() const { return s_count; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* taken = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && taken->message == WM_KEYUP &&
            taken->wParam == kMarkerKey)
            ++s_count;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline int s_count = 0;
    ui::ThreadHook hook_{WH_GETMESSAGE, Hook};
};

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
    MarkerReleases releases;
    if (!releases.Ready()) return false;
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        return false;
    return ui::PumpUntil([&releases] { return releases.Count() > 0; }, 10000);
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
    }
    bool Ready() const { return hook_.Hooked(); }
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
    ui::ThreadHook hook_{WH_CALLWNDPROC, Hook};
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

} // namespace

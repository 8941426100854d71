// A window's keys: Enter and default buttons, mnemonics, and the Tab order by
// tab-order number (host/window_keyboard.cpp).
#include <cstdint>

#include "tests/host_behaviour_fixture.h"

namespace {

using namespace hostbehaviour;

// The keys' window (kKeysId): an edit box and seven buttons, two of them default
// buttons, with and without mnemonics.
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

constexpr WindowDescription kWindows[] = {
    {kKeysId, kKeysUnits},
    {kTabOrderId, kTabOrderUnits},
};
[[maybe_unused]] const bool kAdded = AddWindows(kWindows);

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

} // namespace

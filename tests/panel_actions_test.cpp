// The panel's actions in this process, clicked through the real loop, with a seam at
// the three Windows calls under the shell services so that every call can be seen
// byte for byte and nothing real is started.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/message_loop.h"
#include "host/runtime.h"
#include "host/shell_commands.h"
#include "host/window_list.h"
#include "panel/actions.h"
#include "panel/layout.h"
#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

// The contract, written out here once more: unit, caption, and what its click hands
// over ("run:" a command line, "explore:" a path under the default root).
struct Expected {
    const char* unit;
    const char* caption;
    const char* call;
};
constexpr Expected kExpected[] = {
    {"按钮1", "QuestDiary", "explore:D:\\mirserver\\Mir200\\Envir\\QuestDiary"},
    {"按钮2", "NPC文件", "explore:D:\\mirserver\\Mir200\\Envir\\Market_def"},
    {"按钮3", "机器人配置", "explore:D:\\mirserver\\Mir200\\Envir\\Robot_def"},
    {"按钮4", "国家配置", "explore:D:\\mirserver\\Mir200\\Envir\\Nations"},
    {"按钮5", "游戏公告", "explore:D:\\mirserver\\Mir200\\Notice"},
    {"按钮7", "人形怪", "explore:D:\\mirserver\\Mir200\\Envir\\MonUseItems"},
    {"按钮6", "爆率文件", "explore:D:\\mirserver\\Mir200\\Envir\\MonItems"},
    {"按钮8", "沙城配置", "explore:D:\\mirserver\\Mir200\\Castle\\0"},
    {"按钮9", "个人商店", "explore:D:\\mirserver\\Mir200\\Envir\\UserData"},
    {"按钮10", "自定义怪物", "explore:D:\\mirserver\\Mir200\\Envir\\SmartMonster"},
    {"按钮11", "NPC顶戴", "explore:D:\\mirserver\\Mir200\\Envir\\NpcIcons"},
    {"按钮12", "国王类NPC", "explore:D:\\mirserver\\Mir200\\Envir\\Npc_Def"},
    {"按钮45", "自定义技能", "explore:D:\\mirserver\\Mir200\\Envir\\UserData\\CustomSkill"},
    {"按钮13", "地图配置", "run:notepad D:\\MirServer\\Mir200\\Envir\\MapInfo.txt"},
    {"按钮14", "NPC配置", "run:notepad D:\\MirServer\\Mir200\\Envir\\Merchant.txt"},
    {"按钮15", "QF文件", "run:notepad D:\\MirServer\\Mir200\\Envir\\Market_Def\\QFunction-0.txt"},
    {"按钮16", "QM文件", "run:notepad D:\\MirServer\\Mir200\\Envir\\MapQuest_Def\\QManage.txt"},
    {"按钮17", "安全区配置", "run:notepad D:\\MirServer\\Mir200\\Envir\\StartPoint.txt"},
    {"按钮18", "小地图配置", "run:notepad D:\\MirServer\\Mir200\\Envir\\MiniMap.txt"},
    {"按钮19", "M2文件", "run:notepad D:\\MirServer\\Mir200\\!Setup.txt"},
    {"按钮20", "商城配置", "run:notepad D:\\MirServer\\Mir200\\Envir\\ShopItemList.txt"},
    {"按钮28", "刷怪配置", "run:notepad D:\\MirServer\\Mir200\\Envir\\MonGen.txt"},
    {"按钮40", "物品限制", "run:notepad D:\\MirServer\\Mir200\\Envir\\CheckItemList.txt"},
    {"按钮26", "地图事件", "run:notepad D:\\MirServer\\Mir200\\Envir\\MapEvent.txt"},
    {"按钮25", "药品解包", "run:notepad D:\\MirServer\\Mir200\\Envir\\UnbindList.txt"},
    {"按钮24", "怪物说话", "run:notepad D:\\MirServer\\Mir200\\Envir\\MonSayMsg.txt"},
    {"按钮23", "GM设置", "run:notepad D:\\MirServer\\Mir200\\Envir\\AdminList.txt"},
    {"按钮22", "物品备注", "run:notepad D:\\MirServer\\Mir200\\Envir\\ItemDescList.txt"},
    {"按钮21", "WIL资源", "run:notepad D:\\MirServer\\Mir200\\Envir\\EffectImageList.txt"},
    {"按钮36", "假人文本", "run:notepad D:\\MirServer\\Mir200\\Envir\\DummyNameList.txt"},
    {"按钮35", "特效对应", "run:notepad D:\\MirServer\\Mir200\\Envir\\EffectItemList.txt"},
    {"按钮34", "特效编号", "run:notepad D:\\MirServer\\Mir200\\Envir\\EffectList.txt"},
    {"按钮33", "套装属性", "run:notepad D:\\MirServer\\Mir200\\Envir\\GroupItemList.txt"},
    {"按钮32", "物品规则", "run:notepad D:\\MirServer\\Mir200\\Envir\\ItemRuleList.txt"},
    {"按钮31", "怪物属性扩展", "run:notepad D:\\MirServer\\Mir200\\Envir\\MonSpAbilList.txt"},
    {"按钮30", "麻痹物品概率", "run:notepad D:\\MirServer\\Mir200\\Envir\\ParalysisItemList.txt"},
    {"按钮29", "复活物品概率", "run:notepad D:\\MirServer\\Mir200\\Envir\\RevivalItemList.txt"},
    {"按钮44", "套装备注", "run:notepad D:\\MirServer\\Mir200\\Envir\\TzItemDescList.txt"},
    {"按钮43", "自定义命令", "run:notepad D:\\MirServer\\Mir200\\Envir\\UserCmds.txt"},
    {"按钮42", "屏蔽字符", "run:notepad D:\\MirServer\\Mir200\\Envir\\UserData\\FilterStr.txt"},
    {"按钮41", "武器吸血", "run:notepad D:\\MirServer\\Mir200\\Envir\\UserData\\PoisonWeapon.txt"},
    {"按钮27", "极品备注", "run:notepad D:\\MirServer\\Mir200\\Envir\\DZItemDescList.txt"},
    {"按钮37", "屏蔽文件禁@", "run:notepad D:\\MirServer\\Mir200\\Envir\\FilterMsgList.txt"},
    {"按钮38", "日志记录", "run:notepad D:\\MirServer\\Mir200\\Envir\\GameLogItemNameList.txt"},
    {"按钮39", "护身物品概率", "run:notepad D:\\MirServer\\Mir200\\Envir\\MagicShieldItemList"},
};

std::vector<std::string> g_calls;
std::vector<std::string> g_oddities; // anything handed over that is not as the services promise
LPITEMIDLIST (*g_dialogAnswer)() = [] { return LPITEMIDLIST{}; };

// Every file button names Windows' own Notepad in full, and starts it with a start
// record of the size that Windows reads (STARTUPINFOA) showing its window as usual.
BOOL WINAPI RecordCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                LPSECURITY_ATTRIBUTES, BOOL inherit, DWORD flags, LPVOID environment,
                                LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION) {
    g_calls.push_back(std::string("run:") + (commandLine ? commandLine : "(null)"));
    if (!application || application != observe::SystemNotepad() || inherit || flags || environment ||
        directory || startup->cb != sizeof(STARTUPINFOA) || startup->dwFlags != STARTF_USESHOWWINDOW ||
        startup->wShowWindow != SW_SHOWNORMAL)
        g_oddities.push_back(g_calls.back());
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE; // as if Notepad could not start: the panel must not care
}

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    g_calls.push_back(std::string("explore:") + (file ? file : "(null)"));
    if (owner || !verb || std::string(verb) != "explore" || parameters || !directory || *directory ||
        show != SW_SHOWNORMAL)
        g_oddities.push_back(g_calls.back());
    return reinterpret_cast<HINSTANCE>(2); // as if the folder were missing
}

LPITEMIDLIST WINAPI AnswerDialog(LPBROWSEINFOA browse) {
    g_calls.push_back(std::string("browse:") + browse->lpszTitle);
    if (browse->ulFlags != (BIF_EDITBOX | BIF_RETURNONLYFSDIRS)) g_oddities.push_back(g_calls.back());
    return g_dialogAnswer();
}

class PanelActions : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitializeHost();
        ReadWindowList(kPanelProgram);
    }
    void SetUp() override {
        CurrentShellCalls() = {RecordCreateProcess, RecordShellExecute, AnswerDialog};
        g_calls.clear();
        g_oddities.clear();
        ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
        window_ = GetWindowHandle(0);
        ui::Pump();
    }
    void TearDown() override {
        CurrentShellCalls() = ShellCalls{};
        if (IsWindow(window_)) DestroyWindow(window_);
        ui::Pump();
        EXPECT_TRUE(g_oddities.empty()) << g_oddities.front();
    }

    HWND Control(const char* name) const { return ui::UnitHandle(kMainWindowId, name); }
    std::string Box() const {
        char text[512] = "";
        GetWindowTextA(Control("编辑框目录"), text, sizeof text);
        return text;
    }
    void SetBox(const char* text) {
        SendMessageA(Control("编辑框目录"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    // Clicks the buttons through the real loop, then closes the window.
    void ClickAll(std::initializer_list<const char*> names) {
        for (const char* name : names)
            PostMessageA(Control(name), BM_CLICK, 0, 0);
        PostMessageA(window_, WM_CLOSE, 0, 0);
        RunMessageLoop();
    }

    HWND window_ = nullptr;
};

TEST_F(PanelActions, TheWindowOpensWithTheDefaultRootInTheBox) {
    EXPECT_EQ(Box(), "D:\\mirserver");
    // The box's own text says the same: the window fills it as it opens, whatever the
    // box held.
    DestroyWindow(window_);
    std::vector<UnitDescription> units(kMainWindow.units.begin(), kMainWindow.units.end());
    for (UnitDescription& unit : units)
        if (unit.id == kDirectoryBoxId) unit.text = "";
    const WindowDescription emptyBox{kMainWindow.id, units};
    ProgramDescription program = kPanelProgram;
    program.windows = {&emptyBox, 1};
    ReadWindowList(program);
    ASSERT_TRUE(LoadWindow(kMainWindowId, false, nullptr));
    window_ = GetWindowHandle(0);
    EXPECT_EQ(Box(), "D:\\mirserver");
    DestroyWindow(window_);
    ReadWindowList(kPanelProgram);
}

TEST_F(PanelActions, EachOfTheFortyFiveButtonsMakesExactlyTheCallOfItsRow) {
    static_assert(std::size(kExpected) == 45);
    for (const Expected& row : kExpected) {
        char caption[64] = "";
        GetWindowTextA(Control(row.unit), caption, sizeof caption);
        EXPECT_STREQ(caption, row.caption) << row.unit;
        PostMessageA(Control(row.unit), BM_CLICK, 0, 0);
    }
    PostMessageA(window_, WM_CLOSE, 0, 0);
    RunMessageLoop();
    std::vector<std::string> expected;
    for (const Expected& row : kExpected)
        expected.push_back(row.call);
    EXPECT_EQ(g_calls, expected);
}

TEST_F(PanelActions, TypingIntoTheBoxMovesTheFolderButtonsButNeverTheFileButtons) {
    HWND box = Control("编辑框目录");
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, -1);
    for (char c : std::string("E:\\srv"))
        PostMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 0);
    ui::Pump();
    EXPECT_EQ(Box(), "E:\\srv");
    ClickAll({"按钮6", "按钮28"});
    EXPECT_EQ(g_calls, (std::vector<std::string>{"explore:E:\\srv\\Mir200\\Envir\\MonItems",
                                                 "run:notepad D:\\MirServer\\Mir200\\Envir\\MonGen.txt"}));
}

TEST_F(PanelActions, TheBoxIsJoinedAsItStandsWithNothingAddedOrRemoved) {
    SetBox("E:\\srv\\");
    PostMessageA(Control("按钮6"), BM_CLICK, 0, 0);
    ui::Pump();
    SetBox("  E:\\my srv  ");
    PostMessageA(Control("按钮5"), BM_CLICK, 0, 0);
    ui::Pump();
    SetBox("");
    PostMessageA(Control("按钮5"), BM_CLICK, 0, 0);
    ui::Pump();
    SetBox("服务器");
    ClickAll({"按钮8"});
    EXPECT_EQ(g_calls,
              (std::vector<std::string>{"explore:E:\\srv\\\\Mir200\\Envir\\MonItems",
                                        "explore:  E:\\my srv  \\Mir200\\Notice", "explore:\\Mir200\\Notice",
                                        "explore:服务器\\Mir200\\Castle\\0"}));
}

TEST_F(PanelActions, CancellingTheFolderDialogKeepsWhatTheUserTyped) {
    SetBox("E:\\typed");
    g_dialogAnswer = [] { return LPITEMIDLIST{}; };
    PostMessageA(Control("按钮浏览"), BM_CLICK, 0, 0);
    ui::Pump();
    EXPECT_EQ(Box(), "E:\\typed");

    // An item without a folder path (the computer itself) keeps it too.
    g_dialogAnswer = [] {
        LPITEMIDLIST computer = nullptr;
        SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
        return computer;
    };
    PostMessageA(Control("按钮浏览"), BM_CLICK, 0, 0);
    ui::Pump();
    EXPECT_EQ(Box(), "E:\\typed");
    ClickAll({"按钮5"});
    EXPECT_EQ(g_calls, (std::vector<std::string>{"browse:请选择一个路径", "browse:请选择一个路径",
                                                 "explore:E:\\typed\\Mir200\\Notice"}));
}

TEST_F(PanelActions, AChosenFolderReplacesTheBoxAndIsUsedByTheNextFolderButton) {
    SetBox("E:\\typed");
    g_dialogAnswer = [] { return ILCreateFromPathA("C:\\windows"); };
    ClickAll({"按钮浏览", "按钮5", "按钮13"});
    EXPECT_EQ(g_calls,
              (std::vector<std::string>{"browse:请选择一个路径", "explore:C:\\windows\\Mir200\\Notice",
                                        "run:notepad D:\\MirServer\\Mir200\\Envir\\MapInfo.txt"}));
}

TEST_F(PanelActions, AFileButtonPressedTwiceStartsTwice) {
    ClickAll({"按钮28", "按钮28"});
    EXPECT_EQ(g_calls, std::vector<std::string>(2, "run:notepad D:\\MirServer\\Mir200\\Envir\\MonGen.txt"));
}

TEST_F(PanelActions, EveryTextAnActionTakesGoesBackToTheHeap) {
    g_dialogAnswer = [] { return ILCreateFromPathA("C:\\windows"); };
    auto round = [&] {
        for (const char* name : {"按钮1", "按钮5", "按钮45", "按钮13", "按钮39", "按钮浏览"})
            PostMessageA(Control(name), BM_CLICK, 0, 0);
        ui::Pump();
    };
    for (int i = 0; i < 10; ++i)
        round(); // the box's cached text and the shell's caches settle
    auto before = observe::ProcessHeapUse();
    for (int i = 0; i < 100; ++i)
        round();
    auto after = observe::ProcessHeapUse();
    // A heap may keep a few freed blocks for itself (Windows' low-fragmentation heap,
    // Wine's heap checker); a text left behind by one action in each round would be a
    // hundred blocks more.
    EXPECT_LE(after.blocks, before.blocks + 16) << "blocks";
    EXPECT_LE(after.bytes, before.bytes + 16 * 1024) << "bytes";
    EXPECT_EQ(g_calls.size(), 110u * 6);
}

} // namespace

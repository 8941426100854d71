// End to end, with nothing faked: the real program on the harness's display, drive D:
// mapped to a server tree that this test builds, real mouse clicks on real buttons,
// and the real Notepad and the real shell starting on the right file and folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

// The server's tree, with the case of every name as the buttons spell it.
const char* const kFolders[] = {
    "D:\\MirServer", "D:\\MirServer\\Mir200", "D:\\MirServer\\Mir200\\Envir", "D:\\MirServer\\Mir200\\Notice",
    "D:\\MirServer\\Mir200\\Castle", "D:\\MirServer\\Mir200\\Castle\\0",
    "D:\\MirServer\\Mir200\\Envir\\QuestDiary", "D:\\MirServer\\Mir200\\Envir\\Market_Def",
    "D:\\MirServer\\Mir200\\Envir\\Robot_def", "D:\\MirServer\\Mir200\\Envir\\Nations",
    "D:\\MirServer\\Mir200\\Envir\\MonUseItems", "D:\\MirServer\\Mir200\\Envir\\MonItems",
    "D:\\MirServer\\Mir200\\Envir\\UserData", "D:\\MirServer\\Mir200\\Envir\\UserData\\CustomSkill",
    "D:\\MirServer\\Mir200\\Envir\\SmartMonster", "D:\\MirServer\\Mir200\\Envir\\NpcIcons",
    "D:\\MirServer\\Mir200\\Envir\\Npc_Def", "D:\\MirServer\\Mir200\\Envir\\MapQuest_Def",
};
const char* const kFiles[] = {
    "MapInfo.txt", "Merchant.txt", "Market_Def\\QFunction-0.txt", "MapQuest_Def\\QManage.txt", "StartPoint.txt",
    "MiniMap.txt", "ShopItemList.txt", "MonGen.txt", "CheckItemList.txt", "MapEvent.txt", "UnbindList.txt",
    "MonSayMsg.txt", "AdminList.txt", "ItemDescList.txt", "EffectImageList.txt", "DummyNameList.txt",
    "EffectItemList.txt", "EffectList.txt", "GroupItemList.txt", "ItemRuleList.txt", "MonSpAbilList.txt",
    "ParalysisItemList.txt", "RevivalItemList.txt", "TzItemDescList.txt", "UserCmds.txt",
    "UserData\\FilterStr.txt", "UserData\\PoisonWeapon.txt", "DZItemDescList.txt", "FilterMsgList.txt",
    "GameLogItemNameList.txt", "MagicShieldItemList",
};

void BuildServerTree() {
    for (const char* folder : kFolders) CreateDirectoryA(folder, nullptr);
    for (const char* name : kFiles) {
        std::string path = std::string("D:\\MirServer\\Mir200\\Envir\\") + name;
        if (FILE* file = std::fopen(path.c_str(), "w")) {
            std::fprintf(file, "; %s\n", name);
            std::fclose(file);
        }
    }
    if (FILE* file = std::fopen("D:\\MirServer\\Mir200\\!Setup.txt", "w")) std::fclose(file);
}

struct ProcessInfo {
    DWORD id;
    DWORD parent;
    std::string exe;
};

std::vector<ProcessInfo> Processes() {
    std::vector<ProcessInfo> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return found;
}

// A visible top-level window with this title, in any process; its process id.
DWORD WaitForTitle(const std::string& title, DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        for (const ProcessInfo& p : Processes()) {
            for (HWND window : observe::TopLevelWindows(p.id)) {
                if (IsWindowVisible(window) && observe::WindowText(window) == title) return p.id;
            }
        }
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return 0;
}

std::string ExeOf(DWORD processId) {
    for (const ProcessInfo& p : Processes()) {
        if (p.id == processId) return p.exe;
    }
    return {};
}

void BringToFront(HWND window) {
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Sleep(300);
}

TEST(PanelEndToEnd, AFileButtonOpensNotepadAndAFolderButtonOpensTheFolder) {
    ASSERT_NE(GetEnvironmentVariableA("PANEL_DRIVE_D", nullptr, 0), 0u) << "the harness maps drive D:";
    BuildServerTree();
    ASSERT_NE(GetFileAttributesA("D:\\mirserver\\Mir200\\Envir\\MonGen.txt"), INVALID_FILE_ATTRIBUTES);

    observe::ChildProcess panel;
    ASSERT_TRUE(panel.Start(observe::CommandLine("QuarvelPanel.exe")));
    HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);
    Sleep(500);

    HWND monGen = FindWindowExA(window, nullptr, "Button", "刷怪配置");
    ASSERT_NE(monGen, nullptr);
    ui::Click(monGen);
    DWORD notepad = WaitForTitle("MonGen.txt - 记事本", 20000);
    ASSERT_NE(notepad, 0u) << "Notepad came up on MonGen.txt";
    EXPECT_STRCASEEQ(ExeOf(notepad).c_str(), "notepad.exe");

    BringToFront(window);
    HWND notice = FindWindowExA(window, nullptr, "Button", "游戏公告");
    ASSERT_NE(notice, nullptr);
    ui::Click(notice);
    DWORD explorer = WaitForTitle("Notice", 20000);
    ASSERT_NE(explorer, 0u) << "the shell opened D:\\mirserver\\Mir200\\Notice";
    EXPECT_STRCASEEQ(ExeOf(explorer).c_str(), "explorer.exe");

    // Back to the panel: a click on its picture, then Esc.
    BringToFront(window);
    POINT picture{8, 8};
    ClientToScreen(window, &picture);
    ui::ClickAt(picture.x, picture.y);
    Sleep(300);
    ui::PressKey(VK_ESCAPE);
    ASSERT_TRUE(panel.WaitForExit(20000));
    EXPECT_EQ(panel.ExitCode(), 0u);
}

} // namespace

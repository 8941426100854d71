// End to end: the real program on the harness's display, drive D: mapped to a server
// tree that this test builds, clicks posted to its buttons as the mouse's messages,
// and the real Notepad and the real shell starting on the right file and folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/as_windows.h"
#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

// The server's tree, with the case of every name as the buttons spell it.
const char* const kFolders[] = {
    "D:\\MirServer",
    "D:\\MirServer\\Mir200",
    "D:\\MirServer\\Mir200\\Envir",
    "D:\\MirServer\\Mir200\\Notice",
    "D:\\MirServer\\Mir200\\Castle",
    "D:\\MirServer\\Mir200\\Castle\\0",
    "D:\\MirServer\\Mir200\\Envir\\QuestDiary",
    "D:\\MirServer\\Mir200\\Envir\\Market_Def",
    "D:\\MirServer\\Mir200\\Envir\\Robot_def",
    "D:\\MirServer\\Mir200\\Envir\\Nations",
    "D:\\MirServer\\Mir200\\Envir\\MonUseItems",
    "D:\\MirServer\\Mir200\\Envir\\MonItems",
    "D:\\MirServer\\Mir200\\Envir\\UserData",
    "D:\\MirServer\\Mir200\\Envir\\UserData\\CustomSkill",
    "D:\\MirServer\\Mir200\\Envir\\SmartMonster",
    "D:\\MirServer\\Mir200\\Envir\\NpcIcons",
    "D:\\MirServer\\Mir200\\Envir\\Npc_Def",
    "D:\\MirServer\\Mir200\\Envir\\MapQuest_Def",
};
const char* const kFiles[] = {
    "MapInfo.txt",
    "Merchant.txt",
    "Market_Def\\QFunction-0.txt",
    "MapQuest_Def\\QManage.txt",
    "StartPoint.txt",
    "MiniMap.txt",
    "ShopItemList.txt",
    "MonGen.txt",
    "CheckItemList.txt",
    "MapEvent.txt",
    "UnbindList.txt",
    "MonSayMsg.txt",
    "AdminList.txt",
    "ItemDescList.txt",
    "EffectImageList.txt",
    "DummyNameList.txt",
    "EffectItemList.txt",
    "EffectList.txt",
    "GroupItemList.txt",
    "ItemRuleList.txt",
    "MonSpAbilList.txt",
    "ParalysisItemList.txt",
    "RevivalItemList.txt",
    "TzItemDescList.txt",
    "UserCmds.txt",
    "UserData\\FilterStr.txt",
    "UserData\\PoisonWeapon.txt",
    "DZItemDescList.txt",
    "FilterMsgList.txt",
    "GameLogItemNameList.txt",
    "MagicShieldItemList",
};

void BuildServerTree() {
    for (const char* folder : kFolders)
        CreateDirectoryA(folder, nullptr);
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

// A visible top-level window with this title, in any process.
HWND WaitForTitle(const std::string& title, DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        for (const ProcessInfo& p : Processes()) {
            for (HWND window : observe::TopLevelWindows(p.id)) {
                if (IsWindowVisible(window) && observe::WindowText(window) == title) return window;
            }
        }
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

std::string ExeOf(DWORD processId) {
    for (const ProcessInfo& p : Processes()) {
        if (p.id == processId) return p.exe;
    }
    return {};
}

// The full path of the program a process runs; empty when it cannot be read.
std::string ProgramPathOf(DWORD processId) {
    std::string path;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
        char buffer[MAX_PATH];
        DWORD size = sizeof buffer;
        if (QueryFullProcessImageNameA(process, 0, buffer, &size)) path.assign(buffer, size);
        CloseHandle(process);
    }
    return path;
}

void ExpectSystemNotepad(HWND window) {
    if (!window) return;
    EXPECT_STRCASEEQ(ProgramPathOf(ProcessOf(window)).c_str(), observe::SystemNotepad().c_str())
        << "the Notepad of the system folder";
}

// What is on screen, for a failure message: every visible top-level window with its
// program, title and place, and the window under the point the test clicked last.
std::string DescribeScreen(POINT lastClick) {
    std::string text;
    for (const ProcessInfo& p : Processes()) {
        for (HWND window : observe::TopLevelWindows(p.id)) {
            if (!IsWindowVisible(window)) continue;
            RECT place;
            GetWindowRect(window, &place);
            char line[512];
            std::snprintf(line, sizeof line, "\n  %s [%s] (%ld,%ld)-(%ld,%ld)", p.exe.c_str(),
                          observe::WindowText(window).c_str(), place.left, place.top, place.right,
                          place.bottom);
            text += line;
        }
    }
    HWND under = WindowFromPoint(lastClick);
    char line[512];
    std::snprintf(line, sizeof line, "\n  under (%ld,%ld): %p [%s], top level [%s]", lastClick.x, lastClick.y,
                  static_cast<void*>(under), observe::WindowText(under).c_str(),
                  observe::WindowText(GetAncestor(under, GA_ROOT)).c_str());
    return text + line;
}

POINT CentreOf(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    return {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
}

// Lets a program the panel started finish starting up, then shrinks its window into
// the screen's corner, clear of the panel: without a window manager, a window that
// has only just been shown can still take the top of the stack back later, after the
// test raised the panel, and swallow the next click (seen with Notepad).
void MoveOutOfTheWay(HWND window) {
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(window))) {
        WaitForInputIdle(process, 5000);
        CloseHandle(process);
    }
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 120, 100, SWP_NOACTIVATE);
}

// Raises the panel over the windows the shell opened and waits until it is the
// active window and a click at `point` reaches `target`.
bool BringToFront(HWND window, HWND target, POINT point) {
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return observe::WaitUntil(
        [&] { return GetForegroundWindow() == window && WindowFromPoint(point) == target; }, 10000);
}

// Clicks the panel's button with this caption, waits for the window that opens and
// checks which program shows it; that window then goes clear of the panel.
HWND ClickAndExpectWindow(HWND panel, const char* caption, const std::string& title, const char* program) {
    HWND button = FindWindowExA(panel, nullptr, "Button", caption);
    EXPECT_NE(button, nullptr) << caption;
    if (!button) return nullptr;
    EXPECT_TRUE(BringToFront(panel, button, CentreOf(button)))
        << "the panel is on top; on screen:" << DescribeScreen(CentreOf(button));
    ui::Click(button);
    HWND opened = WaitForTitle(title, 20000);
    EXPECT_NE(opened, nullptr) << caption << " opened \"" << title
                               << "\"; on screen:" << DescribeScreen(CentreOf(button));
    if (!opened) return nullptr;
    EXPECT_STRCASEEQ(ExeOf(ProcessOf(opened)).c_str(), program);
    MoveOutOfTheWay(opened);
    return opened;
}

TEST(PanelEndToEnd, AFileButtonOpensNotepadAndAFolderButtonOpensTheFolder) {
    ASSERT_NE(GetEnvironmentVariableA("PANEL_DRIVE_D", nullptr, 0), 0u) << "the harness maps drive D:";
    BuildServerTree();
    ASSERT_NE(GetFileAttributesA("D:\\mirserver\\Mir200\\Envir\\MonGen.txt"), INVALID_FILE_ATTRIBUTES);

    observe::ChildProcess panel;
    ASSERT_TRUE(panel.Start(observe::PanelCommandLine()));
    HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(WaitForInputIdle(panel.Handle(), 20000), 0u) << "the panel is ready for input";

    // A file button starts Notepad on its file; a folder button makes the shell open
    // D:\mirserver\Mir200\Notice, whose window is titled with the last folder's name.
    HWND notepad = ClickAndExpectWindow(window, "刷怪配置", "MonGen.txt - 记事本", "notepad.exe");
    ExpectSystemNotepad(notepad);
    HWND folder = ClickAndExpectWindow(window, "游戏公告", "Notice", "explorer.exe");

    // Back to the panel, as the active window, then Esc.
    POINT picture{8, 8};
    ClientToScreen(window, &picture);
    EXPECT_TRUE(BringToFront(window, window, picture))
        << "the panel came back on top; on screen:" << DescribeScreen(picture);
    ui::PressKey(VK_ESCAPE);
    EXPECT_TRUE(panel.WaitForExit(20000));
    EXPECT_EQ(panel.ExitCode(), 0u);

    // What the panel started is the user's; the test closes it as the user would.
    for (HWND opened : {notepad, folder}) {
        if (!opened) continue;
        EXPECT_TRUE(observe::CloseAndWaitForExit(opened, 20000)) << observe::WindowText(opened);
    }
}

// A folder of this test's own in the temporary folder, removed with what it holds.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* name) {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (const std::string& file : files_)
            DeleteFileA(file.c_str());
        RemoveDirectoryA(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }
    bool CopyIn(const std::string& from, const char* name) {
        files_.push_back(path_ + "\\" + name);
        return CopyFileA(from.c_str(), files_.back().c_str(), FALSE) != FALSE;
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

std::string FileText(const char* path) {
    std::string text;
    if (FILE* file = std::fopen(path, "rb")) {
        char buffer[256];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

TEST(PanelEndToEnd, AFileButtonStartsWindowsOwnNotepadNeverOneBesideTheProgram) {
    ASSERT_NE(GetEnvironmentVariableA("PANEL_DRIVE_D", nullptr, 0), 0u) << "the harness maps drive D:";
    BuildServerTree();
    const char* file = "D:\\MirServer\\Mir200\\Envir\\MonGen.txt";
    const std::string before = FileText(file);
    ASSERT_EQ(before, "; MonGen.txt\r\n");

    // A copy of the program with a notepad.exe beside it, unpacked from the same
    // download, say: a stand-in that, were it started on the file, would add its own
    // command line to the file and show no window. The program's folder is also its
    // current folder.
    ScratchFolder folder("notepad-beside");
    std::string program;
    const std::string commandLine = observe::PanelCommandLine(folder.Path(), &program);
    ASSERT_TRUE(folder.CopyIn(observe::BesideTestProgram(program.c_str()), program.c_str()));
    ASSERT_TRUE(folder.CopyIn(observe::BesideTestProgram("shell_recorder.exe"), "notepad.exe"));
    {
        observe::ChildProcess panel;
        ASSERT_TRUE(panel.Start(commandLine, folder.Path().c_str()));
        HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(WaitForInputIdle(panel.Handle(), 20000), 0u) << "the panel is ready for input";

        HWND notepad = ClickAndExpectWindow(window, "刷怪配置", "MonGen.txt - 记事本", "notepad.exe");
        ExpectSystemNotepad(notepad);
        EXPECT_EQ(FileText(file), before) << "the stand-in beside the program ran on the file";
        EXPECT_TRUE(observe::CloseAndWaitForExit(window, 20000));
        EXPECT_EQ(panel.ExitCode(), 0u);
        if (notepad) {
            EXPECT_TRUE(observe::CloseAndWaitForExit(notepad, 20000));
        }
    }
    EXPECT_EQ(FileText(file), before);
}

} // namespace

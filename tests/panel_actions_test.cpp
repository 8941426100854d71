// The panel's actions in this process, clicked through the real loop, with a seam at
// the three Windows calls under the shell services so that every call can be seen
// byte for byte and nothing real is started; OLE is started before each, as they need.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include "host/message_loop.h"
#include "host/runtime.h"
#include "host/shell_commands.h"
#include "host/window_load.h"
#include "panel/actions.h"
#include "panel/layout.h"
#include "tests/support/button_table.h"
#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

std::vector<std::string> g_calls;
std::vector<std::string> g_oddities; // anything handed over that is not as the services promise
LPITEMIDLIST (*g_dialogAnswer)() = [] { return LPITEMIDLIST{}; };

// Whether OLE is started on this thread, as every shell service needs it: a second
// start in the same apartment is answered S_FALSE.
bool OleStarted() {
    HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(result)) CoUninitialize();
    return result == S_FALSE;
}

// Every file button names Windows' own Notepad in full, and starts it with a start
// record of the size that Windows reads (STARTUPINFOA) showing its window as usual.
BOOL WINAPI RecordCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                LPSECURITY_ATTRIBUTES, BOOL inherit, DWORD flags, LPVOID environment,
                                LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION) {
    g_calls.push_back(std::string("run:") + (commandLine ? commandLine : "(null)"));
    if (!application || application != observe::SystemNotepad() || inherit || flags || environment ||
        directory || startup->cb != sizeof(STARTUPINFOA) || startup->dwFlags != STARTF_USESHOWWINDOW ||
        startup->wShowWindow != SW_SHOWNORMAL || !OleStarted())
        g_oddities.push_back(g_calls.back());
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE; // as if Notepad could not start: the panel must not care
}

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    g_calls.push_back(std::string("explore:") + (file ? file : "(null)"));
    if (owner || !verb || std::string(verb) != "explore" || parameters || !directory || *directory ||
        show != SW_SHOWNORMAL || !OleStarted())
        g_oddities.push_back(g_calls.back());
    return reinterpret_cast<HINSTANCE>(2); // as if the folder were missing
}

LPITEMIDLIST WINAPI AnswerDialog(LPBROWSEINFOA browse) {
    g_calls.push_back(std::string("browse:") + browse->lpszTitle);
    if (browse->ulFlags != (BIF_EDITBOX | BIF_RETURNONLYFSDIRS) || !OleStarted())
        g_oddities.push_back(g_calls.back());
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
    for (const buttons::Button& row : buttons::kButtons) {
        char caption[64] = "";
        GetWindowTextA(Control(row.unit), caption, sizeof caption);
        EXPECT_STREQ(caption, row.caption) << row.unit;
        PostMessageA(Control(row.unit), BM_CLICK, 0, 0);
    }
    PostMessageA(window_, WM_CLOSE, 0, 0);
    RunMessageLoop();
    std::vector<std::string> expected;
    for (const buttons::Button& row : buttons::kButtons)
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

} // namespace

// The panel as a screen reader reads it: through Active Accessibility, as Narrator or
// any other reader asks for each window's client object (AccessibleObjectFromWindow,
// OBJID_CLIENT). The texts are the program's GBK; the reader gets them as UTF-16 and
// they are compared so here, against this file's own literals.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "host/runtime.h"
#include "host/window_list.h"
#include "panel/layout.h"
#include "tests/main_window_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/ui.h"

namespace {

// What a reader is told of a window's client object.
struct Spoken {
    bool read = false; // the object could be had
    HRESULT result = S_OK;
    std::wstring name, description;
    long role = 0;
};

std::wstring Take(BSTR text) {
    std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return taken;
}

Spoken Read(HWND hwnd) {
    Spoken spoken;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible,
                                          reinterpret_cast<void**>(&object))) ||
        !object)
        return spoken;
    spoken.read = true;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (object->get_accName(self, &text) == S_OK) spoken.name = Take(text);
    text = nullptr;
    if (object->get_accDescription(self, &text) == S_OK) spoken.description = Take(text);
    VARIANT role{};
    if (object->get_accRole(self, &role) == S_OK && role.vt == VT_I4) spoken.role = role.lVal;
    object->Release();
    return spoken;
}

// A GBK text of the program as a reader would get it.
std::wstring Wide(const std::string& gbk) {
    int length = MultiByteToWideChar(936, 0, gbk.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length - 1 : 0), L'\0');
    if (length > 1) MultiByteToWideChar(936, 0, gbk.c_str(), -1, wide.data(), length);
    return wide;
}

// Each of the 45 buttons, and what pressing it opens with the directory box as it is at
// start: its group as the picture captions it, then the file and Notepad, or the folder
// and Explorer.
struct Expected {
    const char* unit;
    const wchar_t* description;
};
constexpr Expected kButtons[] = {
    {"按钮1", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\QuestDiary"},
    {"按钮2", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\Market_def"},
    {"按钮3", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\Robot_def"},
    {"按钮4", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\Nations"},
    {"按钮5", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Notice"},
    {"按钮7", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\MonUseItems"},
    {"按钮6", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\MonItems"},
    {"按钮8", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Castle\\0"},
    {"按钮9", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\UserData"},
    {"按钮10", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\SmartMonster"},
    {"按钮11", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\NpcIcons"},
    {"按钮12", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\Npc_Def"},
    {"按钮45", L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Envir\\UserData\\CustomSkill"},
    {"按钮13", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MapInfo.txt"},
    {"按钮14", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\Merchant.txt"},
    {"按钮15", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\Market_Def\\QFunction-0.txt"},
    {"按钮16", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MapQuest_Def\\QManage.txt"},
    {"按钮17", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\StartPoint.txt"},
    {"按钮18", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MiniMap.txt"},
    {"按钮19", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\!Setup.txt"},
    {"按钮20", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\ShopItemList.txt"},
    {"按钮28", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MonGen.txt"},
    {"按钮40", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\CheckItemList.txt"},
    {"按钮26", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MapEvent.txt"},
    {"按钮25", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\UnbindList.txt"},
    {"按钮24", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MonSayMsg.txt"},
    {"按钮23", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\AdminList.txt"},
    {"按钮22", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\ItemDescList.txt"},
    {"按钮21", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\EffectImageList.txt"},
    {"按钮36", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\DummyNameList.txt"},
    {"按钮35", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\EffectItemList.txt"},
    {"按钮34", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\EffectList.txt"},
    {"按钮33", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\GroupItemList.txt"},
    {"按钮32", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\ItemRuleList.txt"},
    {"按钮31", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MonSpAbilList.txt"},
    {"按钮30", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\ParalysisItemList.txt"},
    {"按钮29", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\RevivalItemList.txt"},
    {"按钮44", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\TzItemDescList.txt"},
    {"按钮43", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\UserCmds.txt"},
    {"按钮42", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\UserData\\FilterStr.txt"},
    {"按钮41", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\UserData\\PoisonWeapon.txt"},
    {"按钮27", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\DZItemDescList.txt"},
    {"按钮37", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\FilterMsgList.txt"},
    {"按钮38", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\GameLogItemNameList.txt"},
    {"按钮39", L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MagicShieldItemList"},
};
static_assert(std::size(kButtons) == 45);

constexpr wchar_t kHint[] = L"请先设置目录，若不设置默认D:\\mirserver";
constexpr wchar_t kNotice[] =
    L"提示：文件按钮用记事本打开 D:\\MirServer 下的配置文件，文件夹按钮按上方目录打开资源管理器。";

// The main window in this process, read as a reader in another process would read it.
class ScreenReader : public mainwindow::MainWindow {
protected:
    Spoken Of(const char* name) const { return Read(Control(name)); }
};

TEST_F(ScreenReader, BothBoxesHaveNamesTheLabelIsReadAsItsTextAndEveryButtonByItsCaption) {
    Spoken directory = Of("编辑框目录");
    ASSERT_TRUE(directory.read);
    EXPECT_EQ(directory.name, L"服务端目录");
    EXPECT_EQ(Of("编辑框1").name, L"常用命令");

    Spoken label = Of("标签1");
    EXPECT_EQ(label.name, kHint);
    EXPECT_EQ(label.role, ROLE_SYSTEM_STATICTEXT);

    int buttons = 0;
    for (const Unit& unit : FindWindowEntry(kMainWindowId)->units) {
        if (unit.description->type != kTypeButton) continue;
        ++buttons;
        EXPECT_EQ(Read(unit.live->Handle()).name, Wide(ui::Text(unit.live->Handle())))
            << unit.description->name;
    }
    EXPECT_EQ(buttons, 46);
}

TEST_F(ScreenReader, EveryFileAndFolderButtonSaysItsGroupAndWhatAPressOpens) {
    for (const Expected& button : kButtons) {
        HWND hwnd = Control(button.unit);
        ASSERT_NE(hwnd, nullptr) << button.unit;
        EXPECT_EQ(Read(hwnd).description, button.description) << button.unit;
    }
}

TEST_F(ScreenReader, AFolderButtonSaysTheFolderTheDirectoryBoxMakesAtTheMomentOfAsking) {
    HWND box = Control("编辑框目录");
    SetWindowTextA(box, "E:\\srv");
    EXPECT_EQ(Of("按钮5").description, L"常用文件：用资源管理器打开 E:\\srv\\Mir200\\Notice");
    EXPECT_EQ(Of("按钮6").description, L"常用文件：用资源管理器打开 E:\\srv\\Mir200\\Envir\\MonItems");
    EXPECT_EQ(Of("按钮28").description, L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MonGen.txt")
        << "file buttons never use the box";

    // Typed into the box, as a user types.
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, -1);
    for (char c : std::string("F:\\games"))
        SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(Of("按钮5").description, L"常用文件：用资源管理器打开 F:\\games\\Mir200\\Notice");

    // An empty box: the bare sub-path, as a press hands it to the shell.
    SetWindowTextA(box, "");
    EXPECT_EQ(Of("按钮5").description, L"常用文件：用资源管理器打开 \\Mir200\\Notice");
}

TEST_F(ScreenReader, TheDirectoryRowSaysItsGroupAndTheWindowSaysItsNotice) {
    EXPECT_EQ(Of("编辑框目录").description, std::wstring(L"软件说明：") + kHint);
    EXPECT_EQ(Of("按钮浏览").description, L"软件说明：选择服务端目录");
    Spoken window = Read(window_);
    ASSERT_TRUE(window.read);
    EXPECT_EQ(window.description, kNotice);
    EXPECT_EQ(window.name, Wide(ui::Text(window_))) << "the window is read by its title";
}

bool HasModule(DWORD processId, const wchar_t* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    bool found = false;
    for (BOOL more = Module32FirstW(snapshot, &module); more && !found;
         more = Module32NextW(snapshot, &module))
        found = lstrcmpiW(module.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

HWND ChildWithText(HWND window, const char* className, const std::string& text) {
    for (HWND child : observe::ChildWindows(window)) {
        if (observe::ClassName(child) == className && observe::WindowText(child) == text) return child;
    }
    return nullptr;
}

// A screen reader is another process: the real program, read from here.
TEST(ScreenReaderFromAnotherProcess, ReadsNamesAndDescriptionsAndTheProgramLoadsOleaccOnlyWhenAsked) {
    // A reader lives in an apartment of its own, where the program's objects arrive.
    struct Apartment {
        HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ~Apartment() {
            if (SUCCEEDED(result)) CoUninitialize();
        }
    } apartment;
    ASSERT_TRUE(SUCCEEDED(apartment.result));
    observe::ChildProcess panel;
    ASSERT_TRUE(panel.Start(observe::CommandLine("QuarvelPanel.exe")));
    HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(WaitForInputIdle(panel.Handle(), 20000), 0u);
    HWND box = ChildWithText(window, "Edit", "D:\\mirserver");
    HWND notice = ChildWithText(window, "Button", "游戏公告");
    HWND monsters = ChildWithText(window, "Button", "刷怪配置");
    ASSERT_TRUE(box && notice && monsters);
    EXPECT_FALSE(HasModule(panel.Id(), L"oleacc.dll")) << "a start without a screen reader loads no oleacc";

    Spoken directory = Read(box);
    ASSERT_TRUE(directory.read) << std::hex << directory.result;
    EXPECT_EQ(directory.name, L"服务端目录");
    EXPECT_EQ(directory.description, std::wstring(L"软件说明：") + kHint);
    EXPECT_TRUE(HasModule(panel.Id(), L"oleacc.dll")) << "loaded once a reader asked";
    EXPECT_EQ(Read(monsters).description, L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MonGen.txt");
    EXPECT_EQ(Read(notice).description, L"常用文件：用资源管理器打开 D:\\mirserver\\Mir200\\Notice");
    EXPECT_EQ(Read(window).description, kNotice);

    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("E:\\srv"));
    EXPECT_EQ(Read(notice).description, L"常用文件：用资源管理器打开 E:\\srv\\Mir200\\Notice");

    ASSERT_TRUE(observe::CloseAndWaitForExit(window, 20000));
    EXPECT_EQ(panel.ExitCode(), 0u);
}

} // namespace

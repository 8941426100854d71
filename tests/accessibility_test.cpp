// The panel as a screen reader reads it: through Active Accessibility, as NVDA or any
// other reader asks for each window's client object (AccessibleObjectFromWindow,
// OBJID_CLIENT), and through UI Automation, as Narrator asks, where this Wine has it.
// The texts are the program's GBK; the reader gets them as UTF-16 and they are
// compared so here, against this file's own literals.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/runtime.h"
#include "host/window_load.h"
#include "panel/layout.h"
#include "panel/title.h"
#include "tests/main_window_fixture.h"
#include "tests/support/button_table.h"
#include "tests/support/as_windows.h"
#include "tests/support/child_process.h"
#include "tests/support/ui.h"

// UI Automation's client interfaces as Microsoft's UIAutomationClient.idl declares them,
// up to the last method read here (MinGW's headers have only their ids). Outside the
// unnamed namespace: the compiler takes an interface that nothing there implements for
// one that is never called.
struct IUIAutomationElement : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirst(int, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAll(int, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(int, void*, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(int, void*, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValueEx(int, BOOL, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValue(int, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValueEx(int, BOOL, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(int, REFIID, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPatternAs(int, REFIID, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPattern(int, IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPattern(int, IUnknown**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedParent(IUIAutomationElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedChildren(void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentProcessId(int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentControlType(int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentLocalizedControlType(BSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentName(BSTR*) = 0;
};
struct IUIAutomation : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CompareElements(IUIAutomationElement*, IUIAutomationElement*,
                                                      BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(SAFEARRAY*, SAFEARRAY*, BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElement(IUIAutomationElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND, IUIAutomationElement**) = 0;
};
constexpr CLSID kUiAutomationClass = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
constexpr IID kUiAutomationId = {
    0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
namespace {

// What a reader is told of a window's client object.
struct Spoken {
    bool read = false; // the object could be had
    HRESULT result = S_OK;
    std::wstring name, description, help;
    long role = 0, state = 0;
};

std::wstring Take(BSTR text) {
    std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return taken;
}

Spoken Read(HWND hwnd) {
    Spoken spoken;
    IAccessible* object = nullptr;
    spoken.result =
        AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object));
    if (FAILED(spoken.result) || !object) return spoken;
    spoken.read = true;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (object->get_accName(self, &text) == S_OK) spoken.name = Take(text);
    text = nullptr;
    if (object->get_accDescription(self, &text) == S_OK) spoken.description = Take(text);
    text = nullptr;
    if (object->get_accHelp(self, &text) == S_OK) spoken.help = Take(text);
    VARIANT role{}, state{};
    if (object->get_accRole(self, &role) == S_OK && role.vt == VT_I4) spoken.role = role.lVal;
    if (object->get_accState(self, &state) == S_OK && state.vt == VT_I4) spoken.state = state.lVal;
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

using buttons::Button;
using buttons::kButtons;

constexpr wchar_t kHint[] = L"请先设置目录，若不设置默认D:\\mirserver";
constexpr wchar_t kBrowse[] = L"浏览(B)...";
constexpr wchar_t kNotice[] =
    L"提示：文件按钮用记事本打开 D:\\MirServer 下的配置文件，文件夹按钮按上方目录打开资源管理器。";

// The main window in this process, read as a reader in another process would read it.
class ScreenReader : public mainwindow::MainWindow {
protected:
    Spoken Of(const char* name) const { return Read(Control(name)); }
};

TEST_F(ScreenReader, BothBoxesHaveNamesTheLabelIsReadAsItsTextAndEveryButtonByItsCaption) {
    for (const char* box : {"编辑框目录", "编辑框1"}) {
        Spoken spoken = Of(box);
        ASSERT_TRUE(spoken.read) << std::hex << spoken.result;
        EXPECT_EQ(spoken.name, box == std::string("编辑框1") ? L"常用命令" : L"服务端目录");
        EXPECT_EQ(spoken.role, ROLE_SYSTEM_TEXT) << box;
    }

    Spoken label = Of("标签1");
    EXPECT_EQ(label.name, kHint);
    EXPECT_EQ(label.role, ROLE_SYSTEM_STATICTEXT);
    EXPECT_TRUE(label.state & STATE_SYSTEM_READONLY) << std::hex << label.state;

    for (const Button& button : kButtons) {
        Spoken spoken = Of(button.unit);
        EXPECT_EQ(spoken.name, Wide(button.caption)) << button.unit;
        EXPECT_EQ(spoken.role, ROLE_SYSTEM_PUSHBUTTON) << button.unit;
    }
    Spoken browse = Of("按钮浏览");
    EXPECT_EQ(browse.name, kBrowse) << "the caption as shown, without its line break";
    EXPECT_EQ(browse.role, ROLE_SYSTEM_PUSHBUTTON);
}

// The object keeps COM's rules: each interface it hands out leads back to it, and a call
// through IDispatch acts on it, by the object's Invoke or by the type information it
// hands out.
TEST_F(ScreenReader, EveryInterfaceOfTheObjectLeadsBackToItAndInvokeAnswersLikeIt) {
    IAccessible* object = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(Control("编辑框目录"), OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(&object)),
              S_OK);
    IUnknown* identity = nullptr;
    object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    int walked = 0;
    for (const IID& id : {IID_IDispatch, IID_IEnumVARIANT, IID_IOleWindow}) {
        IUnknown* part = nullptr;
        if (FAILED(object->QueryInterface(id, reinterpret_cast<void**>(&part)))) continue;
        ++walked;
        IUnknown* back = nullptr;
        part->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
        EXPECT_EQ(back, identity) << "interface " << walked;
        IAccessible* again = nullptr;
        ASSERT_EQ(part->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&again)), S_OK);
        VARIANT self{};
        self.vt = VT_I4;
        BSTR text = nullptr;
        EXPECT_EQ(again->get_accName(self, &text), S_OK);
        EXPECT_EQ(Take(text), L"服务端目录") << "interface " << walked;
        again->Release();
        back->Release();
        part->Release();
    }
    EXPECT_EQ(walked, 3) << "the dispatch interface, the children's enumerator and the window interface";

    DISPPARAMS arguments{};
    VARIANT child{}, name{};
    child.vt = VT_I4;
    arguments.rgvarg = &child;
    arguments.cArgs = 1;
    EXPECT_EQ(object->Invoke(DISPID_ACC_NAME, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &arguments,
                             &name, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(name.vt, VT_BSTR);
    EXPECT_EQ(name.vt == VT_BSTR ? Take(name.bstrVal) : L"", L"服务端目录");

    // The count of type information says what GetTypeInfo gives: IAccessible's, which
    // run on the object answers as the object does. ITypeInfo::Invoke is given a place
    // for the index of a bad argument, as its page asks.
    UINT count = 2;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    ITypeInfo* info = nullptr;
    HRESULT given = object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
    EXPECT_EQ(count, SUCCEEDED(given) && info ? 1u : 0u) << std::hex << given;
    ASSERT_EQ(given, S_OK) << "the object's Invoke above answered, so it has type information";
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IAccessible));
    info->ReleaseTypeAttr(attributes);
    UINT badArgument = 0;
    VARIANT typed{};
    EXPECT_EQ(info->Invoke(object, DISPID_ACC_NAME, DISPATCH_PROPERTYGET, &arguments, &typed, nullptr,
                           &badArgument),
              S_OK);
    EXPECT_EQ(typed.vt == VT_BSTR ? Take(typed.bstrVal) : L"", L"服务端目录");
    info->Release();

    // A client that gives no place for the index of a bad argument is told of the bad
    // argument all the same: accHitTest takes two numbers, not two words.
    VARIANT point[2]{};
    for (VARIANT& word : point) {
        word.vt = VT_BSTR;
        word.bstrVal = SysAllocString(L"左上");
    }
    DISPPARAMS words{point, nullptr, 2, 0};
    VARIANT hit{};
    EXPECT_EQ(object->Invoke(DISPID_ACC_HITTEST, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &words, &hit,
                             nullptr, nullptr),
              DISP_E_TYPEMISMATCH);
    for (VARIANT& word : point)
        VariantClear(&word);
    VariantClear(&hit);
    identity->Release();
    object->Release();
}

TEST_F(ScreenReader, EveryFileAndFolderButtonSaysItsGroupAndWhatAPressOpens) {
    for (const Button& button : kButtons) {
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

// For UI Automation, which reads no description, the help says the same.
TEST_F(ScreenReader, TheDirectoryRowSaysItsGroupAndTheWindowSaysItsNotice) {
    EXPECT_EQ(Of("编辑框目录").description, std::wstring(L"软件说明：") + kHint);
    EXPECT_EQ(Of("编辑框目录").help, std::wstring(L"软件说明：") + kHint);
    EXPECT_EQ(Of("按钮浏览").description, L"软件说明：选择服务端目录");
    EXPECT_EQ(Of("按钮浏览").help, L"软件说明：选择服务端目录");
    EXPECT_EQ(Of("按钮1").help, kButtons[0].description);
    Spoken window = Read(window_);
    ASSERT_TRUE(window.read);
    EXPECT_EQ(window.description, kNotice);
    EXPECT_EQ(window.help, kNotice);
    EXPECT_EQ(window.role, ROLE_SYSTEM_CLIENT);
    EXPECT_EQ(window.name, Wide(PANEL_TITLE)) << "the window is read by its title";
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

// A text of this file in the program's GBK, to find a window by.
std::string Gbk(const std::wstring& wide) {
    int length = WideCharToMultiByte(936, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(936, 0, wide.c_str(), -1, gbk.data(), length, nullptr, nullptr);
    return gbk;
}

enum : int { kButtonType = 50000, kEditType = 50004, kTextType = 50020 }; // UIA_...ControlTypeId

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
    ASSERT_TRUE(panel.Start(observe::PanelCommandLine()));
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

    EXPECT_EQ(Read(monsters).help, L"常用文本：用记事本打开 D:\\MirServer\\Mir200\\Envir\\MonGen.txt");
    EXPECT_EQ(Read(window).help, kNotice);
    EXPECT_EQ(Read(monsters).role, ROLE_SYSTEM_PUSHBUTTON);
    HWND browse = ChildWithText(window, "Button", "浏览(B)...\r\n");
    EXPECT_EQ(Read(browse).name, kBrowse);

    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("E:\\srv"));
    EXPECT_EQ(Read(notice).description, L"常用文件：用资源管理器打开 E:\\srv\\Mir200\\Notice");

    ASSERT_TRUE(observe::CloseAndWaitForExit(window, 20000));
    EXPECT_EQ(panel.ExitCode(), 0u);
}

// As UI Automation reads each window: a name and a type. Wine 8 has no UI Automation
// client; from Wine 10 on, and on Windows, it is required.
TEST(ScreenReaderFromAnotherProcess, UiAutomationReadsEachWindowsNameAndType) {
    using WineVersionFunction = const char*(CDECL*)();
    auto wineVersion = reinterpret_cast<WineVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    if (wineVersion && std::atoi(wineVersion()) < 10)
        GTEST_SKIP() << "Wine " << wineVersion() << " has no UI Automation client";
    struct Apartment {
        HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ~Apartment() {
            if (SUCCEEDED(result)) CoUninitialize();
        }
    } apartment;
    ASSERT_TRUE(SUCCEEDED(apartment.result));
    observe::ChildProcess panel;
    ASSERT_TRUE(panel.Start(observe::PanelCommandLine()));
    HWND window = observe::WaitForWindow(panel.Id(), "KZWindow", nullptr, 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(WaitForInputIdle(panel.Handle(), 20000), 0u);
    HWND box = ChildWithText(window, "Edit", "D:\\mirserver");
    HWND browse = ChildWithText(window, "Button", "浏览(B)...\r\n");
    ASSERT_TRUE(box && browse);
    struct Element {
        HWND hwnd;
        std::wstring name;
        int type;
    };
    HWND commands = nullptr;
    for (HWND child : observe::ChildWindows(window))
        if (observe::ClassName(child) == "Edit" && child != box) commands = child;
    std::vector<Element> elements{{box, L"服务端目录", kEditType},
                                  {commands, L"常用命令", kEditType},
                                  {ChildWithText(window, "KZLabel", Gbk(kHint)), kHint, kTextType},
                                  {browse, kBrowse, kButtonType}};
    for (const Button& button : kButtons)
        elements.push_back(
            {ChildWithText(window, "Button", button.caption), Wide(button.caption), kButtonType});
    IUIAutomation* automation = nullptr;
    HRESULT made = CoCreateInstance(kUiAutomationClass, nullptr, CLSCTX_INPROC_SERVER, kUiAutomationId,
                                    reinterpret_cast<void**>(&automation));
    ASSERT_EQ(made, S_OK) << std::hex << made;
    for (const Element& expected : elements) {
        IUIAutomationElement* element = nullptr;
        ASSERT_EQ(automation->ElementFromHandle(expected.hwnd, &element), S_OK) << Gbk(expected.name);
        BSTR name = nullptr;
        int type = 0;
        EXPECT_EQ(element->get_CurrentName(&name), S_OK);
        EXPECT_EQ(Take(name), expected.name);
        EXPECT_EQ(element->get_CurrentControlType(&type), S_OK);
        EXPECT_EQ(type, expected.type) << Gbk(expected.name);
        element->Release();
    }
    automation->Release();

    ASSERT_TRUE(observe::CloseAndWaitForExit(window, 20000));
    EXPECT_EQ(panel.ExitCode(), 0u);
}

} // namespace

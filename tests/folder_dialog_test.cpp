// The real folder dialog, driven from a second thread: the text it gives back, which
// windows it disables and enables again, and what is active when it has gone.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/host_state.h"
#include "host/runtime.h"
#include "host/shell_commands.h"
#include "host/text.h"
#include "host/window_load.h"
#include "tests/support/child_process.h"
#include "tests/support/test_layout.h"
#include "tests/support/ui.h"

namespace {

// The folder dialog, for real. The dialog runs its own loop on this thread; a second
// thread finds it, looks at the program's windows and answers it.
class FolderDialog : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!Host().hiddenOwner) InitializeHost();
        ReadWindowList(testlayout::kTwoWindowProgram);
    }
    void SetUp() override {
        ASSERT_TRUE(LoadWindow(testlayout::kWindowId, false, nullptr));
        ASSERT_TRUE(LoadWindow(testlayout::kSecondWindowId, false, nullptr));
        first_ = GetWindowHandle(0);
        second_ = GetWindowHandle(1);
        CurrentShellCalls().browseForFolder = RecordBrowse;
        g_flags.clear();
        // Another program's window on the desktop, as a Notepad that a file button
        // opened would be: visible, enabled, not the program's.
        WNDCLASSA bystander{};
        bystander.lpfnWndProc = CountActivations;
        bystander.hInstance = GetModuleHandleA(nullptr);
        bystander.lpszClassName = "Bystander";
        RegisterClassA(&bystander);
        bystander_ = CreateWindowExA(0, bystander.lpszClassName, "记事本", WS_OVERLAPPEDWINDOW, 300, 200, 300,
                                     200, nullptr, nullptr, bystander.hInstance, nullptr);
        ASSERT_NE(bystander_, nullptr);
        ShowWindow(bystander_, SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        CurrentShellCalls() = ShellCalls{};
        DestroyWindow(first_);
        DestroyWindow(second_);
        DestroyWindow(bystander_);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }

    // The program in front, as when the user clicks its browse button; the other
    // program's window right behind it.
    void BringTheProgramToTheFront() {
        SetForegroundWindow(bystander_);
        SetForegroundWindow(first_);
        ASSERT_TRUE(observe::WaitUntil(
            [&] {
                ui::Pump();
                return GetForegroundWindow() == first_ && GetActiveWindow() == first_;
            },
            10000));
        g_bystanderActivations = 0;
    }

    // The owner as the dialog finds it. A modal dialog disables an enabled owner itself
    // and enables it again before it goes, so that Windows gives the activation back
    // to it; it leaves an owner that was disabled already as it was, and Windows then
    // activates some other window as the dialog goes. (Wine enables the owner in
    // either case, so only this moment tells the two apart here.)
    //
    // Wine's own dialog trips Wine's heap checker whenever it lists files (flag 0x4000;
    // seen with a bare SHBrowseForFolderA call and nothing of ours, on Wine 8 and 10): it
    // frees a block that is none of the heap's ("unsafe_block_from_ptr ... invalid block
    // type"). The heap-checked run leaves out that report alone, between these two
    // lines, which hold the dialog alone.
    static LPITEMIDLIST WINAPI RecordBrowse(LPBROWSEINFOA browse) {
        g_flags.push_back(browse->ulFlags);
        g_owner = browse->hwndOwner;
        g_ownerEnabledAtTheStart = g_owner && IsWindowEnabled(g_owner);
        bool listsFiles = (browse->ulFlags & BIF_BROWSEINCLUDEFILES) != 0;
        if (listsFiles) ToErrorOutput("heap-check: paused for warn:heap:unsafe_block_from_ptr\n");
        LPITEMIDLIST chosen = SHBrowseForFolderA(browse);
        if (listsFiles) ToErrorOutput("heap-check: resumed\n");
        return chosen;
    }
    // Straight to the handle, in order with what Wine itself writes there.
    static void ToErrorOutput(const char* line) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written,
                  nullptr);
    }

    static LRESULT CALLBACK CountActivations(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) ++g_bystanderActivations;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    // The moment the dialog is destroyed, on its own thread: Windows activates the
    // owner then only if it is enabled, and some other window if it is not.
    static LRESULT CALLBACK WatchTheDialogsEnd(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_DESTROYWND && observe::ClassName(reinterpret_cast<HWND>(wParam)) == "#32770") {
            g_dialogEnded = true;
            g_ownerEnabledAtTheEnd = g_owner && IsWindowEnabled(g_owner);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    struct Seen {
        bool found = false;  // the dialog came up, ready for the user
        bool closed = false; // and went once answered
        bool firstEnabled = true, secondEnabled = true;
        bool ownerEnabledAtTheStart = false, dialogEnded = false, ownerEnabledAtTheEnd = false;
    };

    // Runs the dialog; `answer` gets the dialog and its tree once it is up.
    OwnedText Browse(TaggedValue includeFiles, void (*answer)(HWND dialog, HWND tree), Seen& seen) {
        HWND first = first_, second = second_;
        DWORD process = GetCurrentProcessId();
        std::thread user([&seen, first, second, process, answer] {
            HWND dialog = observe::WaitForWindow(process, "#32770", nullptr, 10000);
            if (!dialog) return;
            // Ready for the user: enabled, with the folders in its tree.
            HWND tree = nullptr;
            seen.found = observe::WaitUntil(
                [&] {
                    tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
                    return IsWindowEnabled(dialog) && tree &&
                           SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) != 0;
                },
                10000);
            seen.firstEnabled = IsWindowEnabled(first);
            seen.secondEnabled = IsWindowEnabled(second);
            if (seen.found) answer(dialog, tree);
            // The dialog takes the answer; one that does not is cancelled, so that the
            // test goes on.
            seen.closed = observe::WaitUntil([dialog] { return !IsWindow(dialog); }, 10000);
            if (!seen.closed) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        TaggedValue args[] = {TextArg("请选择一个路径"), includeFiles};
        TaggedValue result{};
        g_ownerEnabledAtTheStart = g_dialogEnded = g_ownerEnabledAtTheEnd = false;
        HHOOK hook = SetWindowsHookExA(WH_CBT, WatchTheDialogsEnd, nullptr, GetCurrentThreadId());
        BrowseForFolder(result, ArgumentCount(args), args);
        UnhookWindowsHookEx(hook);
        user.join();
        seen.ownerEnabledAtTheStart = g_ownerEnabledAtTheStart;
        seen.dialogEnded = g_dialogEnded;
        seen.ownerEnabledAtTheEnd = g_ownerEnabledAtTheEnd;
        return OwnedText(reinterpret_cast<char*>(static_cast<std::uintptr_t>(result.low)));
    }

    static inline std::vector<UINT> g_flags;
    static inline HWND g_owner = nullptr;
    static inline int g_bystanderActivations = 0;
    static inline bool g_ownerEnabledAtTheStart = false, g_dialogEnded = false,
                       g_ownerEnabledAtTheEnd = false;
    HWND first_ = nullptr, second_ = nullptr, bystander_ = nullptr;
};

void Cancel(HWND dialog, HWND) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

void Choose(HWND dialog, HTREEITEM item, HWND tree) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    // The dialog hears of the selection from its tree and lets it be taken.
    HWND ok = GetDlgItem(dialog, IDOK);
    observe::WaitUntil(
        [&] {
            return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) == item &&
                   IsWindowEnabled(ok);
        },
        10000);
    SendMessageA(ok, BM_CLICK, 0, 0);
}

void ChooseDriveC(HWND dialog, HWND tree) {
    HTREEITEM drive = ui::FindTreeItem(tree, "(C:)");
    if (!drive) return Cancel(dialog, tree);
    Choose(dialog, drive, tree);
}

// Whether OK was offered with the computer selected, a folder of the shell with no path.
bool g_okOfferedForTheComputer = true;

// Selects the computer and then presses OK whether it is offered or not, as a dialog
// that offered it would let the user do.
void ForceTheComputer(HWND dialog, HWND tree) {
    HTREEITEM computer = nullptr;
    if (!ui::FindTreeItem(tree, "(C:)", &computer) || !computer) return Cancel(dialog, tree);
    // The tree tells the dialog of the selection before this call returns.
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(computer));
    g_okOfferedForTheComputer = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(FolderDialog, CancelGivesTheNullTextAndPutsEveryWindowBack) {
    EnableWindow(second_, FALSE);
    ASSERT_NO_FATAL_FAILURE(BringTheProgramToTheFront());
    HWND activeBefore = GetActiveWindow();
    HWND foregroundBefore = GetForegroundWindow();
    Seen seen;
    OwnedText chosen = Browse(kOmittedArg, Cancel, seen);
    ASSERT_TRUE(seen.found) << "no dialog came up";
    EXPECT_TRUE(seen.closed) << "the dialog did not take the answer";
    EXPECT_EQ(chosen, nullptr);
    EXPECT_FALSE(seen.firstEnabled) << "the program's windows are disabled while the dialog is up";
    EXPECT_FALSE(seen.secondEnabled);
    EXPECT_TRUE(IsWindowEnabled(first_)) << "enabled again";
    EXPECT_FALSE(IsWindowEnabled(second_)) << "it was disabled before and stays so";
    EXPECT_EQ(GetActiveWindow(), activeBefore);
    EXPECT_EQ(GetForegroundWindow(), foregroundBefore);
    EXPECT_EQ(g_owner, activeBefore) << "the active window owns the dialog";
    EXPECT_TRUE(seen.ownerEnabledAtTheStart)
        << "the dialog's owner is the dialog's to disable and enable again";
    EXPECT_TRUE(seen.dialogEnded);
    EXPECT_TRUE(seen.ownerEnabledAtTheEnd) << "the owner must be enabled before the dialog goes";
    EXPECT_EQ(g_bystanderActivations, 0) << "another program's window was activated on the way";
}

TEST_F(FolderDialog, AChosenFolderComesBackAsANewTextEachTime) {
    ASSERT_NO_FATAL_FAILURE(BringTheProgramToTheFront());
    Seen seen;
    OwnedText first = Browse(LogicalArg(false), ChooseDriveC, seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.closed);
    seen = Seen{};
    OwnedText second = Browse(LogicalArg(true), ChooseDriveC, seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.closed);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(first.get(), "C:\\");
    EXPECT_STREQ(second.get(), "C:\\");
    EXPECT_NE(first.get(), second.get());
    EXPECT_FALSE(IsConstantText(first.get()));
    EXPECT_EQ(g_flags, (std::vector<UINT>{BIF_EDITBOX | BIF_RETURNONLYFSDIRS,
                                          BIF_EDITBOX | BIF_RETURNONLYFSDIRS | BIF_BROWSEINCLUDEFILES}));
}

TEST_F(FolderDialog, OKIsOfferedOnlyForAFolderWithAPathAndNoPathGivesTheNullText) {
    g_okOfferedForTheComputer = true;
    Seen seen;
    OwnedText chosen = Browse(kOmittedArg, ForceTheComputer, seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.closed);
    EXPECT_FALSE(g_okOfferedForTheComputer) << "OK is greyed for the computer";
    EXPECT_EQ(chosen, nullptr);
}

} // namespace

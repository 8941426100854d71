// The shell services, each on the GUI thread until it is done. Two of them hold the
// user off meanwhile: the folder dialog, in its own modal loop, and the wait for a
// started program's end, in ours. Around both the program's parentless windows are
// disabled and put back afterwards (SavedWindowList), so that no second action starts.
//
// The wait reads the thread's queue: a thread with windows that stops reading it hangs
// every program that sends it a message (a broadcast waits for each window in turn),
// and Windows shows the windows as not responding. So the thread answers what is sent
// to its windows and paints them, and nothing more: the other posted messages stay
// for the message loop, and the mouse and keys that came meanwhile, posted or typed,
// are dropped before the windows are enabled again.
#include "host/shell_commands.h"

#include <algorithm>
#include <cstdint>

#include "host/handles.h"
#include "host/runtime.h"
#include "host/text.h"
#include "host/window_list.h"

namespace {

// Show commands of display modes 1 to 6. Mode 5 differs: not activated means
// SW_SHOWNOACTIVATE for a new process, SW_SHOWNA for the shell.
constexpr WORD kProcessShow[7] = {
    0, SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_MINIMIZE};
constexpr INT kShellShow[7] = {0,         SW_HIDE,    SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED,
                               SW_SHOWNA, SW_MINIMIZE};
constexpr const char* kVerbs[6] = {nullptr, "edit", "explore", "find", "open", "print"};

// The program's parentless windows, disabled around the folder dialog or the wait for
// a program's end, with the active and foreground windows of before. Pairs of 32-bit
// values on the process heap; entry 0 is (active, foreground).
//
// Around the dialog the active window becomes the dialog's owner and is left to the
// dialog: a modal dialog disables its owner itself and enables it again before it
// goes, so that Windows hands the activation back to the owner. An owner that we had
// disabled would still be disabled then, and Windows would activate some other
// program's window instead (a Notepad that the panel opened, say). Around the wait
// there is no dialog, and the active window is disabled with the others.
enum class ActiveWindow { LeftToTheDialog, Disabled };

class SavedWindowList {
public:
    explicit SavedWindowList(ActiveWindow activeWindow) {
        std::uint32_t count = GetWindowCount();
        pairs_ = static_cast<std::uint32_t(*)[2]>(AllocateBlock((count + 1) * sizeof *pairs_));
        HWND active = GetActiveWindow();
        if (!IsWindow(active)) active = nullptr;
        Append(active, GetForegroundWindow());
        for (std::uint32_t i = 0; i < count; ++i) {
            HWND hwnd = GetWindowHandle(i);
            if (!hwnd || GetParent(hwnd)) continue;
            if (hwnd == active && activeWindow == ActiveWindow::LeftToTheDialog) continue;
            Append(hwnd, reinterpret_cast<HWND>(static_cast<std::uintptr_t>(IsWindowEnabled(hwnd) ? 1 : 0)));
            EnableWindow(hwnd, FALSE);
        }
    }
    SavedWindowList(const SavedWindowList&) = delete;
    SavedWindowList& operator=(const SavedWindowList&) = delete;
    ~SavedWindowList() { FreeBlock(pairs_); }

    HWND Active() const { return Window(pairs_[0][0]); }

    // Each window back to its state of before; then the foreground, then the active window.
    void Restore() const {
        for (std::uint32_t i = 1; i < size_; ++i)
            EnableWindow(Window(pairs_[i][0]), pairs_[i][1] ? TRUE : FALSE);
        HWND foreground = Window(pairs_[0][1]);
        HWND active = Window(pairs_[0][0]);
        if (foreground && IsWindow(foreground)) SetForegroundWindow(foreground);
        if (active && IsWindow(active)) SetActiveWindow(active);
    }

private:
    static HWND Window(std::uint32_t value) {
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
    }
    void Append(HWND first, HWND second) {
        pairs_[size_][0] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(first));
        pairs_[size_][1] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(second));
        ++size_;
    }

    std::uint32_t (*pairs_)[2] = nullptr;
    std::uint32_t size_ = 0;
};

// Mouse and key messages, posted or from the input queue (the frame's mouse messages
// too).
constexpr UINT kInputRanges[][2] = {
    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}, {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}};

// Sent messages are answered inside PeekMessage. A quit message that PeekMessage
// hands over on the way is posted again for the loop.
void WaitForExitAnswering(HANDLE process) {
    SavedWindowList saved(ActiveWindow::Disabled);
    bool quit = false;
    WPARAM quitCode = 0;
    // Paints what is to be painted, keeps a quit, drops the rest.
    auto take = [&](UINT first, UINT last, UINT kinds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, first, last, PM_REMOVE | kinds)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
            } else if (message.message == WM_PAINT) {
                DispatchMessageA(&message);
            }
        }
    };
    // Wakes also for what came before the wait and is still there.
    while (MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_SENDMESSAGE | QS_PAINT,
                                       MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1)
        take(0, 0, PM_QS_SENDMESSAGE | PM_QS_PAINT);
    // What the user did meanwhile went to disabled windows.
    for (const auto& range : kInputRanges)
        take(range[0], range[1], 0);
    saved.Restore();
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

} // namespace

ShellCalls& CurrentShellCalls() {
    static ShellCalls calls;
    return calls;
}

void RunCommand(TaggedValue& result, int argCount, const TaggedValue* args) {
    int mode = IsOmitted(argCount, args, 2) ? 2 : std::clamp(ArgInteger(argCount, args, 2), 1, 6);
    STARTUPINFOA startup{};
    startup.cb = 68;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = kProcessShow[mode];
    PROCESS_INFORMATION created{};
    // The ANSI entry point leaves the command line as it is, so the text goes in as given.
    // Nothing to start is a failure; some systems crash on a null command line rather
    // than refuse it, so it never gets there.
    char* commandLine = const_cast<char*>(ArgText(argCount, args, 0));
    const char* program = IsOmitted(argCount, args, 3) ? nullptr : ArgText(argCount, args, 3);
    if (program && !*program) program = nullptr;
    if (!commandLine || !*commandLine ||
        !CurrentShellCalls().createProcess(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                           &startup, &created)) {
        result.low = 0;
        return;
    }
    KernelHandle thread(created.hThread);
    KernelHandle process(created.hProcess);
    if (ArgLogical(argCount, args, 1)) {
        WaitForExitAnswering(process.get());
    } else {
        WaitForInputIdle(process.get(), 1000);
    }
    thread.reset();
    process.reset();
    result.low = 1;
}

void ExecuteShellOperation(TaggedValue&, int argCount, const TaggedValue* args) {
    std::int32_t operation = ArgInteger(argCount, args, 0);
    const char* verb = operation >= 1 && operation <= 5 ? kVerbs[operation] : nullptr;
    std::int32_t mode = ArgInteger(argCount, args, 4);
    INT show = !IsOmitted(argCount, args, 4) && mode >= 1 && mode <= 6 ? kShellShow[mode] : SW_SHOWNORMAL;
    const char* directory = IsOmitted(argCount, args, 3) ? kEmptyText : ArgText(argCount, args, 3);
    const char* parameters = IsOmitted(argCount, args, 2) ? nullptr : ArgText(argCount, args, 2);
    CurrentShellCalls().shellExecute(nullptr, verb, ArgText(argCount, args, 1), parameters, directory, show);
}

void BrowseForFolder(TaggedValue& result, int argCount, const TaggedValue* args) {
    char path[MAX_PATH];
    path[0] = '\0';
    BROWSEINFOA browse{};
    browse.pszDisplayName = path;
    browse.lpszTitle = ArgText(argCount, args, 0);
    // Only a folder with a path can be the answer, so OK is offered for nothing else
    // (not for the computer, the network or a library), and the user sees why.
    browse.ulFlags = BIF_EDITBOX | BIF_RETURNONLYFSDIRS;
    if (!IsOmitted(argCount, args, 1) && ArgLogical(argCount, args, 1))
        browse.ulFlags |= BIF_BROWSEINCLUDEFILES;

    EnsureOle(); // the folder dialog needs it
    SavedWindowList saved(ActiveWindow::LeftToTheDialog);
    browse.hwndOwner = saved.Active();
    LPITEMIDLIST chosen = CurrentShellCalls().browseForFolder(&browse);
    saved.Restore();

    char* text = nullptr;
    if (chosen) {
        path[0] = '\0';
        if (SHGetPathFromIDListA(chosen, path)) text = CopyText(path);
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator))) {
            allocator->Free(chosen);
            allocator->Release();
        }
    }
    result.low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
}

// The shell services with the real Windows calls under them: a program of ours started
// and asked what it received, and the shell's own start of it. A seam only where the
// pointers handed to the shell cannot be seen otherwise. The folder dialog has a file
// of its own (folder_dialog_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "host/handles.h"
#include "host/host_state.h"
#include "host/message_loop.h"
#include "host/runtime.h"
#include "host/shell_commands.h"
#include "host/text.h"
#include "host/window_list.h"
#include "host/window_load.h"
#include "tests/support/child_process.h"
#include "tests/support/test_layout.h"
#include "tests/support/ui.h"

namespace {

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// A result record as no command leaves it, to see that a command without a result
// writes nothing.
constexpr TaggedValue kUntouched{0xA5A5A5A5, 0x5A5A5A5A, 0xBEEF};
bool Same(const TaggedValue& a, const TaggedValue& b) {
    return a.low == b.low && a.high == b.high && a.tag == b.tag;
}

struct Started {
    std::string commandLine;
    std::string flagsAndShow;
    bool done = false;
};

// What the recorder wrote, once it is done or the time is up (0: as it is now).
Started ReadRecord(const std::string& path, DWORD waitMilliseconds = 10000) {
    Started started;
    std::vector<std::string> lines;
    observe::WaitUntil([&] { return (lines = observe::ReadLines(path)).size() >= 3; }, waitMilliseconds);
    if (lines.size() >= 2) {
        started.commandLine = lines[0];
        started.flagsAndShow = lines[1];
    }
    started.done = lines.size() >= 3 && lines[2] == "done";
    return started;
}

bool Start(const std::string& commandLine, bool wait, const TaggedValue& mode) {
    TaggedValue args[] = {TextArg(commandLine.c_str()), LogicalArg(wait), mode};
    TaggedValue result{};
    RunCommand(result, ArgumentCount(args), args);
    return result.low != 0;
}

TEST(RunCommand, StartsTheCommandLineUnchangedWithTheShowCommandOfItsMode) {
    std::string recorder = observe::BesideTestProgram("start_recorder.exe");
    struct Case {
        TaggedValue mode;
        unsigned show;
    } cases[] = {{kOmittedArg, SW_SHOWNORMAL},       {IntegerArg(0), SW_HIDE},
                 {IntegerArg(1), SW_HIDE},           {IntegerArg(2), SW_SHOWNORMAL},
                 {IntegerArg(3), SW_SHOWMINIMIZED},  {IntegerArg(4), SW_SHOWMAXIMIZED},
                 {IntegerArg(5), SW_SHOWNOACTIVATE}, {IntegerArg(6), SW_MINIMIZE},
                 {IntegerArg(9), SW_MINIMIZE}};
    for (const Case& c : cases) {
        std::string out = observe::FreshLogFile("recorded.txt");
        std::string commandLine = Quoted(recorder) + " " + Quoted(out) + "  trailing ";
        SCOPED_TRACE(c.mode.tag ? std::to_string(c.mode.low) : "omitted");
        ASSERT_TRUE(Start(commandLine, true, c.mode));
        Started started = ReadRecord(out);
        EXPECT_EQ(started.commandLine, commandLine) << "not copied, quoted or trimmed";
        EXPECT_EQ(started.flagsAndShow, "1 " + std::to_string(c.show))
            << "STARTF_USESHOWWINDOW and the show command";
    }
}

TEST(RunCommand, WaitsForTheEndOnlyWhenAskedTo) {
    std::string recorder = Quoted(observe::BesideTestProgram("start_recorder.exe"));
    std::string out = observe::FreshLogFile("recorded.txt");
    ASSERT_TRUE(Start(recorder + " " + Quoted(out) + " 1500", true, kOmittedArg));
    EXPECT_TRUE(ReadRecord(out, 0).done) << "with wait-for-exit the call returns after the program ended";

    // This one ends only when the test lets it: a call that waited for its end would
    // come back after the recorder gave up waiting (30 s), with "done" written.
    out = observe::FreshLogFile("recorded-2.txt");
    std::string release = "start_recorder-release-" + std::to_string(GetCurrentProcessId());
    HANDLE releaseEvent = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
    ASSERT_NE(releaseEvent, nullptr);
    EXPECT_TRUE(Start(recorder + " " + Quoted(out) + " until:" + release, false, kOmittedArg));
    EXPECT_FALSE(ReadRecord(out, 0).done) << "without it the call does not wait for the end";
    SetEvent(releaseEvent);
    EXPECT_TRUE(ReadRecord(out, 10000).done);
    CloseHandle(releaseEvent);
}

// Waiting for a program's end, with windows of the program's own up: the program
// waited for asks the window something from its process, and meanwhile another thread
// of the test presses the window's bound button, has the window painted and sends it
// what makes the program quit.
class RunCommandWaiting : public testing::Test {
protected:
    void SetUp() override {
        if (!Host().hiddenOwner) InitializeHost();
        ReadWindowList(testlayout::kTwoWindowProgram);
        ASSERT_TRUE(LoadWindow(testlayout::kWindowId, false, nullptr));
        ASSERT_TRUE(LoadWindow(testlayout::kSecondWindowId, false, nullptr));
        first_ = GetWindowHandle(0);
        second_ = GetWindowHandle(1);
        button_ = ui::UnitHandle(testlayout::kWindowId, "按钮1");
        ASSERT_NE(button_, nullptr);
        g_clicks = 0;
        testlayout::OnTestEvent = CountClicks;
    }
    void TearDown() override {
        testlayout::OnTestEvent = nullptr;
        DestroyWindow(first_);
        DestroyWindow(second_);
        ui::Pump();
    }

    static HandlerResult CountClicks(const char* name, std::span<const std::uint32_t>) {
        if (!std::strcmp(name, "click")) ++g_clicks;
        return {};
    }
    // A left click straight to the control: the way through the point under the mouse
    // finds no disabled window.
    static void PressWithTheMouse(HWND control) {
        RECT client;
        GetClientRect(control, &client);
        LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
        PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(control, WM_LBUTTONUP, 0, at);
    }

    // A message sent to the window that makes its thread post the quit message, as
    // a program that ends on a message sent from outside does.
    static LRESULT CALLBACK QuitOnTheSign(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == QuitSign())
            PostQuitMessage(7);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static UINT QuitSign() { return RegisterWindowMessageA("RunCommandWaiting-quit"); }

    static inline int g_clicks = 0;
    HWND first_ = nullptr, second_ = nullptr, button_ = nullptr;
};

TEST_F(RunCommandWaiting, AnswersAndPaintsAndKeepsAQuitButTakesNoPress) {
    // The program in front with the focus on its button, as after a click on it.
    SetForegroundWindow(first_);
    ASSERT_TRUE(
        ui::PumpUntil([&] { return GetForegroundWindow() == first_ && GetActiveWindow() == first_; }, 10000));
    SetFocus(button_);
    ASSERT_EQ(GetFocus(), button_);

    ui::ThreadHook hook(WH_CALLWNDPROC, QuitOnTheSign);
    ASSERT_TRUE(hook.Hooked());
    std::string out = observe::FreshLogFile("waited.txt");
    std::string release = "start_recorder-release-" + std::to_string(GetCurrentProcessId());
    KernelHandle releaseEvent(CreateEventA(nullptr, TRUE, FALSE, release.c_str()));
    ASSERT_TRUE(releaseEvent);
    std::string line = Quoted(observe::BesideTestProgram("start_recorder.exe")) + " " + Quoted(out) +
                       " until:" + release +
                       " ask:" + std::to_string(reinterpret_cast<std::uintptr_t>(first_));

    struct Seen {
        bool disabled = false; // both windows, once the wait had begun
        bool painted = false;  // the window, while the program was waited for
        bool quitAnswered = false;
        std::vector<std::string> record;
    } seen;
    HWND first = first_, second = second_, button = button_;
    std::thread outside([&seen, &out, first, second, button, event = releaseEvent.get()] {
        seen.disabled =
            observe::WaitUntil([&] { return !IsWindowEnabled(first) && !IsWindowEnabled(second); }, 10000);
        PressWithTheMouse(button);
        ui::PressKey(VK_SPACE);
        InvalidateRect(first, nullptr, TRUE);
        seen.painted = observe::WaitUntil([&] { return !GetUpdateRect(first, nullptr, FALSE); }, 10000);
        DWORD_PTR ignored = 0;
        seen.quitAnswered = SendMessageTimeoutA(first, QuitSign(), 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
        observe::WaitUntil(
            [&] {
                seen.record = observe::ReadLines(out);
                return std::any_of(seen.record.begin(), seen.record.end(),
                                   [](const std::string& l) { return l.starts_with("asked "); });
            },
            20000);
        SetEvent(event);
    });
    bool created = Start(line, true, kOmittedArg);
    outside.join();
    std::vector<std::string> lines = observe::ReadLines(out);
    MSG quit{};
    bool quitKept = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.message == WM_QUIT;
    ui::Pump(); // what the loop would take next

    ASSERT_TRUE(created);
    EXPECT_TRUE(!lines.empty() && lines.back() == "done") << "the call returned before the program ended";
    EXPECT_TRUE(seen.disabled) << "the windows are disabled while the program is waited for";
    auto asked = std::find_if(seen.record.begin(), seen.record.end(),
                              [](const std::string& l) { return l.starts_with("asked "); });
    ASSERT_NE(asked, seen.record.end()) << "the program waited for asked nothing";
    int answered = 0;
    long answer = 0;
    unsigned long milliseconds = 0;
    EXPECT_EQ(std::sscanf(asked->c_str(), "asked %d %ld %lu", &answered, &answer, &milliseconds), 3)
        << *asked;
    EXPECT_EQ(answered, 1) << "a message sent from another process went unanswered for " << milliseconds
                           << " ms";
    EXPECT_EQ(answer, HTCLIENT) << "what the window says of its client area's centre";
    EXPECT_LT(milliseconds, 1000u);
    EXPECT_TRUE(seen.painted) << "the window was not painted";
    EXPECT_TRUE(seen.quitAnswered);
    EXPECT_TRUE(quitKept) << "the quit message posted while waiting is left for the loop";
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_EQ(g_clicks, 0) << "a press made while the program was waited for was taken";
    EXPECT_TRUE(IsWindowEnabled(first_));
    EXPECT_TRUE(IsWindowEnabled(second_));
    EXPECT_EQ(GetForegroundWindow(), first_);
    EXPECT_EQ(GetActiveWindow(), first_);
    EXPECT_EQ(GetFocus(), button_);

    // The same presses now are taken: the mouse's, and the key's on the focused button.
    PressWithTheMouse(button_);
    EXPECT_TRUE(ui::PumpUntil([&] { return g_clicks == 1; }, 5000)) << g_clicks;
    ui::PressKey(VK_SPACE);
    EXPECT_TRUE(ui::PumpUntil([&] { return g_clicks == 2; }, 5000)) << g_clicks;
}

TEST(RunCommand, GivesFalseForNothingToStartWhateverTheResultHeldBefore) {
    for (const char* line : {static_cast<const char*>(nullptr), "", "no-such-program-anywhere.exe x",
                             "\"C:\\no\\such\\folder\\prog.exe\""}) {
        TaggedValue args[] = {TextArg(line), LogicalArg(true), kOmittedArg};
        // Whatever the caller left there, the command says false itself.
        TaggedValue result{0xFFFFFFFF, 0, 0};
        RunCommand(result, ArgumentCount(args), args);
        EXPECT_EQ(result.low, 0u) << (line ? line : "(null)");
    }
}

TEST(RunCommand, LeavesNoHandleOpen) {
    std::string recorder = Quoted(observe::BesideTestProgram("start_recorder.exe"));
    std::string out = observe::FreshLogFile("recorded.txt");
    std::string line = recorder + " " + Quoted(out);
    // A first round settles what the process keeps for good once it has started one.
    ASSERT_TRUE(Start(line, true, kOmittedArg));
    ASSERT_TRUE(Start(line, false, kOmittedArg));
    std::uintptr_t before = observe::HandleHighWater();
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(Start(line, i % 2 == 0, kOmittedArg));
        EXPECT_FALSE(Start("no-such-program-anywhere.exe", false, kOmittedArg));
        EXPECT_FALSE(Start("", false, kOmittedArg));
        EXPECT_FALSE(Start("\"C:\\no\\such.exe\"", true, kOmittedArg));
        EXPECT_FALSE(Start("no-such-program-anywhere.exe", true, IntegerArg(3)));
    }
    EXPECT_EQ(observe::HandleHighWater(), before) << "300 calls left handles behind";
    // The recorders not waited for end on their own time; the test ends after them
    // (one "done" for each of the 62 started), not while they still write.
    std::vector<std::string> lines;
    EXPECT_TRUE(observe::WaitUntil(
        [&] {
            lines = observe::ReadLines(out);
            return std::count(lines.begin(), lines.end(), "done") == 62;
        },
        20000))
        << std::count(lines.begin(), lines.end(), "done") << " done of 62, " << lines.size() << " lines";
}

// What ShellExecuteA was given, pointers and all.
struct ShellCall {
    HWND owner;
    const char* verb;
    std::string file;
    const char* parameters;
    const char* directory;
    std::string directoryText;
    INT show;
};
std::vector<ShellCall> g_shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    g_shellCalls.push_back(
        {owner, verb, file ? file : "(null)", parameters, directory, directory ? directory : "", show});
    return reinterpret_cast<HINSTANCE>(33);
}

class ShellSeam : public testing::Test {
protected:
    void SetUp() override {
        g_shellCalls.clear();
        CurrentShellCalls().shellExecute = RecordShellExecute;
    }
    void TearDown() override { CurrentShellCalls() = ShellCalls{}; }
    // The command has no result: it leaves the caller's record as it was.
    static void Execute(std::initializer_list<TaggedValue> args) {
        TaggedValue result = kUntouched;
        ExecuteShellOperation(result, static_cast<int>(args.size()), args.begin());
        EXPECT_TRUE(Same(result, kUntouched)) << "no result";
    }
};

TEST_F(ShellSeam, VerbsAndGivenArgumentsFollowTheirTables) {
    const char* verbs[] = {nullptr, "edit", "explore", "find", "open", "print", nullptr};
    for (int operation = 0; operation <= 6; ++operation)
        Execute({IntegerArg(operation), TextArg("x"), kOmittedArg, kOmittedArg, kOmittedArg});
    Execute({kOmittedArg, TextArg("x"), kOmittedArg, kOmittedArg, kOmittedArg});
    ASSERT_EQ(g_shellCalls.size(), 8u);
    for (int operation = 0; operation <= 6; ++operation) {
        if (verbs[operation]) {
            EXPECT_STREQ(g_shellCalls[operation].verb, verbs[operation]);
        } else {
            EXPECT_EQ(g_shellCalls[operation].verb, nullptr) << operation;
        }
    }
    EXPECT_EQ(g_shellCalls[7].verb, nullptr) << "omitted";

    g_shellCalls.clear();
    Execute({IntegerArg(4), TextArg("x"), TextArg("-a b"), TextArg(nullptr), kOmittedArg});
    Execute({IntegerArg(4), TextArg("x"), TextArg(""), TextArg("C:\\"), kOmittedArg});
    EXPECT_STREQ(g_shellCalls[0].parameters, "-a b");
    EXPECT_EQ(g_shellCalls[0].directory, nullptr) << "a given null text is a null pointer";
    EXPECT_STREQ(g_shellCalls[1].parameters, "");
    EXPECT_STREQ(g_shellCalls[1].directory, "C:\\");
}

TEST(ExecuteShellOperation, OpensOurProgramWithTheShowCommandOfItsMode) {
    std::string recorder = observe::BesideTestProgram("shell_recorder.exe");
    for (auto [mode, show] : {std::pair{0, SW_SHOWNORMAL},
                              {1, SW_HIDE},
                              {2, SW_SHOWNORMAL},
                              {3, SW_SHOWMINIMIZED},
                              {4, SW_SHOWMAXIMIZED},
                              {5, SW_SHOWNA},
                              {6, SW_MINIMIZE},
                              {7, SW_SHOWNORMAL}}) {
        // A file of its own for each start: the shell starts the program on its own time.
        std::string name = "opened-" + std::to_string(mode) + ".txt";
        std::string out = observe::FreshLogFile(name.c_str());
        std::string parameters = Quoted(out);
        TaggedValue args[] = {IntegerArg(4), TextArg(recorder.c_str()), TextArg(parameters.c_str()),
                              kOmittedArg, IntegerArg(mode)};
        TaggedValue result{};
        ExecuteShellOperation(result, ArgumentCount(args), args);
        Started started = ReadRecord(out);
        EXPECT_NE(started.commandLine.find(out), std::string::npos) << mode;
        EXPECT_EQ(started.flagsAndShow, "1 " + std::to_string(show)) << mode;
    }
}

// Every process that this one starts from now on, counted by the system also once it
// has ended: this process joins a job of its own, and what it starts joins it too.
class StartedProcesses {
public:
    StartedProcesses() {
        // Wine starts its desktop process for the first process that needs the desktop,
        // as a child of that process: it must not join the job and count as ours.
        GetDesktopWindow();
        joined_ = job_ && AssignProcessToJobObject(job_, GetCurrentProcess());
    }
    ~StartedProcesses() {
        if (job_) CloseHandle(job_);
    }
    StartedProcesses(const StartedProcesses&) = delete;
    StartedProcesses& operator=(const StartedProcesses&) = delete;
    bool Joined() const { return joined_; }
    // This process and every one it started, running or not.
    DWORD Count() const {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr);
        return info.TotalProcesses;
    }

private:
    HANDLE job_ = CreateJobObjectA(nullptr, nullptr);
    bool joined_ = false;
};

// The visible top-level windows of the desktop, whosever they are.
BOOL CALLBACK AddIfVisible(HWND window, LPARAM list) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}
std::vector<HWND> VisibleWindows() {
    std::vector<HWND> windows;
    EnumWindows(AddIfVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

TEST(ExecuteShellOperation, AFolderThatDoesNotExistOpensNothingAndReturnsNormally) {
    StartedProcesses started;
    ASSERT_TRUE(started.Joined());
    // The count sees what the shell starts: a program of ours, opened through it.
    std::string out = observe::FreshLogFile("opened.txt");
    std::string recorder = observe::BesideTestProgram("shell_recorder.exe"), parameters = Quoted(out);
    TaggedValue open[] = {IntegerArg(4), TextArg(recorder.c_str()), TextArg(parameters.c_str()), kOmittedArg,
                          kOmittedArg};
    TaggedValue result{};
    DWORD before = started.Count();
    ExecuteShellOperation(result, ArgumentCount(open), open);
    EXPECT_TRUE(ReadRecord(out).done);
    ASSERT_EQ(started.Count(), before + 1) << "the shell's start of our program was counted";

    // The shell starts a program on a folder, if at all, before its call returns; a
    // window of this process would be up by then too.
    std::vector<HWND> windows = VisibleWindows();
    before = started.Count();
    TaggedValue args[] = {IntegerArg(2), TextArg("C:\\no\\such\\folder\\anywhere"), kOmittedArg, kOmittedArg,
                          kOmittedArg};
    result = kUntouched;
    ExecuteShellOperation(result, ArgumentCount(args), args);
    EXPECT_TRUE(Same(result, kUntouched)) << "no result";
    EXPECT_EQ(started.Count(), before) << "a process was started";
    EXPECT_EQ(VisibleWindows(), windows) << "a window came or went";
}

} // namespace

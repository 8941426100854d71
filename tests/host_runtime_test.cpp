// The host in this process: loading a window (the events it raises and the set-up
// messages it sends, in which order; the controls' command ids and stacking), clicks
// through the real message loop, the edit box's content, closing, and a routine that
// destroys its window on the way. Real windows on the harness's Xvfb display. The idle
// loop and the subclassing of windows have files of their own.
#include <gtest/gtest.h>

#include <windows.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/events.h"
#include "host/message_loop.h"
#include "host/properties.h"
#include "host/runtime.h"
#include "host/text.h"
#include "host/window_load.h"
#include "tests/host_runtime_fixture.h"
#include "tests/support/ui.h"

// What this program frees is overwritten and kept out of use: Windows' heap may hand
// a freed block to the next allocation at any moment, so a host object used after its
// window took it away must fail here every time, not only when the block happens to
// hold something that crashes. The test program is short; nothing freed is reused.
// The last blocks freed are remembered, so that a write into one shows too.
struct FreedBlock {
    unsigned char* at;
    std::size_t size;
};
FreedBlock g_freed[4096];
std::size_t g_freedCount = 0;

[[gnu::noinline]] void operator delete(void* block) noexcept {
    if (!block) return;
    std::size_t size = _msize(block);
    std::memset(block, 0xDD, size);
    g_freed[g_freedCount++ % std::size(g_freed)] = {static_cast<unsigned char*>(block), size};
}
void operator delete(void* block, std::size_t) noexcept {
    ::operator delete(block);
}

// How many of the blocks remembered were written to after they were freed.
int FreedBlocksWrittenTo() {
    int written = 0;
    for (std::size_t i = 0; i < std::min(g_freedCount, std::size(g_freed)); ++i) {
        const FreedBlock& freed = g_freed[i];
        if (std::any_of(freed.at, freed.at + freed.size, [](unsigned char b) { return b != 0xDD; }))
            ++written;
    }
    return written;
}

namespace {

using namespace hostruntime;

// The load's set-up messages as the window and its controls get them, in the log
// beside the events: "0x806F 标签1", "0x8004 window".
LRESULT CALLBACK LogSetUpMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION &&
        (sent->message == 0x806F || sent->message == 0x8004 || sent->message == 0x8076)) {
        std::string receiver = sent->hwnd == GetWindowHandle(0) ? "window" : "?";
        const std::pair<std::uint32_t, const char*> controls[] = {{kEditId, "编辑框1"},
                                                                  {kButtonId, "按钮1"},
                                                                  {kSecondButtonId, "按钮2"},
                                                                  {kUnboundButtonId, "按钮3"},
                                                                  {kLabelId, "标签1"}};
        for (auto [id, name] : controls) {
            if (sent->hwnd == ControlHandle(id)) receiver = name;
        }
        char number[8];
        std::snprintf(number, sizeof number, "0x%04X", sent->message);
        g_log.push_back(number + (" " + receiver));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HostRuntime, LoadingRaisesCreatedMovedResizedOnceBuiltAndBeforeShowing) {
    // Creation itself sends moves, sizes and focus changes; none of them reached a
    // handler, so the log starts with the creation event, when every control exists and
    // shows as its unit says (all five do), the window still hidden. (What the display
    // server reports once the window is up may follow.)
    std::vector<std::string> expected{"created hidden controls=5 showing=5", "moved", "resized", "shown"};
    std::vector<std::string> log =
        Only(g_log, {"created", "moved", "resized", "shown", "button-focus", "change"});
    ASSERT_GE(log.size(), expected.size());
    log.resize(expected.size());
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_EQ(GetWindowCount(), 1u);
    EXPECT_EQ(GetWindowHandle(0), window_);
    EXPECT_EQ(GetWindowHandle(1), nullptr);

    // Loaded again and watched from the start: the set-up messages before the events,
    // 0x806F to every control from the last unit to the first, then 0x8004 to the
    // window; then the events; after the window is shown, 0x8076 to every control the
    // same way.
    DestroyWindow(window_);
    ui::Pump();
    g_log.clear();
    {
        ui::ThreadHook hook(WH_CALLWNDPROC, LogSetUpMessage);
        ASSERT_TRUE(hook.Hooked());
        ASSERT_TRUE(LoadWindow(kWindowId, false, nullptr));
    }
    window_ = GetWindowHandle(0);
    ASSERT_NE(window_, nullptr);
    const std::vector<std::string> lastToFirst{"标签1", "按钮3", "按钮2", "按钮1", "编辑框1"};
    std::vector<std::string> untilShown;
    for (const std::string& name : lastToFirst)
        untilShown.push_back("0x806F " + name);
    untilShown.push_back("0x8004 window");
    untilShown.insert(untilShown.end(), expected.begin(), expected.end());
    std::vector<std::string> seen = Only(g_log, {"0x", "created", "moved", "resized", "shown"});
    ASSERT_GE(seen.size(), untilShown.size());
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + untilShown.size()), untilShown);
    std::vector<std::string> afterShown;
    for (const std::string& name : lastToFirst)
        afterShown.push_back("0x8076 " + name);
    EXPECT_EQ(Only(std::vector<std::string>(seen.begin() + untilShown.size(), seen.end()), {"0x"}),
              afterShown);
}

TEST_F(HostRuntime, ControlsGetCommandIdsOfTheirOwnAndStackInTableOrder) {
    std::vector<HWND> stacking;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        stacking.push_back(child);
    std::vector<HWND> expected{ControlHandle(kEditId), ControlHandle(kButtonId),
                               ControlHandle(kSecondButtonId), ControlHandle(kUnboundButtonId),
                               ControlHandle(kLabelId)};
    EXPECT_EQ(stacking, expected);
    // Each control's notices reach the window under its own id: 100 for the last unit,
    // 10 more for each unit above it.
    std::vector<int> ids;
    for (HWND control : stacking) {
        EXPECT_TRUE(IsWindowVisible(control));
        ids.push_back(GetDlgCtrlID(control));
    }
    EXPECT_EQ(ids, (std::vector<int>{140, 130, 120, 110, 100}));
}

TEST_F(HostRuntime, AClickThroughTheLoopRunsExactlyOneBoundRoutine) {
    HWND bound = ControlHandle(kButtonId);
    HWND unbound = ControlHandle(kUnboundButtonId);
    RunLoopUntilClosed({MSG{bound, BM_CLICK, 0, 0, 0, {}}, MSG{unbound, BM_CLICK, 0, 0, 0, {}}});
    EXPECT_EQ(Only(g_log, {"click"}), std::vector<std::string>{"click"});
}

TEST_F(HostRuntime, AMouseClickRunsTheBoundRoutineOnce) {
    // The press and release reach the button through the loop as the input queue would
    // deliver them; the close, posted after them, comes once the click has been taken.
    ui::Click(ControlHandle(kButtonId));
    PostMessageA(window_, WM_CLOSE, 0, 0);
    RunMessageLoop();
    EXPECT_EQ(Only(g_log, {"click"}), std::vector<std::string>{"click"});
}

TEST_F(HostRuntime, RaiseEventFindsOnlyBoundEventsAndNothingWhileSuppressed) {
    EventRecord unbound{kWindowId, kUnboundButtonId, kEventClick};
    EXPECT_FALSE(RaiseEvent(unbound));
    EventRecord bound{kWindowId, kButtonId, kEventClick};
    EXPECT_TRUE(RaiseEvent(bound));
    EXPECT_EQ(bound.hasResult, 0u) << "a plain routine returns no value";

    ++Host().eventSuppression;
    EventRecord held{kWindowId, kButtonId, kEventClick};
    EXPECT_FALSE(RaiseEvent(held));
    --Host().eventSuppression;
    EXPECT_EQ(Only(g_log, {"click"}), std::vector<std::string>{"click"});
}

TEST_F(HostRuntime, EditBoxContentIsCopiedInAndOutAndEachWriteRaisesOneChange) {
    HWND edit = ControlHandle(kEditId);
    auto read = [] {
        return OwnedText(AsText(ReadUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue)));
    };

    OwnedText initial = read();
    EXPECT_STREQ(initial.get(), "初始内容");

    char written[] = "E:\\srv";
    g_log.clear();
    WriteUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue, TextWord(written), 0);
    EXPECT_EQ(g_log, std::vector<std::string>{"change"});
    written[0] = 'X'; // the box keeps its own copy
    OwnedText first = read();
    OwnedText second = read();
    EXPECT_STREQ(first.get(), "E:\\srv");
    EXPECT_NE(first.get(), second.get()) << "every read is a new text";
    first.get()[0] = 'Z';
    char shown[32] = "";
    GetWindowTextA(edit, shown, sizeof shown);
    EXPECT_STREQ(shown, "E:\\srv") << "a read is not the box's own buffer";

    // The same text again still raises the event once.
    g_log.clear();
    WriteUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue, TextWord("E:\\srv"), 0);
    EXPECT_EQ(g_log, std::vector<std::string>{"change"});

    for (const char* empty : {static_cast<const char*>(nullptr), ""}) {
        g_log.clear();
        WriteUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue, TextWord(empty), 0);
        EXPECT_EQ(g_log, std::vector<std::string>{"change"});
        EXPECT_EQ(GetWindowTextLengthA(edit), 0);
        EXPECT_EQ(read(), nullptr) << "an empty box reads as the null text";
    }

    // The user's typing goes through the same notification.
    g_log.clear();
    SendMessageA(edit, WM_CHAR, 'a', 0);
    EXPECT_EQ(g_log, std::vector<std::string>{"change"});

    // The length limit holds back typing only, never a write.
    constexpr std::int32_t kLengthLimit = 14; // the edit box's property
    WriteUnitProperty(kWindowId, kEditId, kLengthLimit, kWholeValue, 3, 0);
    WriteUnitProperty(kWindowId, kEditId, kEditBoxContent, kWholeValue, TextWord("编辑框目录"), 0);
    OwnedText longer = read();
    EXPECT_STREQ(longer.get(), "编辑框目录");
}

TEST_F(HostRuntime, ARefusedCloseKeepsTheWindowAndAnAcceptedOneDestroysIt) {
    g_refuseClose = true;
    g_log.clear();
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(g_log, std::vector<std::string>{"close-request"})
        << "a refused close request skips the close query";

    g_refuseClose = false;
    g_log.clear();
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(Only(g_log, {"close", "destroying"}),
              (std::vector<std::string>{"close-request", "close-query", "destroying"}));
    EXPECT_EQ(GetWindowCount(), 1u) << "the entry outlives its window";
    EXPECT_EQ(GetWindowHandle(0), nullptr);
    // The window can be loaded again from its entry.
    ASSERT_TRUE(LoadWindow(kWindowId, false, nullptr));
    window_ = GetWindowHandle(0);
    EXPECT_TRUE(IsWindow(window_));
}

// Faults of this process from now on, also those that a system call into a window
// procedure catches and hides (a message sent from inside the system, as a move is).
LONG g_faults = 0;
LONG CALLBACK CountFault(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++g_faults;
    return EXCEPTION_CONTINUE_SEARCH;
}

LRESULT CALLBACK DestroysItsParent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) DestroyWindow(GetParent(hwnd));
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(HostRuntime, ARoutineThatDestroysItsWindowWhenMovedResizedOrShownEndsItCleanly) {
    // The window's object goes with the window; nothing may touch it afterwards (what
    // this program frees reads as 0xDD bytes for ever, see operator delete above).
    g_faults = 0;
    void* watch = AddVectoredExceptionHandler(1, CountFault);
    ASSERT_NE(watch, nullptr);
    auto gone = [&](const char* event) {
        EXPECT_FALSE(IsWindow(window_));
        EXPECT_EQ(GetWindowHandle(0), nullptr);
        EXPECT_EQ(Only(g_log, {event}), std::vector<std::string>{event});
    };
    g_log.clear();
    g_destroyOn = "moved";
    SetWindowPos(window_, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    gone("moved");

    g_destroyOn.clear();
    ASSERT_TRUE(LoadWindow(kWindowId, false, nullptr));
    window_ = GetWindowHandle(0);
    g_log.clear();
    g_destroyOn = "resized";
    SetWindowPos(window_, nullptr, 0, 0, 420, 320, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    gone("resized");

    // Shown while loading: the load ends with the window gone.
    g_log.clear();
    g_destroyOn = "shown";
    EXPECT_TRUE(LoadWindow(kWindowId, false, nullptr));
    window_ = nullptr;
    EXPECT_EQ(GetWindowHandle(0), nullptr);
    EXPECT_EQ(Only(g_log, {"shown"}), std::vector<std::string>{"shown"});

    // A control the host did not make gets its notification handed on by the window,
    // and may destroy the window meanwhile.
    g_destroyOn.clear();
    ASSERT_TRUE(LoadWindow(kWindowId, false, nullptr));
    window_ = GetWindowHandle(0);
    {
        TestWindowClass destroyer("DestroysItsParent", DestroysItsParent);
        HWND control = destroyer.Make(WS_CHILD, window_, reinterpret_cast<HMENU>(7));
        ASSERT_NE(control, nullptr);
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        EXPECT_FALSE(IsWindow(window_));
    }

    RemoveVectoredExceptionHandler(watch);
    EXPECT_EQ(g_faults, 0) << "a freed window object was used";
    EXPECT_EQ(FreedBlocksWrittenTo(), 0) << "a freed window object was written to";
}

} // namespace

// The host seen from outside: a program of ours started as its own process, watched
// through its windows, its log file and its exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/report_box.h"

namespace {

using observe::ChildProcess;

struct Probe {
    ChildProcess process;
    std::string log;
    HWND window = nullptr;
};

// Starts the probe in a mode; for the window modes waits for its window.
void StartProbe(Probe& probe, const char* mode, bool waitForWindow = true) {
    probe.log = observe::FreshLogFile("probe-log.txt");
    ASSERT_TRUE(probe.process.Start(observe::CommandLine("host_probe.exe", {mode, probe.log})));
    if (waitForWindow) {
        probe.window = observe::WaitForWindow(probe.process.Id(), "KZWindow", nullptr, 20000);
        ASSERT_NE(probe.window, nullptr);
    }
}

HWND ProbeControl(HWND window, const char* caption) {
    return FindWindowExA(window, nullptr, "Button", caption);
}

TEST(HostProcess, StartFailuresAreReportedAndEndWithMinusOne) {
    for (auto [mode, message] : {std::pair{"no-start-window", "载入启动窗口失败"},
                                 std::pair{"bad-description", "载入窗口模板数据段出错!"}}) {
        Probe probe;
        StartProbe(probe, mode, false);
        observe::FatalReport report = observe::WatchFatalReport(probe.process);
        SCOPED_TRACE(mode);
        ExpectTheReportBox(report);
        EXPECT_EQ(report.text, std::string("运行时出错!\r\n\r\n错误信息：") + message + "\r\n");
        EXPECT_EQ(report.exitCode, 0xFFFFFFFFu);
    }
}

TEST(HostProcess, AWindowDestroyedInItsCreationEventEndsTheProgramWithoutAQuitMessage) {
    Probe probe;
    StartProbe(probe, "destroy-in-create", false);
    ASSERT_TRUE(probe.process.WaitForExit(20000));
    EXPECT_EQ(probe.process.ExitCode(), 0u);
    EXPECT_EQ(observe::ReadLines(probe.log), std::vector<std::string>{"end"});
}

TEST(HostProcess, CloseBoxSystemMenuAndCloseMessageEndWithExitCodeZero) {
    for (auto [message, wParam] : {std::pair<UINT, WPARAM>{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}}) {
        Probe probe;
        StartProbe(probe, "window");
        PostMessageA(probe.window, message, wParam, 0);
        ASSERT_TRUE(probe.process.WaitForExit(20000));
        EXPECT_EQ(probe.process.ExitCode(), 0u);
        EXPECT_EQ(observe::ReadLines(probe.log), std::vector<std::string>{"end"}) << "end routines run once";
    }
}

TEST(HostProcess, AltF4FromTheKeyboardClosesTheWindow) {
    Probe probe;
    StartProbe(probe, "window");
    // Keys go to the foreground window's focus, once the probe is ready for input.
    ASSERT_EQ(WaitForInputIdle(probe.process.Handle(), 20000), 0u);
    SetForegroundWindow(probe.window);
    ASSERT_TRUE(observe::WaitUntil([&] { return GetForegroundWindow() == probe.window; }, 10000));
    INPUT keys[4]{};
    for (INPUT& key : keys)
        key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_MENU;
    keys[1].ki.wVk = VK_F4;
    keys[2].ki.wVk = VK_F4;
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_MENU;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
    ASSERT_TRUE(probe.process.WaitForExit(20000));
    EXPECT_EQ(probe.process.ExitCode(), 0u);
}

TEST(HostProcess, NoHandlerRunsWhileARuntimeErrorIsReported) {
    Probe probe;
    StartProbe(probe, "window");
    HWND first = ProbeControl(probe.window, "按钮");
    HWND second = ProbeControl(probe.window, "第二");
    ASSERT_TRUE(first && second);
    SendMessageA(first, BM_CLICK, 0, 0);
    EXPECT_EQ(observe::ReadLines(probe.log), std::vector<std::string>{"click"});

    // The second button's handler reports an error; clicks meanwhile run nothing.
    PostMessageA(second, BM_CLICK, 0, 0);
    observe::FatalReport report = observe::WatchFatalReport(probe.process, [](DWORD processId) {
        for (HWND window : observe::TopLevelWindows(processId, "KZWindow")) {
            HWND button = FindWindowExA(window, nullptr, "Button", "按钮");
            SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        }
    });
    ExpectTheReportBox(report);
    EXPECT_EQ(report.text, "运行时出错!\r\n\r\n错误信息：第二个按钮\r\n");
    EXPECT_EQ(report.exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(observe::ReadLines(probe.log), std::vector<std::string>{"click"})
        << "no click handler and no end routine after the report";
}

TEST(HostProcess, PropertiesOfAMissingControlOrWindowAreReported) {
    for (auto [mode, message] :
         {std::pair{"read-destroyed", "指定窗口尚未载入"}, std::pair{"write-destroyed", "指定窗口尚未载入"},
          std::pair{"read-unknown-window", "未载入欲访问窗口组件所在的窗口"}}) {
        Probe probe;
        StartProbe(probe, mode, false);
        observe::FatalReport report = observe::WatchFatalReport(probe.process);
        SCOPED_TRACE(mode);
        ExpectTheReportBox(report);
        EXPECT_EQ(report.text, std::string("运行时出错!\r\n\r\n错误信息：") + message + "\r\n") << mode;
        EXPECT_EQ(report.exitCode, 0xFFFFFFFFu) << mode;
    }
}

TEST(HostProcess, AnEndAskedForByAnotherThreadRunsOnTheGuiThread) {
    // The probe's thread asks for the end once the window's loop has gone idle (it
    // ends with 8 when the loop never does), so the window may be gone before it could
    // be seen from here: nothing waits for it.
    Probe probe;
    StartProbe(probe, "end-from-thread", false);
    ASSERT_TRUE(probe.process.WaitForExit(20000));
    EXPECT_EQ(probe.process.ExitCode(), 7u);
    EXPECT_EQ(observe::ReadLines(probe.log), std::vector<std::string>{"end"});
}

// Whether this Windows takes the current folder out of a bare name's search after
// SetDllDirectory(""), as its documentation says, asked in this process of a folder
// that holds stand_in.dll. Both Wines keep it: a bare program found a library in its
// current folder alike with the call and without it.
bool TakesTheCurrentFolderOut(const std::string& folder) {
    char before[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof before, before);
    SetCurrentDirectoryA(folder.c_str());
    SetDllDirectoryA("");
    HMODULE library = LoadLibraryA("stand_in.dll");
    SetDllDirectoryA(nullptr);
    SetCurrentDirectoryA(before);
    if (library) FreeLibrary(library);
    return !library;
}

// Libraries lying beside a copy of the program: one named as Windows' own shcore.dll,
// with Wine told to prefer a library file to its own (as Windows 7 and 8, which have no
// shcore.dll in the system folder, would find such a file), and one of a name that
// only this folder has. The program takes neither: not on its own route to shcore.dll,
// and not by a bare name, which searches the system folder alone wherever kernel32 can
// limit it, also where Windows says it is XP or Vista, as in a compatibility mode (Wine
// told to say so for the copy). On Vista, told by kernel32's own version, the program
// leaves its own folder in the search (the shell cannot make its link objects there
// without it), and a bare name finds the library beside it; so it does where the version
// is read from a file whose version resource says Vista's 6.0, and on the Windows whose
// kernel32 cannot limit the search: 7 without its update, XP, and XP before its first
// service pack, which cannot even take the current folder out.
// The current folder: the program makes its own folder the current one at start, so
// that a library lying only in the folder it was started from is not found, even on XP
// before its first service pack. Where code in the process makes another folder the
// current one, XP and 7 leave it out of the search, and XP before its first service pack
// finds the library there. Wine keeps the current folder in the search after
// SetDllDirectory(""), so the cases of XP and 7 run only on a Windows that takes it out.
// What Wine does show of the program's SetDllDirectory(""): it replaces a DLL directory
// the process had before the start (Windows passes a parent's on to its children; Wine
// does not, so the probe sets one itself).
enum class Lies {
    BesideTheProgram, // which is started from its own folder
    WhereStarted,     // alone, in the folder the program is started from
    Elsewhere,        // alone, in a folder the mode gets as its third argument
};
struct LibraryCase {
    const char* mode;
    const char* library; // whose mark tells
    bool loaded;
    std::string said;        // after the mode's name; the library's folder stands for "%"
    const char* asWindows;   // the older Windows the probe takes this one for
    const char* wineVersion; // what Wine is told to say the copy's Windows is
    Lies lies = Lies::BesideTheProgram;
    std::string argument = ""; // the mode's third; "%" for the library's folder
    std::string also = "";     // a line the log has too
};

class LibrariesBesideTheProgram : public testing::Test {
protected:
    void SetUp() override {
        hadOverrides = GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides) > 0;
        preferFiles = std::string(overrides) + (hadOverrides ? ";" : "") + "shcore=n,b";
        standIn = observe::BesideTestProgram("..\\stand-in\\shcore.dll");
        base = observe::BesideTestProgram("") + "library-";
        id = std::to_string(GetCurrentProcessId());
        asked = base + "asked-" + id;
        CreateDirectoryA(asked.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(standIn.c_str(), (asked + "\\stand_in.dll").c_str(), FALSE));
        currentFolderOut = TakesTheCurrentFolderOut(asked);
        for (const char* file : {"stand_in.dll", "stand_in.dll.loaded"})
            DeleteFileA((asked + "\\" + file).c_str());
        RemoveDirectoryA(asked.c_str());
        // What each mode writes first: the library a load by full path found (the stand-in,
        // whose mark shows that the check of the marks can see one), the monitor's DPI as
        // the system's own shcore.dll gives it (the screen's; the stand-in gives 333), and
        // no library for the bare name, but on Vista the one beside the program.
        HDC screen = GetDC(nullptr);
        screenDpi = std::to_string(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
        vistaKernel = observe::BesideTestProgram("..\\stand-in\\vista_kernel32.dll");
    }

    // Runs the probe copy of one case and checks what it loaded and said.
    void Run(const LibraryCase& c) {
        const std::string name = std::string(c.mode) + (*c.asWindows ? "-as-" : "") + c.asWindows +
                                 (*c.wineVersion ? "-said-" : "") + c.wineVersion +
                                 (c.lies == Lies::WhereStarted ? "-started-elsewhere" : "");
        SCOPED_TRACE(name);
        const std::string folder = base + "beside-" + name + "-" + id;
        const std::string elsewhere = folder + "\\elsewhere";
        const std::string libraryFolder = c.lies == Lies::BesideTheProgram ? folder : elsewhere;
        // A copy that Wine says another Windows for has a name of its own.
        const std::string file = *c.wineVersion ? "probe-" + name + ".exe" : "host_probe.exe";
        std::string program = folder + "\\" + file;
        if (*c.wineVersion) {
            HKEY key = nullptr;
            const std::string path = "Software\\Wine\\AppDefaults\\" + file;
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                      &key, nullptr),
                      ERROR_SUCCESS);
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.wineVersion),
                           static_cast<DWORD>(std::strlen(c.wineVersion) + 1));
            RegCloseKey(key);
        }
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA(elsewhere.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(observe::BesideTestProgram("host_probe.exe").c_str(), program.c_str(), FALSE));
        std::vector<std::string> files{program};
        for (const std::string& library : {folder + "\\shcore.dll", libraryFolder + "\\stand_in.dll"}) {
            files.push_back(library);
            ASSERT_TRUE(CopyFileA(standIn.c_str(), library.c_str(), FALSE));
            files.push_back(library + ".loaded");
            DeleteFileA(files.back().c_str());
        }
        std::string argument = c.argument;
        if (argument == "%") argument = libraryFolder;

        std::string log = observe::FreshLogFile("library-log.txt");
        SetEnvironmentVariableA("WINEDLLOVERRIDES", preferFiles.c_str());
        if (*c.asWindows) SetEnvironmentVariableA("PANEL_AS_WINDOWS", c.asWindows);
        ChildProcess probe;
        bool started = probe.Start("\"" + program + "\" " + c.mode + " \"" + log + "\" \"" + argument + "\"",
                                   (c.lies == Lies::WhereStarted ? elsewhere : folder).c_str());
        SetEnvironmentVariableA("WINEDLLOVERRIDES", hadOverrides ? overrides : nullptr);
        SetEnvironmentVariableA("PANEL_AS_WINDOWS", nullptr);
        ASSERT_TRUE(started);
        ASSERT_TRUE(probe.WaitForExit(20000));
        EXPECT_EQ(probe.ExitCode(), 0u);
        std::vector<std::string> lines = observe::ReadLines(log);
        ASSERT_FALSE(lines.empty()); // then the end routine's "end"
        const std::string library = std::strcmp(c.library, "shcore.dll") ? libraryFolder : folder;
        std::string mark = library + "\\" + c.library + ".loaded";
        EXPECT_EQ(GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES, c.loaded) << lines[0];
        std::string said = c.said;
        if (said[0] == '%') said.replace(0, 1, libraryFolder);
        EXPECT_STRCASEEQ(lines[0].c_str(), (std::string(c.mode) + " " + said).c_str());
        if (!c.also.empty()) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), c.also), lines.end()) << c.also;
        }
        for (const std::string& file : files)
            DeleteFileA(file.c_str());
        RemoveDirectoryA(elsewhere.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    char overrides[512] = "";
    bool hadOverrides = false;
    std::string preferFiles, standIn, base, id, asked, screenDpi, vistaKernel;
    bool currentFolderOut = false;
};

TEST_F(LibrariesBesideTheProgram, AreNeverLoadedInPlaceOfTheSystemsOwn) {
    for (const LibraryCase& c :
         {LibraryCase{"library-beside", "stand_in.dll", true, "%\\stand_in.dll", "", ""},
          LibraryCase{"monitor-dpi", "shcore.dll", false, screenDpi, "", ""},
          LibraryCase{"bare-library", "stand_in.dll", false, "none", "", ""},
          LibraryCase{"bare-library-7", "stand_in.dll", false, "none", "", ""},
          LibraryCase{"bare-library-xp", "stand_in.dll", false, "none", "", ""},
          LibraryCase{"bare-library", "stand_in.dll", false, "none", "", "vista", Lies::BesideTheProgram, "",
                      "said 6.0"},
          LibraryCase{"bare-library-vista", "stand_in.dll", true, "%\\stand_in.dll", "", ""},
          LibraryCase{"bare-library-version-file", "stand_in.dll", true, "%\\stand_in.dll", "", "",
                      Lies::BesideTheProgram, vistaKernel, "read 6.0"},
          LibraryCase{"bare-library", "stand_in.dll", true, "%\\stand_in.dll", "7", ""},
          LibraryCase{"bare-library", "stand_in.dll", true, "%\\stand_in.dll", "xp", ""},
          LibraryCase{"bare-library", "stand_in.dll", true, "%\\stand_in.dll", "xp-rtm", ""},
          LibraryCase{"bare-library", "stand_in.dll", false, "none", "xp-rtm", "", Lies::WhereStarted},
          LibraryCase{"bare-library-current", "stand_in.dll", true, "%\\stand_in.dll", "xp-rtm", "",
                      Lies::Elsewhere, "%"},
          LibraryCase{"bare-library-dll-directory", "stand_in.dll", false, "none", "xp", "", Lies::Elsewhere,
                      "%"},
          LibraryCase{"bare-library-dll-directory", "stand_in.dll", false, "none", "7", "", Lies::Elsewhere,
                      "%"}})
        Run(c);
}

// Where code in the process makes another folder the current one, XP and 7 leave it out
// of the search; Wine keeps it in after SetDllDirectory(""), so these run only on a
// Windows that takes it out.
TEST_F(LibrariesBesideTheProgram, AreNotFoundInAFolderMadeCurrentAfterTheStartAsXpAnd7) {
    if (!currentFolderOut)
        GTEST_SKIP() << "this Windows keeps the current folder in the search after SetDllDirectory(\"\")";
    for (const char* asWindows : {"xp", "7"})
        Run(LibraryCase{"bare-library-current", "stand_in.dll", false, "none", asWindows, "", Lies::Elsewhere,
                        "%"});
}
} // namespace

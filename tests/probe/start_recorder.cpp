// Started by the tests through the shell services: writes down the command line and
// the show command it was given, optionally asks a window something, optionally waits,
// and says when it is done.
//   start_recorder.exe OUTPUT [MILLISECONDS | until:EVENT] [ask:WINDOW]
// "until:EVENT" waits until the test sets the named event (for 30 s at most).
// "ask:WINDOW" (the handle as a number) waits until that window is disabled (10 s at
// most), as its program makes it while it waits for this one, then sends it
// WM_NCHITTEST for the centre of its client area, waiting 5 s at most for the answer,
// and writes "asked <1 answered, 0 not> <the answer> <milliseconds it took>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Adds the text at the end of the file in one write. Several recorders may write to
// one file at once, so the appends take turns under a named mutex: a handle opened
// for appending alone is not enough under Wine, which finds the end and then writes
// there, so that two recorders appending at once can write at the same place and one
// record is lost.
bool Append(const char* path, const char* text) {
    HANDLE turn = CreateMutexA(nullptr, FALSE, "start_recorder-append");
    if (!turn) return false;
    WaitForSingleObject(turn, INFINITE); // an abandoned mutex is ours as well
    bool whole = false;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD length = static_cast<DWORD>(std::strlen(text)), written = 0;
        whole = WriteFile(file, text, length, &written, nullptr) && written == length;
        CloseHandle(file);
    }
    ReleaseMutex(turn);
    CloseHandle(turn);
    return whole;
}

// What the window answers to WM_NCHITTEST at its client area's centre, and when:
// "asked ..." as above.
void Ask(HWND window, char* record, std::size_t size) {
    for (DWORD start = GetTickCount(); IsWindowEnabled(window) && GetTickCount() - start < 10000;)
        Sleep(10);
    RECT client;
    GetClientRect(window, &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(window, &centre);
    DWORD_PTR answer = 0;
    DWORD start = GetTickCount();
    bool answered = SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y), SMTO_NORMAL,
                                        5000, &answer) != 0;
    std::snprintf(record, size, "asked %d %ld %lu\n", answered ? 1 : 0, static_cast<long>(answer),
                  GetTickCount() - start);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    static char record[40000];
    std::snprintf(record, sizeof record, "%s\n%lu %u\n", GetCommandLineA(), startup.dwFlags,
                  startup.wShowWindow);
    if (!Append(argv[1], record)) return 3;
    if (argc > 3 && !std::strncmp(argv[3], "ask:", 4)) {
        Ask(reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(argv[3] + 4, nullptr, 10))), record,
            sizeof record);
        if (!Append(argv[1], record)) return 3;
    }
    if (argc > 2 && !std::strncmp(argv[2], "until:", 6)) {
        HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[2] + 6);
        if (!release) return 4;
        WaitForSingleObject(release, 30000);
        CloseHandle(release);
    } else if (argc > 2) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    }
    return Append(argv[1], "done\n") ? 0 : 3;
}

// Started by the tests through the shell services: writes down the command line and
// the show command it was given, optionally waits, and says when it is done.
//   start_recorder.exe OUTPUT [MILLISECONDS | until:EVENT]
// "until:EVENT" waits until the test sets the named event (for 30 s at most).
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

// Started by the tests through the shell services: writes down the command line and
// the show command it was given, optionally waits, and says when it is done.
//   start_recorder.exe OUTPUT [MILLISECONDS | until:EVENT]
// "until:EVENT" waits until the test sets the named event (for 30 s at most).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    FILE* out = std::fopen(argv[1], "a");
    if (!out) return 3;
    std::fprintf(out, "%s\n%lu %u\n", GetCommandLineA(), startup.dwFlags, startup.wShowWindow);
    std::fclose(out);
    if (argc > 2 && !std::strncmp(argv[2], "until:", 6)) {
        HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[2] + 6);
        if (!release) return 4;
        WaitForSingleObject(release, 30000);
        CloseHandle(release);
    } else if (argc > 2) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    }
    out = std::fopen(argv[1], "a");
    if (!out) return 3;
    std::fprintf(out, "done\n");
    std::fclose(out);
    return 0;
}

// A user of its desktop that never goes: the test session starts it on each slot, so
// that the slot's desktop process lives as long as the session
// (scripts/wine-session.sh, --keeper, says what that saves).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Asking for the desktop window makes this thread a user of the desktop, and
    // brings up the desktop process when it is not up yet.
    GetDesktopWindow();
    for (;;)
        Sleep(INFINITE);
}

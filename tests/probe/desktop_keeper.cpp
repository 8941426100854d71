// Keeps a test session's desktop up from its start to its end.
//
// Wine starts its desktop process with the first window of a desktop and ends it a
// second after the desktop's last user has gone, so every test program that shows a
// window would start one (about a third of a second of processor time) and leave it
// behind for a second more. This program is a user of its desktop that never goes:
// the session starts it on each slot before the tests and ends it with the slot.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Asking for the desktop window makes this thread a user of the desktop, and
    // brings up the desktop process when it is not up yet.
    GetDesktopWindow();
    for (;;)
        Sleep(INFINITE);
}

// Moves of a window's controls, made in one batch (DeferWindowPos) when the holder goes
// out of scope, so that the controls are laid out together and painted once after. A
// control already in its place is left out, unless its frame is to be worked out again
// (SWP_FRAMECHANGED): every move is a trip to the window server, and at a window's
// start most controls are made where they stay (at 96 DPI, all but the one-line boxes).
// Tested by tests/main_window_dpi_change_test.cpp
// (MainWindow.ADpiChangeGivesEveryControlItsFontThenMovesThemAllInOneBatchAndPaintsEachWindowOnce).
#pragma once

#include <windows.h>

#include <vector>

class DeferredMoves {
public:
    // `flags`: SetWindowPos flags of every move (SWP_NOREDRAW and SWP_DEFERERASE where
    // one repaint follows).
    explicit DeferredMoves(UINT flags = 0) : flags_(flags) {}
    DeferredMoves(const DeferredMoves&) = delete;
    DeferredMoves& operator=(const DeferredMoves&) = delete;
    ~DeferredMoves();
    void Move(HWND window, const RECT& place, UINT flags = 0);

private:
    struct PendingMove {
        HWND window;
        RECT place;
        UINT flags;
    };
    UINT flags_;
    std::vector<PendingMove> moves_;
};

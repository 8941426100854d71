// Moves of a window's controls, made in one batch (DeferWindowPos) when the holder goes
// out of scope, so that the controls are laid out together and painted once after.
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

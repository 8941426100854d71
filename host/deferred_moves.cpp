#include "host/deferred_moves.h"

DeferredMoves::~DeferredMoves() {
    if (moves_.empty()) return;
    // A batch that cannot be made moves each window on its own.
    HDWP batch = BeginDeferWindowPos(static_cast<int>(moves_.size()));
    for (const PendingMove& m : moves_) {
        if (!batch) break;
        batch = DeferWindowPos(batch, m.window, nullptr, m.place.left, m.place.top,
                               m.place.right - m.place.left, m.place.bottom - m.place.top, m.flags);
    }
    if (batch && EndDeferWindowPos(batch)) return;
    for (const PendingMove& m : moves_)
        SetWindowPos(m.window, nullptr, m.place.left, m.place.top, m.place.right - m.place.left,
                     m.place.bottom - m.place.top, m.flags);
}

void DeferredMoves::Move(HWND window, const RECT& place, UINT flags) {
    flags |= flags_ | SWP_NOZORDER | SWP_NOACTIVATE;
    RECT now;
    if (!(flags & SWP_FRAMECHANGED) && GetWindowRect(window, &now)) {
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&now), 2);
        if (EqualRect(&now, &place)) return;
    }
    moves_.push_back({window, place, flags});
}

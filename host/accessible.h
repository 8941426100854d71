// What a screen reader is told about a window or control. Windows' own object for the
// window (oleacc's standard one) says almost everything; the program adds a name where
// a control shows none and a description where its caption alone does not say what it
// does. oleacc.dll is loaded from the system folder when the first screen reader asks,
// never at start.
#pragma once

#include <windows.h>

class UnitObject;

// The answer to WM_GETOBJECT of a unit's window: for the client area (OBJID_CLIENT) of
// a unit that adds a name, a description or a role, the standard object wrapped so that
// it answers those itself; 0 otherwise, and where oleacc cannot be had, so that the
// window's own procedure answers as it always does.
LRESULT AnswerAccessibleObject(UnitObject& unit, WPARAM flags, LPARAM objectId);

// What a screen reader is told about a window or control (accessible.cpp says how it is
// handed over, accessible_texts.cpp what the program says).
#pragma once

#include <windows.h>

class UnitObject;

// The answer to WM_GETOBJECT of a unit's window: for the client area (OBJID_CLIENT) of
// a unit that adds a name, a description or a role, the standard object wrapped so that
// it answers those itself; 0 otherwise, and where oleacc cannot be had, so that the
// window's own procedure answers as it always does.
LRESULT AnswerAccessibleObject(UnitObject& unit, WPARAM flags, LPARAM objectId);

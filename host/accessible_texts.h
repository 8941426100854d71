// What a window or control says to a screen reader where the program knows more than
// Windows' standard object for it (accessible_texts.cpp says what and why;
// accessible.cpp hands it over).
#pragma once

class UnitObject;

// The program's name and description of a unit, as new heap texts owned by the caller;
// null where the standard object's answer stands.
char* AccessibleNameOf(UnitObject& unit);
char* AccessibleDescriptionOf(UnitObject& unit);
// The program's role of a unit (ROLE_SYSTEM_...); 0 where the standard object's stands.
long AccessibleRoleOf(const UnitObject& unit);
// The states (STATE_SYSTEM_...) the program adds to the standard object's; 0 for none.
long AccessibleStatesAddedTo(const UnitObject& unit);
// Whether the program says anything of a unit: where not, Windows answers alone.
bool SaysAnythingOfItsOwn(UnitObject& unit);
// How much of a caption a reader is told: what comes before its first line break.
unsigned ReadLengthOf(const wchar_t* caption);

// Walking a GBK text character by character: a lead byte of the ANSI code page and
// the byte after it are one character, whose second byte can be any ASCII from 0x40
// up ("\\" and "&" among them), so a text is never searched byte by byte.
// Tested by tests/panel_process_test.cpp
// (PanelProgram.RenamedInAFolderOfItsOwnItWorksThereWhateverTheBytesOfTheNames: second
// bytes that are a backslash).
#pragma once

#include <windows.h>

// The character after the one at `p`, which is not the end of its text; a lead byte
// right before the end counts alone.
inline const char* NextCharacter(const char* p) {
    return p + (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] ? 2 : 1);
}

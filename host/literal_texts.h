// The program's literal texts: the compiler gathers them into the image's read-only
// data section, and they are never freed. The area is that section, found from the
// section table of the program's own image.
// Tested by tests/text_values_test.cpp
// (TextValues.FreeLeavesLiteralsAndTheNullTextAlone).
#pragma once

// The empty literal that stands in for the null text where a command argument must
// not be a null pointer.
extern const char kEmptyText[];

// True when `p` lies in the read-only area of the program image that holds its literal texts.
bool IsConstantText(const void* p);

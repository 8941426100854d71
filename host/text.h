// Text values: NUL-terminated GBK byte strings, or the null text (a null pointer).
// The null and the empty text mean the same. Heap texts are blocks of the heap
// (heap.h) with one owner, who frees them once with FreeBlock; the program's literal
// texts (literal_texts.h) are never freed.
// Tested by tests/text_values_test.cpp (TextValues.*); FindLastCharacter by
// tests/panel_process_test.cpp
// (PanelProgram.RenamedInAFolderOfItsOwnItWorksThereWhateverTheBytesOfTheNames).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "host/heap.h"
#include "host/literal_texts.h"

std::uint32_t TextLength(const char* text);
char* JoinTexts(std::initializer_list<const char*> texts);
char* CopyText(const char* text);

// The last `c` in `text` that is a character of its own, never the second byte of a
// double-byte character (characters.h); null when there is none.
const char* FindLastCharacter(const char* text, char c);

// Owner of a heap text: frees it once, on every path.
struct TextDeleter {
    void operator()(char* text) const { FreeBlock(text); }
};
using OwnedText = std::unique_ptr<char, TextDeleter>;

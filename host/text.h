// Text values: NUL-terminated GBK byte strings, or the null text (a null pointer).
// The null and the empty text mean the same. Heap texts have one owner, who frees
// them once with FreeBlock; the program's literal texts are never freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>

// The empty literal that stands in for the null text where a command argument must
// not be a null pointer.
extern const char kEmptyText[];

std::uint32_t TextLength(const char* text);
char* JoinTexts(std::initializer_list<const char*> texts);
char* CopyText(const char* text);

void* AllocateBlock(std::uint32_t size);
void FreeBlock(const void* block);
// The report of a block of `size` bytes that cannot be had; it ends the program.
[[noreturn]] void ReportAllocationFailure(std::size_t size);

// The last `c` in `text` that is a character of its own, never the second byte of a
// double-byte character (in GBK that byte can be any ASCII from 0x40 up, "\\" among
// them); null when there is none.
const char* FindLastCharacter(const char* text, char c);

// Makes every allocation of at least `size` bytes fail, as an exhausted heap would;
// 0 switches it off. For tests that need a failure in the middle of an action.
void SetAllocationFaultThreshold(std::uint32_t size);

// True when `p` lies in the read-only area of the program image that holds its literal texts.
bool IsConstantText(const void* p);

// The heap that every block between the panel and the host comes from.
void* TextHeap();

// Owner of a heap text: frees it once, on every path.
struct TextDeleter {
    void operator()(char* text) const { FreeBlock(text); }
};
using OwnedText = std::unique_ptr<char, TextDeleter>;

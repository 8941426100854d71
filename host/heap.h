// Memory blocks: every block that passes between the panel and the host (texts,
// and the host's own lists such as the folder dialog's saved windows) comes from one
// heap, the process heap, and goes back to it once. A block that cannot be had ends
// the program with its report, so no caller checks for null.
// Tested by tests/text_values_test.cpp (TextValues.*), tests/fatal_report_test.cpp and
// tests/failure_paths_test.cpp (a block refused), and the heap-checked runs
// (HeapChecked.*).
#pragma once

#include <cstddef>
#include <cstdint>

void* AllocateBlock(std::uint32_t size);
// Frees a block of the heap; null and the program's literal texts are left alone.
void FreeBlock(const void* block);
// The report of a block of `size` bytes that cannot be had; it ends the program.
[[noreturn]] void ReportAllocationFailure(std::size_t size);

// The heap that every block comes from.
void* BlockHeap();

// Makes every allocation of at least `size` bytes fail, as an exhausted heap would;
// 0 switches it off. For tests that need a failure in the middle of an action.
void SetAllocationFaultThreshold(std::uint32_t size);

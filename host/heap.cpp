#include "host/heap.h"

#include <windows.h>

#include "host/fatal.h"
#include "host/literal_texts.h"

namespace {

HANDLE g_heap = nullptr;
std::uint32_t g_faultThreshold = 0;

} // namespace

void* BlockHeap() {
    if (!g_heap) g_heap = GetProcessHeap();
    return g_heap;
}

void SetAllocationFaultThreshold(std::uint32_t size) {
    g_faultThreshold = size;
}

void* AllocateBlock(std::uint32_t size) {
    bool fault = g_faultThreshold && size >= g_faultThreshold;
    if (void* block = fault ? nullptr : HeapAlloc(BlockHeap(), 0, size)) return block;
    ReportAllocationFailure(size);
}

void ReportAllocationFailure(std::size_t size) {
    char message[100]; // at most 30 bytes: USER32's formatter takes no size
    wsprintfA(message, "分配 %d 字节内存失败!", static_cast<int>(size));
    ReportFatalError(message, 0);
}

void FreeBlock(const void* block) {
    if (!block || IsConstantText(block)) return;
    HeapFree(BlockHeap(), 0, const_cast<void*>(block));
}

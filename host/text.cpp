#include "host/text.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <limits>

#include "host/fatal.h"

extern const char kEmptyText[] = "";

namespace {

HANDLE g_heap = nullptr;
std::uint32_t g_faultThreshold = 0;

struct ConstantArea {
    const char* first = nullptr;
    std::uint32_t size = 0;
};
ConstantArea g_constants;

// The literal texts are gathered by the compiler into the image's read-only data
// section; the area is that section, found from the section table of our own image.
ConstantArea FindConstantArea() {
    auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    auto probe = reinterpret_cast<std::uintptr_t>(kEmptyText);
    for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        auto start = reinterpret_cast<std::uintptr_t>(base) + section->VirtualAddress;
        std::uint32_t size = section->Misc.VirtualSize;
        if (probe >= start && probe < start + size) return {reinterpret_cast<const char*>(start), size};
    }
    return {};
}

} // namespace

void* TextHeap() {
    if (!g_heap) g_heap = GetProcessHeap();
    return g_heap;
}

bool IsConstantText(const void* p) {
    if (!g_constants.first) g_constants = FindConstantArea();
    auto address = reinterpret_cast<std::uintptr_t>(p);
    auto first = reinterpret_cast<std::uintptr_t>(g_constants.first);
    return address >= first && address - first < g_constants.size;
}

std::uint32_t TextLength(const char* text) {
    return text ? static_cast<std::uint32_t>(std::strlen(text)) : 0;
}

char* JoinTexts(std::initializer_list<const char*> texts) {
    // Each input is measured once; the lengths wait in a small list until the copy.
    std::array<std::uint32_t, 16> fixed{};
    std::unique_ptr<std::uint32_t[]> spilled;
    std::uint32_t* lengths = fixed.data();
    if (texts.size() > fixed.size()) {
        spilled.reset(new std::uint32_t[texts.size()]);
        lengths = spilled.get();
    }

    std::uint64_t total = 1;
    std::size_t i = 0;
    for (const char* text : texts) {
        lengths[i] = TextLength(text);
        total += lengths[i++];
    }
    // A sum past 4 GiB cannot be allocated in this process; asking for its truncated
    // value instead would overrun the block.
    if (total > std::numeric_limits<std::uint32_t>::max()) total = std::numeric_limits<std::uint32_t>::max();

    auto* result = static_cast<char*>(AllocateBlock(static_cast<std::uint32_t>(total)));
    char* out = result;
    i = 0;
    for (const char* text : texts) {
        if (lengths[i]) std::memcpy(out, text, lengths[i]);
        out += lengths[i++];
    }
    *out = '\0';
    return result;
}

char* CopyText(const char* text) {
    if (!text || !*text) return nullptr;
    std::uint32_t length = TextLength(text);
    auto* copy = static_cast<char*>(AllocateBlock(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}

void SetAllocationFaultThreshold(std::uint32_t size) {
    g_faultThreshold = size;
}

void* AllocateBlock(std::uint32_t size) {
    bool fault = g_faultThreshold && size >= g_faultThreshold;
    if (void* block = fault ? nullptr : HeapAlloc(TextHeap(), 0, size)) return block;
    ReportAllocationFailure(size);
}

void ReportAllocationFailure(std::size_t size) {
    char message[100]; // at most 30 bytes: USER32's formatter takes no size
    wsprintfA(message, "分配 %d 字节内存失败!", static_cast<int>(size));
    ReportFatalError(message, 0);
}

const char* FindLastCharacter(const char* text, char c) {
    const char* found = nullptr;
    if (!text) return found;
    for (const char* p = text; *p; p = CharNextA(p)) {
        if (*p == c) found = p;
    }
    return found;
}

void FreeBlock(const void* block) {
    if (!block || IsConstantText(block)) return;
    HeapFree(TextHeap(), 0, const_cast<void*>(block));
}

#include "host/literal_texts.h"

#include <windows.h>

#include <cstdint>

extern const char kEmptyText[] = "";

namespace {

struct ConstantArea {
    const char* first = nullptr;
    std::uint32_t size = 0;
};
ConstantArea g_constants;

// The section of our own image that holds kEmptyText.
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

bool IsConstantText(const void* p) {
    if (!g_constants.first) g_constants = FindConstantArea();
    auto address = reinterpret_cast<std::uintptr_t>(p);
    auto first = reinterpret_cast<std::uintptr_t>(g_constants.first);
    return address >= first && address - first < g_constants.size;
}

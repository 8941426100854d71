// A program that corrupts its own heap on purpose, for the test that the heap-checked
// runs see it: it writes into a block it has freed, then checks the heap. With
// "paused" it first says the check is paused, as a test does around Wine's own code;
// with "paused-resumed" it also says it is resumed afterwards.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strncmp(mode, "paused", 6) == 0)
        std::fputs("heap-check: paused around a corrupted block\n", stderr);
    std::fflush(stderr);
    HANDLE heap = GetProcessHeap();
    void* block = HeapAlloc(heap, 0, 20);
    if (!block) return 2;
    HeapFree(heap, 0, block);
    // volatile: the compiler may not drop writes to a block it has seen freed.
    auto* freed = static_cast<volatile unsigned char*>(block);
    for (int i = 0; i < 16; ++i)
        freed[i] = 0xA5;
    HeapValidate(heap, 0, nullptr);
    if (std::strcmp(mode, "paused-resumed") == 0) std::fputs("heap-check: resumed\n", stderr);
    return 0;
}

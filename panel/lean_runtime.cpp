// The program's own allocation functions and the one standard-library failure hook it
// reaches, linked into QuarvelPanel.exe alone.
//
// The host and the panel are built without exceptions and catch none, so in this
// program every exception the standard library could throw ends in std::terminate and
// then abort(). The library's own versions of these functions get there through its
// exception machinery, which brings the unwinder, the terminate handler with its name
// demangler, the exception classes and their strings, and the thread library into the
// .exe. These versions end the same way, in abort(), without any of that.
//
// If the linker reports a second definition of one of these, some new code needs
// another piece of that machinery: look at what it is before adding to this file.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// As the library does it: ask the new-handler for room until there is some; with no
// handler installed (the program installs none) the request fails.
void* Allocate(std::size_t size, bool endOnFailure) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = std::malloc(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (handler) {
            handler();
        } else if (endOnFailure) {
            std::abort(); // where std::bad_alloc, caught by no one, would have ended
        } else {
            return nullptr;
        }
    }
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size, true); }
void* operator new[](std::size_t size) { return Allocate(size, true); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, false); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, false); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace std {
// A container asked to grow past its largest possible size (std::length_error).
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
} // namespace std

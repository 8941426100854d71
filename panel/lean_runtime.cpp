// The program's own allocation functions and the standard library's throw helpers,
// linked into QuarvelPanel.exe (and into the test probe that makes them fail).
//
// The host and the panel are built without exceptions and catch none: every exception
// the standard library could throw would end the program. The library's own versions
// of these functions get there through its exception machinery, which brings the
// unwinder, the terminate handler with its name demangler, the exception classes and
// their strings, and the thread library into the .exe, and ends in abort(): a box of
// the C runtime's own, in English, and exit code 3. These versions end the way every
// other failure of the program does, in its own report (the box titled "错误") and exit
// code -1: memory that runs out says so as the host's allocations do, and a throw
// helper gives the library's description of what went wrong.
//
// The throw helpers are all those of the library's object that defines them (which
// ones the code reaches depends on the optimisation: a Release build reaches
// __throw_length_error, a Debug build two more), so that the object is never linked
// in: with it, each of them would be defined twice.
// Tested by tests/fatal_report_test.cpp
// (FatalReport.FailedAllocationShowsItsSizeAndEndsWithMinusOne, through host_probe.exe's
// operator new); the throw helpers have no test.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "host/fatal.h"
#include "host/heap.h"

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
            ReportAllocationFailure(size); // where std::bad_alloc, caught by no one, would have ended
        } else {
            return nullptr;
        }
    }
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size, true);
}
void* operator new[](std::size_t size) {
    return Allocate(size, true);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, false);
}

void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

// What the library would have thrown (and nobody caught): the end is the same.
namespace {
[[noreturn]] void Fail(const char* what) {
    ReportFatalError(what, 0);
}
} // namespace

namespace std {
[[noreturn]] void __throw_bad_exception() {
    Fail("std::bad_exception");
}
[[noreturn]] void __throw_bad_alloc() {
    Fail("std::bad_alloc");
}
[[noreturn]] void __throw_bad_array_new_length() {
    Fail("std::bad_array_new_length");
}
[[noreturn]] void __throw_bad_cast() {
    Fail("std::bad_cast");
}
[[noreturn]] void __throw_bad_typeid() {
    Fail("std::bad_typeid");
}
[[noreturn]] void __throw_logic_error(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_domain_error(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_invalid_argument(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_length_error(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_out_of_range(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) {
    Fail(format);
}
[[noreturn]] void __throw_runtime_error(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_range_error(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_overflow_error(const char* what) {
    Fail(what);
}
[[noreturn]] void __throw_underflow_error(const char* what) {
    Fail(what);
}
} // namespace std

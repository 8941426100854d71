// The entry of every test program: GoogleTest's own, but for one thing done first.
//
// The first trace (SCOPED_TRACE) on a thread makes GoogleTest start a thread of its
// own, which watches for the traced thread's end. A test whose first trace comes at
// its very end has the process end while that thread is still starting, and Wine 10
// does not survive a thread that starts while its process ends: the process dies of
// SIGSEGV after the test passed (seen about once in a hundred runs; a bare program
// that creates a thread just before it returns from main dies the same way, 10 times
// in 400 runs under Wine 10 and never under Wine 8). A trace here starts that thread
// before any test, long before the end.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    { SCOPED_TRACE("start-up"); }
    return RUN_ALL_TESTS();
}

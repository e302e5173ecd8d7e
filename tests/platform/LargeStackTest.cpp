#include <gtest/gtest.h>

#include <pthread.h>

#include <stdexcept>

#include "platform/LargeStack.h"

namespace {

// Uses about `depth` KiB of stack; the volatile buffer keeps each frame.
int descend(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth == 0)
        return frame[0];
    return descend(depth - 1) + frame[0] - static_cast<char>(depth) + 1;
}

// Recursion of 16 MiB, twice what the process's main thread may have, on a
// thread of 256 KiB: only the large stack lets it finish.
void* deepWorkOnASmallThread(void* result) {
    LargeStack::run([result] { *static_cast<int*>(result) = descend(16 * 1024); });
    return nullptr;
}

}  // namespace

TEST(LargeStack, WorkNeedingMoreStackThanTheThreadHasRuns) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an AddressSanitizer build runs the work on the caller's stack";
#endif
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    int result = -1;
    ASSERT_EQ(pthread_create(&thread, &attributes, deepWorkOnASmallThread, &result), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(result, 16 * 1024);
}

TEST(LargeStack, ExceptionsReachTheCallerAndNestedWorkRunsInPlace) {
    EXPECT_THROW(LargeStack::run([] { throw std::runtime_error("from the large stack"); }),
                 std::runtime_error);
    int ran = 0;
    LargeStack::run([&ran] {
        LargeStack::run([&ran] { ran = descend(1024); });
        ++ran;
    });
    EXPECT_EQ(ran, 1025);
    // The stack is given back each time: many runs take no memory with them.
    for (int i = 0; i < 2000; ++i) LargeStack::run([&ran] { ++ran; });
    EXPECT_EQ(ran, 3025);
}

#include <gtest/gtest.h>

#include <cstdint>

#include "script/HeapGuard.h"

TEST(HeapGuard, CountsLiveBytesAgainstTheLimit) {
    HeapGuard guard;
    guard.setByteLimit(1000);
    void* a = HeapGuard::allocate(&guard, 600);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % alignof(std::max_align_t), 0u);
    EXPECT_EQ(HeapGuard::allocate(&guard, 401), nullptr);
    void* b = HeapGuard::allocate(&guard, 400);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(guard.bytesInUse(), 1000u);

    // A refused reallocation leaves the block as it was.
    static_cast<char*>(a)[599] = 'k';
    EXPECT_EQ(HeapGuard::reallocate(&guard, a, 601), nullptr);
    EXPECT_EQ(static_cast<char*>(a)[599], 'k');
    a = HeapGuard::reallocate(&guard, a, 100);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(guard.bytesInUse(), 500u);
    a = HeapGuard::reallocate(&guard, a, 600);
    EXPECT_EQ(guard.bytesInUse(), 1000u);
    HeapGuard::release(&guard, b);
    EXPECT_EQ(guard.bytesInUse(), 600u);
    EXPECT_EQ(HeapGuard::allocate(&guard, SIZE_MAX), nullptr);

    // Blocks the engine never released are freed all at once.
    HeapGuard::allocate(&guard, 10);
    guard.releaseAll();
    EXPECT_EQ(guard.bytesInUse(), 0u);
}

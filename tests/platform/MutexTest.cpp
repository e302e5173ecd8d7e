#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "platform/Win32.h"

using namespace win32;

namespace {

// What another thread gets when it tries the mutex briefly; it gives back
// what it got.
DWORD tryFromOtherThread(HANDLE mutex) {
    return std::async(std::launch::async,
                      [mutex] {
                          const DWORD result = WaitForSingleObject(mutex, 20);
                          if (result == WAIT_OBJECT_0)
                              ReleaseMutex(mutex);
                          return result;
                      })
        .get();
}

}  // namespace

TEST(Mutex, IsRecursiveCountsEveryReleaseAndOnlyItsOwnerReleasesIt) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(ReleaseMutex(mutex), TRUE);
    EXPECT_EQ(tryFromOtherThread(mutex), WAIT_TIMEOUT);
    EXPECT_EQ(std::async(std::launch::async, [mutex] { return ReleaseMutex(mutex); }).get(), FALSE);
    EXPECT_EQ(ReleaseMutex(mutex), TRUE);
    EXPECT_EQ(ReleaseMutex(mutex), FALSE);
    EXPECT_EQ(tryFromOtherThread(mutex), WAIT_OBJECT_0);
    EXPECT_EQ(CloseHandle(mutex), TRUE);

    // An initial owner holds it; an infinite wait elsewhere blocks until it lets go.
    mutex = CreateMutexW(nullptr, TRUE, nullptr);
    std::atomic<bool> released{false};
    auto waiter = std::async(std::launch::async, [&] {
        const bool got = WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0 && released;
        ReleaseMutex(mutex);
        return got;
    });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    released = true;
    EXPECT_EQ(ReleaseMutex(mutex), TRUE);
    EXPECT_TRUE(waiter.get());
    CloseHandle(mutex);
}

// Win32 mutexes on Linux: owned by a thread, recursive (the owner acquires
// again without blocking and each release gives back one acquisition), and a
// release by any thread but the owner fails without effect. A condition
// variable wakes the waiters when the count returns to zero.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Win32.h"
#include "platform/ProcessLifetime.h"

namespace win32 {

// The only kind of HANDLE on Linux is a mutex.
struct OpaqueHandle {
    std::mutex state;
    std::condition_variable released;
    std::thread::id owner;
    unsigned count = 0;
};

namespace {

void take(HANDLE mutex) {
    mutex->owner = std::this_thread::get_id();
    ++mutex->count;
}

}  // namespace

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR) {
    auto* mutex = new OpaqueHandle();
    keptForProcess(mutex);
    if (initialOwner)
        take(mutex);
    return mutex;
}

DWORD WaitForSingleObject(HANDLE mutex, DWORD milliseconds) {
    if (mutex == nullptr)
        return WAIT_FAILED;
    std::unique_lock<std::mutex> lock(mutex->state);
    const auto available = [mutex] {
        return mutex->count == 0 || mutex->owner == std::this_thread::get_id();
    };
    if (milliseconds == INFINITE) {
        mutex->released.wait(lock, available);
    } else if (!mutex->released.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                         available)) {
        return WAIT_TIMEOUT;
    }
    take(mutex);
    return WAIT_OBJECT_0;
}

BOOL ReleaseMutex(HANDLE mutex) {
    if (mutex == nullptr)
        return FALSE;
    std::unique_lock<std::mutex> lock(mutex->state);
    if (mutex->count == 0 || mutex->owner != std::this_thread::get_id())
        return FALSE;
    if (--mutex->count == 0) {
        mutex->owner = std::thread::id();
        lock.unlock();
        mutex->released.notify_all();
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == nullptr)
        return FALSE;
    delete handle;
    return TRUE;
}

}  // namespace win32

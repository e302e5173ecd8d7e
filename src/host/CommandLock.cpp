#include "host/CommandLock.h"

#include <mutex>

#include "platform/ProcessLifetime.h"

namespace {

// A heap cell holding the mutex handle, referred to by a process-wide pointer;
// neither is ever freed.
win32::HANDLE* lockCell = nullptr;
std::once_flag lockCreated;

}  // namespace

win32::HANDLE commandLock() {
    using namespace win32;  // Win32's constants are macros on Windows
    std::call_once(lockCreated, [] {
        lockCell = new HANDLE(win32::CreateMutexW(nullptr, FALSE, nullptr));
        keptForProcess(lockCell);
    });
    return *lockCell;
}

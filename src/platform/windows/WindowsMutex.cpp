// Mutexes on Windows: the operating system's own.
#include "platform/Win32.h"

namespace win32 {

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name) {
    return ::CreateMutexW(attributes, initialOwner, name);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return ::WaitForSingleObject(handle, milliseconds);
}

BOOL ReleaseMutex(HANDLE mutex) {
    return ::ReleaseMutex(mutex);
}

BOOL CloseHandle(HANDLE handle) {
    return ::CloseHandle(handle);
}

}  // namespace win32

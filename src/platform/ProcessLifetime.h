#pragma once
// Objects that live until the process ends on purpose: the command lock, and
// on Linux the stand-ins for what Windows keeps for the process itself
// (mutexes, windows, rendering contexts), which the engine never closes
// because the system reclaims them at exit. The leak checker is told so,
// which keeps real leaks visible.

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

inline void keptForProcess(const void* object) {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(object);
#else
    (void)object;
#endif
}

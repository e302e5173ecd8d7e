#pragma once
// The process-wide lock that serialises every host command.

#include "platform/Win32.h"

// The command lock's mutex, created on first use. Two threads making the first
// call at the same time still create exactly one mutex; the mutex is never
// closed, so it lives until the process ends.
win32::HANDLE commandLock();

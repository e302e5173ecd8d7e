#pragma once
// Handlers abort a command by throwing a host error code as a plain integer;
// the entry point returns it unchanged.

#include "HostInterface.h"

[[noreturn]] inline void throwHostError(PF_Err code) {
    throw static_cast<int>(code);
}

#pragma once
// The natives of the script interface, in registration order.

#include <cstddef>

#include "script/NativeFunction.h"

struct NativeTable {
    const NativeFunction* entries;
    size_t count;
};

NativeTable scriptNatives();

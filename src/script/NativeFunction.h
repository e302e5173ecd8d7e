#pragma once
// One entry of a table of native functions that the script host stores as
// properties of the engine's global object.

#include "duktape.h"

struct NativeFunction {
    const char* name;
    duk_c_function function;
    // The fixed number of arguments the function sees (missing ones are
    // undefined, extra ones dropped), or DUK_VARARGS for any number.
    duk_idx_t nargs;
};

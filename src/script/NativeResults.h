#pragma once
// How natives hand back their results: each pushes one value and returns the
// engine's count of results, so a native ends with `return resultX(...)`.
//
// Pushing allocates, and an allocation may run the engine's collector and so
// script finalizers, which may release entities. Callers therefore copy what
// they return out of an entity before they push it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "duktape.h"

inline duk_ret_t resultBool(duk_context* ctx, bool value) {
    duk_push_boolean(ctx, value ? 1 : 0);
    return 1;
}

inline duk_ret_t resultNumber(duk_context* ctx, double value) {
    duk_push_number(ctx, value);
    return 1;
}

inline duk_ret_t resultString(duk_context* ctx, const std::string& text) {
    duk_push_lstring(ctx, text.data(), text.size());
    return 1;
}

// A new array holding `count` numbers.
duk_ret_t resultArray(duk_context* ctx, const double* values, size_t count);

#pragma once
// Argument conversions shared by all natives. Each reads the value at `idx` of
// the native's value stack the way the engine's own coercions do.
//
// Errors: a primitive never makes a conversion throw; a Symbol, whose
// coercion the language rejects, converts as NaN (so 0 as an integer) or as
// the empty string. An object converts through its own valueOf/toString, as
// the engine would; whatever that user code throws (or the engine's TypeError
// for an object without a primitive value) propagates as a script error that
// ends the running evaluation like any script exception. That error is the
// script's, not the native's, so a native converts its arguments before it
// changes anything. An index past the arguments of a variable-argument native
// raises the engine's range error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "duktape.h"

// ToNumber; undefined gives NaN.
double argNumber(duk_context* ctx, duk_idx_t idx);

// ToNumber truncated toward zero and clamped to the signed 32-bit range; NaN
// gives 0.
int32_t argInt(duk_context* ctx, duk_idx_t idx);

// An entity handle: argInt taken as an unsigned 32-bit number, so that -1 is
// 0xFFFFFFFF.
uint32_t argHandle(duk_context* ctx, duk_idx_t idx);

// A flag word: ToUint32, i.e. ToNumber truncated and taken modulo 2^32; NaN
// and infinities give 0.
uint32_t argFlags(duk_context* ctx, duk_idx_t idx);

// ToString; undefined gives "undefined". Embedded NULs are kept.
std::string argString(duk_context* ctx, duk_idx_t idx);

// ToBoolean.
bool argBool(duk_context* ctx, duk_idx_t idx);

// When the value is a genuine array, reads its elements 0 to count-1 by index
// with ToNumber into `out` (a missing element gives NaN) and returns true.
// Anything else, array-like objects included, returns false and leaves `out`
// as it was.
bool argVector(duk_context* ctx, duk_idx_t idx, double* out, size_t count);

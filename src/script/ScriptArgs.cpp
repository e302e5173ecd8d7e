#include "script/ScriptArgs.h"

#include <cmath>
#include <limits>

double argNumber(duk_context* ctx, duk_idx_t idx) {
    if (duk_is_symbol(ctx, idx)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return duk_to_number(ctx, idx);
}

int32_t argInt(duk_context* ctx, duk_idx_t idx) {
    const double number = argNumber(ctx, idx);
    if (std::isnan(number)) {
        return 0;
    }
    if (number <= std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    if (number >= std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(number);
}

uint32_t argHandle(duk_context* ctx, duk_idx_t idx) {
    return static_cast<uint32_t>(argInt(ctx, idx));
}

uint32_t argFlags(duk_context* ctx, duk_idx_t idx) {
    const double number = argNumber(ctx, idx);
    if (!std::isfinite(number)) {
        return 0;
    }
    const double modulus = 4294967296.0;
    double wrapped = std::fmod(std::trunc(number), modulus);
    if (wrapped < 0) {
        wrapped += modulus;
    }
    return static_cast<uint32_t>(wrapped);
}

std::string argString(duk_context* ctx, duk_idx_t idx) {
    if (duk_is_symbol(ctx, idx)) {
        return std::string();
    }
    duk_size_t length = 0;
    const char* text = duk_to_lstring(ctx, idx, &length);
    return std::string(text, length);
}

bool argBool(duk_context* ctx, duk_idx_t idx) {
    return duk_to_boolean(ctx, idx) != 0;
}

bool argVector(duk_context* ctx, duk_idx_t idx, double* out, size_t count) {
    if (!duk_is_array(ctx, idx)) {
        return false;
    }
    // Reading an element pushes it, which would move a relative index.
    idx = duk_normalize_index(ctx, idx);
    for (size_t i = 0; i < count; ++i) {
        duk_get_prop_index(ctx, idx, static_cast<duk_uarridx_t>(i));
        out[i] = argNumber(ctx, -1);
        duk_pop(ctx);
    }
    return true;
}

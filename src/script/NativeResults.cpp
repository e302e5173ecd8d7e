#include "script/NativeResults.h"

duk_ret_t resultArray(duk_context* ctx, const double* values, size_t count) {
    const duk_idx_t array = duk_push_array(ctx);
    for (size_t i = 0; i < count; ++i) {
        duk_push_number(ctx, values[i]);
        duk_put_prop_index(ctx, array, static_cast<duk_uarridx_t>(i));
    }
    return 1;
}

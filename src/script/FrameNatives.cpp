// The natives that report the facts of the frame being processed, choose the
// output size and release entities. Only an output size too large to hold
// fails.

#include <cstdint>
#include <iterator>

#include "entities/Context.h"
#include "entities/PixelBudget.h"
#include "entities/Sequence.h"
#include "script/NativeResults.h"
#include "script/ScriptArgs.h"
#include "script/ScriptNatives.h"

namespace {

// Handles up to this value name no kind (kind byte 0).
constexpr std::uint32_t kLargestKindless = 0xFFFFFF;

duk_ret_t getTime(duk_context* ctx) {
    const Sequence* sequence = Context::instance().currentSequence();
    return resultNumber(ctx, sequence != nullptr ? sequence->time : 0.0);
}

duk_ret_t release(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    // A kind without a registry (5, 7 and above) is ignored by the context.
    if (handle > kLargestKindless)
        Context::instance().release(handle);
    return resultBool(ctx, true);
}

duk_ret_t setOutputExtent(duk_context* ctx) {
    // A negative number is kept as a large unsigned one. The host makes its
    // output buffer, and the engine its output target, at this size: one
    // the GL context or the pixel budget cannot hold (at float depth) is
    // refused.
    const auto width = static_cast<std::uint32_t>(argInt(ctx, 0));
    const auto height = static_cast<std::uint32_t>(argInt(ctx, 1));
    if (!PixelBudget::extentFits(width, height, 16))
        return resultBool(ctx, false);
    if (Sequence* sequence = Context::instance().currentSequence()) {
        sequence->outputWidth = width;
        sequence->outputHeight = height;
    }
    return resultBool(ctx, true);
}

duk_ret_t getContextExtent(duk_context* ctx) {
    const Context& context = Context::instance();
    const double extent[3] = {static_cast<double>(context.contextWidth),
                              static_cast<double>(context.contextHeight),
                              static_cast<double>(context.pixelAspect)};
    return resultArray(ctx, extent, std::size(extent));
}

duk_ret_t getInputOrigin(duk_context* ctx) {
    double origin[2] = {0, 0};
    if (const Sequence* sequence = Context::instance().currentSequence()) {
        origin[0] = sequence->inputOriginX;
        origin[1] = sequence->inputOriginY;
    }
    return resultArray(ctx, origin, std::size(origin));
}

const NativeFunction kFrameNatives[] = {
    {"QS_getTime", getTime, 0},
    {"QS_release", release, 1},
    {"QS_setOutputExtent", setOutputExtent, 2},
    {"QS_getContextExtent", getContextExtent, 0},
    {"QS_getInputOrigin", getInputOrigin, 0},
};

}  // namespace

NativeTable frameNatives() {
    return {kFrameNatives, std::size(kFrameNatives)};
}

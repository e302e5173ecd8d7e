// The natives that move pixels between the GPU and CPU surfaces and reduce a
// surface's colours. They run with the GL context current.

#include <cstdint>
#include <iterator>

#include "entities/Context.h"
#include "entities/EntityHandle.h"
#include "script/NativeResults.h"
#include "script/ScriptArgs.h"
#include "script/ScriptNatives.h"
#include "script/TextureSource.h"
#include "surfaces/Surface.h"

namespace {

bool isSurface(std::uint32_t handle) {
    return EntityHandle::kindOf(handle) == EntityHandle::SurfaceBase;
}

// Takes any number of arguments but reads three: with fewer, reading the
// missing one raises the engine's range error, which ends the evaluation.
duk_ret_t initSurface(duk_context* ctx) {
    const auto width = static_cast<std::uint32_t>(argInt(ctx, 0));
    const auto height = static_cast<std::uint32_t>(argInt(ctx, 1));
    const auto depth = static_cast<std::uint32_t>(argInt(ctx, 2));
    return resultNumber(ctx, Context::instance().createSurface(width, height, depth));
}

// A render target is read back into the surface's own pixels; every other
// handle is a texture source whose CPU copy the surface views.
duk_ret_t textureToSurface(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    if (handle == 0)
        return resultNumber(ctx, 0);
    Context& context = Context::instance();
    if (EntityHandle::kindOf(handle) == EntityHandle::RenderTargetBase)
        return resultNumber(ctx, context.surfaceFromRenderTarget(context.getRenderTarget(handle)));
    return resultNumber(ctx, context.surfaceFromTexture(textureSource(handle)));
}

duk_ret_t surfaceToTexture(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    if (!isSurface(handle))
        return resultBool(ctx, false);
    return resultNumber(ctx, Context::instance().surfaceToTexture(handle));
}

duk_ret_t surfaceQuantize(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    // Another kind converts nothing else: the options' own conversions
    // (valueOf of an object) do not run.
    if (!isSurface(handle))
        return resultBool(ctx, false);
    const bool grey = argBool(ctx, 1);
    const std::int32_t paletteMode = argInt(ctx, 2);
    const std::int32_t ditherKind = argInt(ctx, 3);
    const auto strength = static_cast<float>(argNumber(ctx, 4));
    const bool serpentine = argBool(ctx, 5);
    // Looked up only now: the conversions may have run script code that
    // released the surface.
    Surface& surface = Context::instance().getSurface(handle);
    return resultBool(ctx, surface.quantize(grey, paletteMode, ditherKind, strength, serpentine));
}

duk_ret_t surfaceCopyTo(duk_context* ctx) {
    const std::uint32_t surface = argHandle(ctx, 0);
    const std::uint32_t target = argHandle(ctx, 1);
    const bool flip = argBool(ctx, 2);
    return resultBool(ctx, Context::instance().copySurfaceToTexture(surface, target, flip));
}

const NativeFunction kSurfaceNatives[] = {
    {"QS_initSurface", initSurface, DUK_VARARGS}, {"QS_textureToSurface", textureToSurface, 1},
    {"QS_surfaceToTexture", surfaceToTexture, 1}, {"QS_surfaceQuantize", surfaceQuantize, 6},
    {"QS_surfaceCopyTo", surfaceCopyTo, 3},
};

}  // namespace

NativeTable surfaceNatives() {
    return {kSurfaceNatives, std::size(kSurfaceNatives)};
}

#include "script/TextureSource.h"

#include "entities/Context.h"
#include "entities/EntityHandle.h"
#include "gl/RenderTarget.h"
#include "gl/Texture.h"

Texture& textureSource(std::uint32_t handle) {
    Context& context = Context::instance();
    switch (EntityHandle::kindOf(handle)) {
        case EntityHandle::ParameterBase:
            return context.getTexture(context.getParameter(handle).texture);
        case EntityHandle::RenderTargetBase:
            return context.getRenderTarget(handle);
        default:
            // The texture registry knows no handle of another kind.
            return context.getTexture(handle);
    }
}

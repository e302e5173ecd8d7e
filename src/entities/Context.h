#pragma once
// The render context of the process: owns the entity registries, the render
// state of every open effect instance and the composition extent of the frame
// being rendered. The script interface and the plug-in object reach every
// entity and every per-frame value through it.
//
// Operations that create, re-specify or destroy GL objects run with the GL
// context held, except the reset at library unload.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "entities/Factory.h"
#include "entities/ParametersHolder.h"
#include "entities/Sequence.h"
#include "platform/ustl/Singleton.h"

class RenderTarget;
class Shader;
class Surface;
class Texture;

class Context : public ParametersHolder, public ustl::static_singleton<Context> {
public:
    // The parameter registry seen as a holder: its records in ascending handle
    // order, so that an instance copies them with ParametersHolder::assign.
    std::uint32_t count() const override;
    // emptyParameter for a position not below count(), -1 included.
    const Parameter& at(std::uint32_t position) const override;
    ~Context() override;

    // Starts afresh (after a reset() of its own) with empty registries and one
    // instance at index 0, which becomes current.
    void initialise();
    // Destroys every instance and every registry with all their entities. Does
    // nothing when not initialised.
    void reset();

    // A new instance with a copy of the declared parameters, in the lowest
    // empty slot or a new one; returns the slot's index.
    std::uint32_t addInstance();
    // Empties the slot; an index beyond the slots or of an empty slot is ignored.
    void removeInstance(std::uint32_t index);

    // Kind dispatch by handle base (a whole handle names its kind as well). A
    // kind without a registry creates nothing (0) and releases nothing.
    std::uint32_t create(std::uint32_t kind);
    void release(std::uint32_t handle);

    // How many shaders may exist at once. Each holds a compiled program in
    // the driver, outside the pixel budget (about 230 KB on Mesa llvmpipe),
    // and no effect needs more than a few dozen.
    static constexpr std::uint32_t kMaximumShaders = 256;

    // Typed creation: each returns the new entity's handle once it is
    // initialised, or 0 while no registry exists (and, for shaders, while
    // kMaximumShaders exist).
    std::uint32_t createShader(const std::string& first, const std::string& second);
    std::uint32_t createRenderTarget(std::uint32_t width, std::uint32_t height,
                                     std::uint32_t depth);
    std::uint32_t createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t depth);
    // The handle also when the image could not be loaded; its texture is then 0.
    std::uint32_t createTextureFromImage(const std::string& name);
    std::uint32_t createSurface(std::uint32_t width, std::uint32_t height, std::uint32_t depth);
    // A declared parameter with the store's defaults; a LAYER gets a 2 × 2
    // 8-bit texture to receive the layer's pixels. Its id is set last.
    std::uint32_t createParameter(const std::string& name, std::uint32_t kind,
                                  const std::string& label);

    // Pixels between the GPU and CPU surfaces. Each returns the new entity's
    // handle, or 0 when it made none.
    //
    // A new surface that views the texture's CPU copy with the texture's size,
    // depth and rows, sharing the copy rather than copying it. The null
    // texture gives an empty surface.
    std::uint32_t surfaceFromTexture(Texture& texture);
    // A new surface holding the target's read-back in its own pixels: rows of
    // depth × width × 4 / 8 bytes, bottom row first. Without a read-back (no
    // framebuffer) it keeps the target's size but no pixels.
    std::uint32_t surfaceFromRenderTarget(RenderTarget& target);
    // A new texture holding a surface's pixels as they are (host order, no
    // 16-bit mapping); 0 when `surface` is not a surface handle.
    std::uint32_t surfaceToTexture(std::uint32_t surface);
    // Uploads a non-empty surface's pixels into a render target with a
    // framebuffer or a texture, either with a GL texture name, rows reversed
    // with flip; the target takes the surface's size and depth. False, with
    // nothing changed, for any other surface or target.
    bool copySurfaceToTexture(std::uint32_t surface, std::uint32_t target, bool flip);

    // Typed lookups: the entity, or the kind's null entity.
    Shader& getShader(std::uint32_t handle);
    RenderTarget& getRenderTarget(std::uint32_t handle);
    Texture& getTexture(std::uint32_t handle);
    Surface& getSurface(std::uint32_t handle);
    // The current instance's copy when it holds the handle, else the
    // registry's record, else emptyParameter.
    Parameter& getParameter(std::uint32_t handle);

    // One block per failing shader, in handle order; empty when none failed.
    std::string shaderErrors() const;

    // The instance that currentInstance designates, or null when the index is
    // beyond the slots or names an empty slot (for instance an index kept by
    // the host across a script restart). Every operation on the current
    // instance then does nothing: a stale index never touches a Sequence.
    Sequence* currentSequence() const;

    void setCurrentInstance(std::uint32_t index) { currentInstance = index; }
    // A pixel aspect outside 0.01 to 4.0 (or not a number) is stored as 1.0.
    void setContextExtent(std::uint32_t width, std::uint32_t height, float aspect);
    void setInputOrigin(std::int32_t x, std::int32_t y);
    // Before the script's preRender: no output extent requested yet.
    void clearOutputExtent();
    // Before the script's draw: stores the frame's time and output size and
    // makes the output render target exist at that size and depth.
    void prepareOutput(double time, std::uint32_t width, std::uint32_t height, std::uint32_t depth);
    // Uploads the input layer's host pixels into the input texture, making
    // the texture when there is none (or the script released it).
    void uploadInput(const void* pixels, std::uint32_t width, std::uint32_t height,
                     std::uint32_t depth, std::uint64_t rowBytes);

    std::map<std::uint32_t, std::unique_ptr<Factory>> factories;
    std::vector<std::unique_ptr<Sequence>> instances;
    std::uint32_t currentInstance = 0;
    std::uint32_t contextWidth = 0;
    std::uint32_t contextHeight = 0;
    float pixelAspect = 1.0f;
    bool initialised = false;

private:
    friend class ustl::static_singleton<Context>;
    Context() = default;

    // The registry of the given base as its own class, or null.
    template <typename Registry>
    Registry* registry(std::uint32_t base) const;
};

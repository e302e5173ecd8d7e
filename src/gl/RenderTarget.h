#pragma once
// A texture that is also the colour attachment of its own framebuffer, so
// shaders can draw into it and the frame path can read it back.
#include <array>
#include <cstdint>
#include <functional>

#include "entities/EntityFactory.h"
#include "entities/EntityHandle.h"
#include "gl/Texture.h"

class RenderTarget : public Texture {
public:
    class Factory;

    RenderTarget() = default;
    // Deletes the GL texture and the framebuffer when they exist.
    ~RenderTarget() override;

    // Deletes the GL texture and the framebuffer and forgets both names.
    void deleteObjects() override;
    // Drops the old objects, makes a host-order texture of the given size and
    // depth, attaches it to a new framebuffer and clears it to transparent
    // black. True when both objects exist; completeness is not checked.
    virtual bool initTarget(std::uint32_t width, std::uint32_t height, std::uint32_t depth);

    // Binds the framebuffer for drawing. The viewport is `rect` (x, y, width,
    // height, truncated to integers) when its width and height are both above
    // 0, else the whole target; the default selects the whole target.
    void bindAsTarget(const std::array<float, 4>& rect = {-1, 0, 0, 0}) const;

    // Copies the whole source onto the whole destination, scaled, mirrored
    // vertically with flip, filtered linearly or by nearest texel. Leaves the
    // read and draw framebuffer bindings on the two targets.
    static void blit(const RenderTarget& source, const RenderTarget& destination, bool flip,
                     bool linear);

    // Reads the target into the fixed pixel-pack buffer and maps it: packed
    // RGBA rows at the target's depth, bottom row first. With sixteenAsFloat a
    // 16-bit target comes as the floats it stores, which the driver copies
    // instead of converting each channel. Null when there is no framebuffer,
    // the depth has no pixel size (below 8) or the buffer cannot be mapped.
    // Every non-null result is ended with releasePixels().
    const std::uint8_t* readPixels(bool sixteenAsFloat = false);
    // Unmaps the pixel-pack buffer and unbinds it.
    static void releasePixels();

    // Hands on a band of read-back rows: packed RGBA at the target's depth,
    // a 16-bit target's as the floats it stores; `first` counts from the
    // bottom row.
    using BandConsumer =
        std::function<void(const std::uint8_t* rows, std::uint32_t first, std::uint32_t count)>;
    // Reads the whole target a band of rows at a time into a buffer small
    // enough to stay in the processor's caches and hands each band to
    // `consume`, bottom band first: the rows reach their destination with one
    // trip through memory instead of two through a frame-sized buffer. False,
    // handing nothing, where readPixels would give null.
    bool readBands(const BandConsumer& consume);

    std::uint32_t framebuffer = 0;
};

class RenderTarget::Factory : public EntityFactory<RenderTarget, EntityHandle::RenderTargetBase> {};

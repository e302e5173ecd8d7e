#pragma once
// The CPU surface entity that the effect script holds by handle: a pixel
// buffer of its own, or a shared view of a texture's CPU copy.

#include <cstdint>
#include <memory>
#include <vector>

#include "entities/EntityFactory.h"
#include "entities/EntityHandle.h"
#include "entities/PixelBudget.h"

class Surface {
public:
    class Factory;

    virtual ~Surface() = default;

    // Sets size, depth and flag, and rows of width × depth / 2 bytes (four
    // channels of depth bits). Leaves the pixels as they are.
    virtual bool init(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                      std::uint8_t flag);

    // Views a texture's CPU copy with the texture's layout instead of copying
    // it. Sharing the copy keeps it alive for as long as the surface is:
    // writes into that vector show through, and a texture that replaces its
    // copy on a later upload leaves the surface with the bytes it had, so
    // the surface is charged for the copy as well. False, leaving the surface
    // without pixels, when the budget has no room for it.
    bool alias(std::shared_ptr<std::vector<std::uint8_t>> cpuCopy, std::uint32_t width,
               std::uint32_t height, std::uint32_t depth, std::uint64_t rowBytes);

    // Takes a copy of height × rowBytes bytes as the surface's own pixels (a
    // render target's read-back) and drops any alias. Null data leaves the
    // surface without pixels. False, leaving it without pixels, when the copy
    // does not fit the pixel budget.
    bool copyPixels(const void* data, std::uint32_t width, std::uint32_t height,
                    std::uint32_t depth, std::uint64_t rowBytes);

    bool empty() const { return width == 0 || height == 0; }

    // The first byte of row 0: the aliased copy when there is one, else the
    // own pixels. Null when the rows are 0 bytes long or the buffer is shorter
    // than height × rowBytes, so a surface without pixels, or with an alias
    // that a later upload shrank, is never read past its end.
    std::uint8_t* pixelAddress();
    const std::uint8_t* pixelAddress() const;

    // Quantizes a usable surface of depth 8, 16 or 32 in place; other depths
    // and surfaces without pixels stay as they are. False when the surface is
    // empty.
    bool quantize(bool grey, int paletteMode, int ditherKind, float strength, bool serpentine);

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t rowBytes = 0;
    std::uint32_t depth = 0;
    std::uint8_t flag = 0;
    std::vector<std::uint8_t> ownPixels;
    std::shared_ptr<std::vector<std::uint8_t>> externalPixels;
    // What ownPixels or the aliased copy hold.
    PixelBudget::Charge pixelCharge;
};

class Surface::Factory : public EntityFactory<Surface, EntityHandle::SurfaceBase> {};

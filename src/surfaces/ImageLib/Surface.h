#pragma once
// A view of a pixel buffer for per-pixel work, one template per pixel layout.
// It either allocates its own packed buffer or wraps one that someone else
// owns; it never copies.

#include <cstddef>
#include <cstdint>
#include <new>

#include "surfaces/ImageLib/Pixels.h"
#include "surfaces/ImageLib/SurfaceBase.h"

namespace ImageLib {

template <class P>
class Surface : public SurfaceBase {
public:
    // Allocates height packed rows. The block is 16-byte aligned so that float
    // pixels load as whole vectors; its contents start undefined.
    Surface(std::uint32_t width, std::uint32_t height)
        : width(width),
          height(height),
          rowBytes(std::uint64_t{width} * sizeof(P)),
          pixels(static_cast<std::uint8_t*>(
              ::operator new(static_cast<std::size_t>(rowBytes* height), kAlignment))),
          ownsPixels(true) {}

    // Wraps a buffer whose rows are rowBytes apart; the owner keeps it alive.
    Surface(std::uint32_t width, std::uint32_t height, std::uint64_t rowBytes, void* pixels)
        : width(width),
          height(height),
          rowBytes(rowBytes),
          pixels(static_cast<std::uint8_t*>(pixels)),
          ownsPixels(false) {}

    ~Surface() override {
        if (ownsPixels) {
            ::operator delete(pixels, kAlignment);
        }
    }

    P* row(std::uint32_t y) const { return reinterpret_cast<P*>(pixels + y * rowBytes); }

    std::uint32_t width;
    std::uint32_t height;
    std::uint64_t rowBytes;
    std::uint32_t depth = P::depth;
    std::uint8_t* pixels;
    bool ownsPixels;

private:
    static constexpr std::align_val_t kAlignment{16};
};

}  // namespace ImageLib

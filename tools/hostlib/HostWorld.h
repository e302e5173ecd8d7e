#pragma once
// An image buffer the host owns, in the host's layout: four channels alpha,
// red, green, blue at 8, 16 (0..32768) or 32 (float) bits per channel, rows
// `rowBytes` apart. Rows carry padding beyond their pixels, as the
// applications' buffers do, so an effect that ignores the row stride shows it.

#include <cstdint>
#include <vector>

#include "HostInterface.h"
#include "WorldPixels.h"

class HostWorld {
public:
    static constexpr A_long kRowPadding = 16;

    HostWorld();
    // A transparent black image; a depth other than 8, 16 or 32 is taken as 8.
    HostWorld(A_long width, A_long height, int depth);
    HostWorld(const HostWorld& other);
    HostWorld& operator=(const HostWorld& other);
    HostWorld(HostWorld&& other) noexcept;
    HostWorld& operator=(HostWorld&& other) noexcept;

    bool empty() const { return width() == 0 || height() == 0; }
    A_long width() const { return world_.width; }
    A_long height() const { return world_.height; }
    A_long rowBytes() const { return world_.rowbytes; }
    int depth() const { return depth_; }

    // The image as the host hands it to an effect.
    PF_EffectWorld& world() { return world_; }
    const PF_EffectWorld& world() const { return world_; }
    WorldPixels pixels() const { return WorldPixels(world_, depth_); }

    PF_PixelFloat get(A_long x, A_long y) const { return pixels().get(x, y); }
    void set(A_long x, A_long y, const PF_PixelFloat& pixel) { pixels().set(x, y, pixel); }
    void* row(A_long y) { return storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes; }
    const void* row(A_long y) const {
        return storage_.data() + static_cast<std::size_t>(y) * world_.rowbytes;
    }

    // The same picture at another depth.
    HostWorld converted(int depth) const;
    // The picture as a host renders it at reduced resolution: each side scaled
    // by its ratio (rounded up), every output pixel the nearest source pixel.
    HostWorld downsampled(PF_RationalScale x, PF_RationalScale y) const;

    // A length in pixels scaled by a ratio, rounded up; the host's size of a
    // layer rendered at reduced resolution. A ratio of 1/1 leaves it as is.
    static A_long scaled(A_long length, PF_RationalScale ratio);

private:
    void bind();

    std::vector<unsigned char> storage_;
    PF_EffectWorld world_{};
    int depth_ = 8;
};

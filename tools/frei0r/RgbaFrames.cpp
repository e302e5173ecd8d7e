#include "RgbaFrames.h"

#include <algorithm>
#include <cstring>

namespace {

const PF_Pixel kTransparent{0, 0, 0, 0};

const PF_Pixel& pixelAt(const HostWorld& world, A_long x, A_long y) {
    if (x < 0 || y < 0 || x >= world.width() || y >= world.height())
        return kTransparent;
    return static_cast<const PF_Pixel*>(world.row(y))[x];
}

void store(const PF_Pixel& pixel, std::uint32_t* to) {
    const unsigned char rgba[4] = {pixel.red, pixel.green, pixel.blue, pixel.alpha};
    std::memcpy(to, rgba, sizeof(rgba));
}

}  // namespace

HostWorld RgbaFrames::toWorld(const std::uint32_t* frame, A_long width, A_long height) {
    HostWorld world(width, height, 8);
    for (A_long y = 0; y < height; ++y) {
        const auto* from =
            reinterpret_cast<const unsigned char*>(frame + static_cast<std::size_t>(y) * width);
        auto* to = static_cast<PF_Pixel*>(world.row(y));
        for (A_long x = 0; x < width; ++x, from += 4)
            to[x] = PF_Pixel{from[3], from[0], from[1], from[2]};
    }
    return world;
}

void RgbaFrames::fromWorld(const HostWorld& output, PF_Point origin, bool fit, std::uint32_t* frame,
                           A_long width, A_long height) {
    const bool larger = output.width() > width || output.height() > height;
    if (!fit || !larger) {
        for (A_long y = 0; y < height; ++y)
            for (A_long x = 0; x < width; ++x)
                store(pixelAt(output, x + origin.h, y + origin.v),
                      frame + static_cast<std::size_t>(y) * width + x);
        return;
    }
    // One scale for both sides, the output centred in the frame.
    const double scale = std::min(static_cast<double>(width) / output.width(),
                                  static_cast<double>(height) / output.height());
    const double left = (width - output.width() * scale) / 2;
    const double top = (height - output.height() * scale) / 2;
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            const double sx = (x + 0.5 - left) / scale, sy = (y + 0.5 - top) / scale;
            const PF_Pixel& pixel = sx < 0 || sy < 0 ? kTransparent
                                                     : pixelAt(output, static_cast<A_long>(sx),
                                                               static_cast<A_long>(sy));
            store(pixel, frame + static_cast<std::size_t>(y) * width + x);
        }
    }
}

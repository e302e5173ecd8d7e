#pragma once
// frei0r frames and the host's images. A frei0r frame is 8-bit RGBA, bytes
// red, green, blue, alpha in memory, rows without padding; the host's 8-bit
// image is alpha, red, green, blue. The values pass unchanged both ways, so
// alpha stays as straight or premultiplied as the host gave it.

#include <cstdint>

#include "HostWorld.h"

namespace RgbaFrames {

HostWorld toWorld(const std::uint32_t* frame, A_long width, A_long height);

// Writes `output` into a width x height frame. `origin` is where the frame's
// top-left pixel lies in the output, so an output larger than the frame (a
// border) is cropped back to the frame's area; with `fit` it is scaled to the
// frame instead, keeping its shape, the nearest pixel for each.
void fromWorld(const HostWorld& output, PF_Point origin, bool fit, std::uint32_t* frame,
               A_long width, A_long height);

}  // namespace RgbaFrames

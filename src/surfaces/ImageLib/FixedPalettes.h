#pragma once
// The built-in palettes of palette modes 9 to 21.

#include <cstdint>

#include "surfaces/ImageLib/Pixels.h"

namespace ImageLib {

struct FixedPalette {
    const Pixel32* colours = nullptr;
    std::uint32_t size = 0;
};

// The colours of a fixed palette mode, each channel its byte / 255; an empty
// palette for any other mode.
FixedPalette fixedPalette(int paletteMode);

}  // namespace ImageLib

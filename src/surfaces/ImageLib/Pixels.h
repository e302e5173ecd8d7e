#pragma once
// The three pixel layouts of CPU surfaces. Every layout holds four channels in
// the host's order: alpha first in memory, then red, green and blue.

#include <cstdint>

namespace ImageLib {

// 8 bits per channel, 0 to 255.
struct Pixel8 {
    static constexpr std::uint32_t depth = 8;
    std::uint8_t alpha, red, green, blue;
};

// 16 bits per channel holding host values (0 to 32768, not 65535).
struct Pixel15 {
    static constexpr std::uint32_t depth = 16;
    std::uint16_t alpha, red, green, blue;
};

// 32-bit float per channel, nominally 0 to 1 and never clamped.
struct Pixel32 {
    static constexpr std::uint32_t depth = 32;
    float alpha, red, green, blue;
};

static_assert(sizeof(Pixel8) == 4 && sizeof(Pixel15) == 8 && sizeof(Pixel32) == 16,
              "pixels are packed channel arrays");

}  // namespace ImageLib

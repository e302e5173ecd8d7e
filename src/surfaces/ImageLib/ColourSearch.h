#pragma once
// Nearest-colour search for the vector quantizer, giving the same index as the
// linear search. The four channels are cut into cubes 1/16 wide; the first
// pixel that falls into a cube works out which palette colours can be nearest
// anywhere in it, and every later pixel there compares only those. Pixels
// outside the cubes, and all pixels of images too small to repay building
// cubes, go through the palette's box tree instead.

#if defined(__SSE2__) || defined(_M_X64)

#include <emmintrin.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "surfaces/ImageLib/Palette.h"

namespace ImageLib {

class ColourSearch {
public:
    // Images below this many pixels use the box tree alone.
    static constexpr std::uint64_t kMinPixelsForCubes = 65536;

    ColourSearch(const Palette& palette, std::uint64_t pixels);

    std::uint32_t nearest(__m128 value);

private:
    // Cubes cover -0.5 to 1.5 in every channel: dithering pushes values a
    // little past 0..1.
    static constexpr int kCubesPerUnit = 16;
    static constexpr int kFirstCube = -8;
    static constexpr int kCubesPerAxis = 32;

    // Four candidates side by side, channel by channel, so that one vector
    // operation works on four distances. Unused lanes hold NaN, whose
    // distance never wins.
    struct Block {
        __m128 alpha, red, green, blue;
        __m128i index;
    };

    struct Cube {
        std::uint32_t first;  // into blocks_
        std::uint32_t count;  // 0 until the first pixel in the cube builds it
    };

    void build(Cube& cube, const std::int32_t (&corner)[4]);

    const Palette& palette_;
    const bool useCubes_;
    std::uint32_t last_ = 0;
    // One block of red-green-blue cubes per alpha step, made on first use:
    // most images use one or a few alpha values.
    std::unique_ptr<Cube[]> slabs_[kCubesPerAxis];
    std::vector<Block> blocks_;
};

}  // namespace ImageLib

#endif

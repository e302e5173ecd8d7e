#pragma once
// The nearest of a small palette's colours, eight at a time, for processors
// with 256-bit vectors (checked at run time: the module also runs on older
// ones, where the search compares four at a time). Error diffusion onto a
// small palette that does not span the image sends most values far past
// 0..1, where every colour is compared; eight lanes halve that work. Each lane
// computes a distance exactly as the four-lane and the linear searches do, so
// all give the same index.

#if defined(__SSE2__) || defined(_M_X64)

#include <emmintrin.h>

#include <cstdint>

#include "surfaces/ImageLib/Palette.h"

namespace ImageLib {

class WidePaletteSearch {
public:
    // Palettes up to this size fit.
    static constexpr std::uint32_t kMaxColours = 32;

    // Whether this processor and system run 256-bit vectors.
    static bool available();

    // The first `count` (at most kMaxColours) colours of the palette.
    WidePaletteSearch(const Palette& palette, std::uint32_t count);

    // The lowest index of the colours nearest the value at a distance below
    // `far`, else 0.
    std::uint32_t nearest(__m128 value, float far) const;

private:
    static constexpr std::uint32_t kBlocks = kMaxColours / 8;
    // Eight colours channel by channel; lanes past the palette hold NaN,
    // whose distance never wins.
    struct alignas(32) Block {
        float alpha[8], red[8], green[8], blue[8];
        std::int32_t index[8];
    };
    Block blocks_[kBlocks];
    std::uint32_t blockCount_ = 0;
};

}  // namespace ImageLib

#endif

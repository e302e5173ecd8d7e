#pragma once
// 8-bit Y'CbCr with full-resolution chroma into the host's 8-bit ARGB, by
// lookup tables in 16-bit fixed point. It stands in for the scaler's
// full-chroma RGB output, which has no vectorised path and took most of a
// 1080p frame's conversion time; chroma is brought to full resolution by the
// scaler's own (vectorised) resampling first.

#include <array>
#include <cstdint>

#include "HostInterface.h"
#include "LibavObjects.h"

class YuvToArgb {
public:
    // `matrix` as the stream tags it; one without luma coefficients of its
    // own (unspecified, RGB, YCgCo, ...) is taken as BT.601, as the scaler
    // takes it. `fullRange`: 0..255 luma and chroma, else 16..235/240.
    YuvToArgb(AVColorSpace matrix, bool fullRange);

    // One row of `width` pixels, opaque.
    void row(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr, int width,
             PF_Pixel8* out) const;

private:
    std::array<std::int32_t, 256> luma_{}, redFromCr_{}, greenFromCb_{}, greenFromCr_{},
        blueFromCb_{};
};

#pragma once
// Per-pixel operations of the quantizer, one channel at a time. This is the
// reference that VectorArithmetic must match bit for bit; it searches the
// palette linearly.

#include <cstdint>

#include "surfaces/ImageLib/Palette.h"
#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/Pixels.h"

namespace ImageLib {

struct ScalarArithmetic {
    using Value = Pixel32;

    static Value load(const Pixel32& pixel) { return pixel; }
    static Value load(const Pixel8& pixel) { return toLinearFloat(pixel); }
    static Value load(const Pixel15& pixel) { return toLinearFloat(pixel); }
    static void store(Pixel32& pixel, const Value& value) { pixel = value; }
    static void store(Pixel8& pixel, const Value& value) { pixel = toPixel8(value); }
    static void store(Pixel15& pixel, const Value& value) { pixel = toPixel15(value); }

    static Value splat(float value) { return {value, value, value, value}; }
    static Value add(const Value& a, const Value& b) {
        return {a.alpha + b.alpha, a.red + b.red, a.green + b.green, a.blue + b.blue};
    }
    static Value subtract(const Value& a, const Value& b) {
        return {a.alpha - b.alpha, a.red - b.red, a.green - b.green, a.blue - b.blue};
    }
    static Value multiply(const Value& a, const Value& b) {
        return {a.alpha * b.alpha, a.red * b.red, a.green * b.green, a.blue * b.blue};
    }

    static float red(const Value& value) { return value.red; }
    static Value luminance(const Value& value) { return toLuminance(value); }
    // Alpha of the first, colour of the second.
    static Value mergeAlpha(const Value& alphaSource, const Value& colour) {
        return {alphaSource.alpha, colour.red, colour.green, colour.blue};
    }

    // Squared distance over the four channels, summed as (A + R) + (G + B).
    static float distance(const Value& a, const Value& b) {
        const Value d = subtract(a, b);
        return (d.alpha * d.alpha + d.red * d.red) + (d.green * d.green + d.blue * d.blue);
    }

    // The lowest index of the closest colour; only a colour strictly closer
    // than the best so far (starting at 1e6) is taken. Index 0 when none is
    // within 1e6, which includes every pixel whose distances are NaN.
    static std::uint32_t nearest(const Palette& palette, const Value& value) {
        float best = 1e6f;
        std::uint32_t bestIndex = 0;
        for (std::uint32_t i = 0; i < palette.size; ++i) {
            const float d = distance(value, palette.colours[i]);
            if (d < best) {
                best = d;
                bestIndex = i;
            }
        }
        return bestIndex;
    }
};

}  // namespace ImageLib

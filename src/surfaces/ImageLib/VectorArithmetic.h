#pragma once
// Per-pixel operations of the quantizer on one pixel as one 128-bit vector
// (lanes A, R, G, B). Every operation returns the same bits as its
// counterpart in ScalarArithmetic; where SSE2 is missing the scalar code
// stands in.

#if defined(__SSE2__) || defined(_M_X64)

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "surfaces/ImageLib/Palette.h"
#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/Pixels.h"

namespace ImageLib {

struct VectorArithmetic {
    using Value = __m128;

    static Value load(const Pixel32& pixel) { return _mm_loadu_ps(&pixel.alpha); }

    // Bytes widened to 32-bit lanes whose upper half is 0x4700: the float
    // 32768 + byte/256, exact, so subtracting 32768 leaves byte/256.
    static Value load(const Pixel8& pixel) {
        std::int32_t bits;
        std::memcpy(&bits, &pixel, sizeof bits);
        const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bits), _mm_setzero_si128());
        const __m128i biased = _mm_unpacklo_epi16(words, _mm_set1_epi16(0x4700));
        return _mm_mul_ps(_mm_sub_ps(_mm_castsi128_ps(biased), _mm_set1_ps(32768.0f)),
                          _mm_set1_ps(kByteToUnitScale));
    }

    static Value load(const Pixel15& pixel) {
        const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&pixel));
        const __m128i lanes = _mm_unpacklo_epi16(words, _mm_setzero_si128());
        return _mm_mul_ps(_mm_cvtepi32_ps(lanes), _mm_set1_ps(1.0f / 32768.0f));
    }

    static void store(Pixel32& pixel, Value value) { _mm_storeu_ps(&pixel.alpha, value); }

    // Rounds with the current (nearest-even) mode, then the two saturating
    // packs clamp to -32768..32767 and to 0..255.
    static void store(Pixel8& pixel, Value value) {
        const __m128i lanes = _mm_cvtps_epi32(_mm_mul_ps(value, _mm_set1_ps(255.0f)));
        const __m128i words = _mm_packs_epi32(lanes, lanes);
        const std::int32_t bits = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(&pixel, &bits, sizeof bits);
    }

    static void store(Pixel15& pixel, Value value) {
        const __m128i lanes = _mm_cvttps_epi32(_mm_mul_ps(value, _mm_set1_ps(32768.0f)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&pixel), _mm_packs_epi32(lanes, lanes));
    }

    static Value splat(float value) { return _mm_set1_ps(value); }
    static Value add(Value a, Value b) { return _mm_add_ps(a, b); }
    static Value subtract(Value a, Value b) { return _mm_sub_ps(a, b); }
    static Value multiply(Value a, Value b) { return _mm_mul_ps(a, b); }

    static float red(Value value) {
        return _mm_cvtss_f32(_mm_shuffle_ps(value, value, _MM_SHUFFLE(1, 1, 1, 1)));
    }

    static Value luminance(Value value) {
        const __m128 weighted =
            _mm_mul_ps(value, _mm_setr_ps(0.0f, kLumaRed, kLumaGreen, kLumaBlue));
        const __m128 sum = sumOfLanes(weighted);
        return mergeAlpha(value, _mm_shuffle_ps(sum, sum, _MM_SHUFFLE(0, 0, 0, 0)));
    }

    static Value mergeAlpha(Value alphaSource, Value colour) {
        const __m128 alphaLane = _mm_castsi128_ps(_mm_setr_epi32(-1, 0, 0, 0));
        return _mm_or_ps(_mm_and_ps(alphaLane, alphaSource), _mm_andnot_ps(alphaLane, colour));
    }

    static float distance(Value a, Value b) {
        const __m128 d = _mm_sub_ps(a, b);
        return _mm_cvtss_f32(sumOfLanes(_mm_mul_ps(d, d)));
    }

    // The same index as the linear search, found through the palette's tree
    // of boxes and starting from the colour at `hint` (the previous pixel's,
    // usually close). A box's bound is the distance to its point nearest the
    // pixel, computed like any distance; rounding is monotonic, so no colour
    // inside the box comes out closer. A box is skipped only when its bound
    // exceeds the best distance, so colours at an equal distance are still
    // visited and the lower index wins.
    static std::uint32_t nearest(const Palette& palette, Value value, std::uint32_t hint) {
        if (palette.size == 0) {
            return 0;
        }
        float best = 1e6f;
        std::int32_t bestIndex = -1;
        const auto consider = [&](float d, std::int32_t index) {
            if (d < best || (d == best && index < bestIndex)) {
                best = d;
                bestIndex = index;
            }
        };
        if (hint < palette.size) {
            consider(distance(value, load(palette.colours[hint])), static_cast<std::int32_t>(hint));
        }

        struct Pending {
            std::uint16_t node;
            float bound;
        };
        // Every visit replaces one entry by at most two, so the stack never
        // holds more than the tree's depth (7 for 256 colours) plus one.
        Pending stack[32];
        int depth = 0;
        stack[depth++] = {0, boxDistance(value, palette.nodes[0])};
        while (depth > 0) {
            const Pending pending = stack[--depth];
            if (pending.bound > best) {
                continue;
            }
            const Palette::Node& node = palette.nodes[pending.node];
            if (node.children[0] == 0) {
                for (std::uint32_t i = node.first; i < node.first + node.count; ++i) {
                    consider(distance(value, load(palette.treeColours[i])), palette.treeIndex[i]);
                }
                continue;
            }
            const float bounds[2] = {boxDistance(value, palette.nodes[node.children[0]]),
                                     boxDistance(value, palette.nodes[node.children[1]])};
            // The nearer child goes on top, to be visited first.
            const int nearer = bounds[1] < bounds[0] ? 1 : 0;
            for (int child : {1 - nearer, nearer}) {
                if (!(bounds[child] > best)) {
                    stack[depth++] = {node.children[child], bounds[child]};
                }
            }
        }
        return bestIndex < 0 ? 0 : static_cast<std::uint32_t>(bestIndex);
    }

private:
    static float boxDistance(Value value, const Palette::Node& node) {
        const __m128 inside = _mm_min_ps(_mm_max_ps(value, load(node.low)), load(node.high));
        return distance(value, inside);
    }

    // (l0 + l1) + (l2 + l3) in lane 0, the order the scalar code adds in.
    static __m128 sumOfLanes(__m128 v) {
        const __m128 pairs = _mm_add_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)));
        return _mm_add_ps(pairs, _mm_shuffle_ps(pairs, pairs, _MM_SHUFFLE(1, 0, 3, 2)));
    }
};

}  // namespace ImageLib

#else

#include "surfaces/ImageLib/ScalarArithmetic.h"

namespace ImageLib {
using VectorArithmetic = ScalarArithmetic;
}  // namespace ImageLib

#endif

#include "surfaces/ImageLib/WidePaletteSearch.h"

#if defined(__SSE2__) || defined(_M_X64)

#include <immintrin.h>

#include <cmath>
#include <initializer_list>

namespace ImageLib {

bool WidePaletteSearch::available() {
    return __builtin_cpu_supports("avx2");
}

WidePaletteSearch::WidePaletteSearch(const Palette& palette, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count && i < kMaxColours; ++i) {
        Block& block = blocks_[i / 8];
        const std::uint32_t lane = i % 8;
        if (lane == 0) {
            for (float* channel : {block.alpha, block.red, block.green, block.blue}) {
                for (int l = 0; l < 8; ++l) {
                    channel[l] = NAN;
                }
            }
            for (std::int32_t& index : block.index) {
                index = 0;
            }
            ++blockCount_;
        }
        const Pixel32& colour = palette.colours[i];
        block.alpha[lane] = colour.alpha;
        block.red[lane] = colour.red;
        block.green[lane] = colour.green;
        block.blue[lane] = colour.blue;
        block.index[lane] = static_cast<std::int32_t>(i);
    }
}

// Each lane keeps the best of its colours; they come in index order, so a lane
// keeps its earlier colour on a tie. Distances add as (A + R) + (G + B), with
// no fused multiply-adds (this target leaves them out).
__attribute__((target("avx2"))) std::uint32_t WidePaletteSearch::nearest(__m128 value,
                                                                         float far) const {
    const __m256 alpha = _mm256_broadcastss_ps(value);
    const __m256 red = _mm256_broadcastss_ps(_mm_shuffle_ps(value, value, _MM_SHUFFLE(1, 1, 1, 1)));
    const __m256 green =
        _mm256_broadcastss_ps(_mm_shuffle_ps(value, value, _MM_SHUFFLE(2, 2, 2, 2)));
    const __m256 blue =
        _mm256_broadcastss_ps(_mm_shuffle_ps(value, value, _MM_SHUFFLE(3, 3, 3, 3)));
    // Lanes that find nothing under `far` hold it and index 0; minps gives
    // its second operand for a NaN distance.
    __m256 best = _mm256_set1_ps(far);
    __m256i bestIndex = _mm256_setzero_si256();
    for (std::uint32_t b = 0; b < blockCount_; ++b) {
        const Block& block = blocks_[b];
        const __m256 da = _mm256_sub_ps(alpha, _mm256_load_ps(block.alpha));
        const __m256 dr = _mm256_sub_ps(red, _mm256_load_ps(block.red));
        const __m256 dg = _mm256_sub_ps(green, _mm256_load_ps(block.green));
        const __m256 db = _mm256_sub_ps(blue, _mm256_load_ps(block.blue));
        const __m256 d = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(da, da), _mm256_mul_ps(dr, dr)),
                                       _mm256_add_ps(_mm256_mul_ps(dg, dg), _mm256_mul_ps(db, db)));
        const __m256i take = _mm256_castps_si256(_mm256_cmp_ps(d, best, _CMP_LT_OQ));
        best = _mm256_min_ps(d, best);
        bestIndex = _mm256_blendv_epi8(
            bestIndex, _mm256_load_si256(reinterpret_cast<const __m256i*>(block.index)), take);
    }
    __m256 smallest = _mm256_min_ps(best, _mm256_permute2f128_ps(best, best, 1));
    smallest =
        _mm256_min_ps(smallest, _mm256_shuffle_ps(smallest, smallest, _MM_SHUFFLE(2, 3, 0, 1)));
    smallest =
        _mm256_min_ps(smallest, _mm256_shuffle_ps(smallest, smallest, _MM_SHUFFLE(1, 0, 3, 2)));
    if (!(_mm256_cvtss_f32(smallest) < far)) {
        return 0;
    }
    // The lowest index of the lanes that hold the smallest distance.
    auto tied =
        static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(best, smallest, _CMP_EQ_OQ)));
    alignas(32) std::uint32_t indices[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(indices), bestIndex);
    std::uint32_t index = indices[__builtin_ctz(tied)];
    for (tied &= tied - 1; tied != 0; tied &= tied - 1) {
        index = index < indices[__builtin_ctz(tied)] ? index : indices[__builtin_ctz(tied)];
    }
    return index;
}

}  // namespace ImageLib

#endif

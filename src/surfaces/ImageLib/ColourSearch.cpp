#include "surfaces/ImageLib/ColourSearch.h"

#if defined(__SSE2__) || defined(_M_X64)

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "surfaces/ImageLib/VectorArithmetic.h"

namespace ImageLib {

namespace {

constexpr std::uint32_t kCubesPerSlab = 32 * 32 * 32;
// A cube's first blocks are compared whatever their bounds: whether the
// second can be skipped is a coin toss from pixel to pixel, and a mispredicted
// branch costs the chain of error diffusion more than the block's arithmetic,
// which runs beside it.
constexpr std::uint32_t kBlocksAlwaysCompared = 2;

}  // namespace

ColourSearch::ColourSearch(const Palette& palette, std::uint64_t pixels)
    : palette_(palette), useCubes_(pixels >= kMinPixelsForCubes) {
    static_assert(kCubesPerAxis * kCubesPerAxis * kCubesPerAxis == kCubesPerSlab, "slab size");
    if (useCubes_ && palette_.size <= kMaxColoursSearchedWhole) {
        std::uint32_t order[kMaxColoursSearchedWhole];
        for (std::uint32_t i = 0; i < palette_.size; ++i) {
            order[i] = i;
        }
        fill(whole_, order, palette_.size, nullptr);
    }
}

void ColourSearch::refineFinestGrid() {
    if (refining_) {
        return;
    }
    refining_ = true;
    answers_.assign(kParts, static_cast<std::uint16_t>(kUnresolved));
    for (std::uint32_t i = 0; i < palette_.size; ++i) {
        answers_.insert(answers_.end(), kParts, static_cast<std::uint16_t>(i));
    }
}

std::uint32_t ColourSearch::nearestThroughCubes(__m128 value) {
    if (useCubes_) {
        for (Grid& grid : grids_) {
            if (const Cube* cube = cubeOf(grid, value)) {
                return last_ = answer(*cube, value);
            }
            // Past the finest grid, small palettes are compared whole.
            if (whole_.count > 0) {
                return last_ = nearestOfAll(value);
            }
        }
    }
    last_ = VectorArithmetic::nearest(palette_, value, last_);
    return last_;
}

const ColourSearch::Cube* ColourSearch::cubeOf(Grid& grid, __m128 value) {
    // Outside the grid, which runaway diffusion error makes common: scaling by
    // a power of two is exact, so this is the range test below done early,
    // and NaN fails it as there.
    const float low = static_cast<float>(grid.firstCube) / grid.cubesPerUnit;
    const float high = static_cast<float>(grid.firstCube + kCubesPerAxis) / grid.cubesPerUnit;
    if (_mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(value, _mm_set1_ps(low)),
                                   _mm_cmplt_ps(value, _mm_set1_ps(high)))) != 0xF) {
        return nullptr;
    }
    const __m128i floor = floorOf(_mm_mul_ps(value, _mm_set1_ps(grid.cubesPerUnit)));
    alignas(16) std::int32_t corner[4];
    alignas(16) std::uint32_t axis[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(corner), floor);
    // Wraps around for cubes below the first, which then fail the range test.
    _mm_store_si128(reinterpret_cast<__m128i*>(axis),
                    _mm_sub_epi32(floor, _mm_set1_epi32(grid.firstCube)));
    if ((axis[0] | axis[1] | axis[2] | axis[3]) >= kCubesPerAxis) {
        return nullptr;
    }
    const std::uint32_t place = (axis[1] * kCubesPerAxis + axis[2]) * kCubesPerAxis + axis[3];
    Cube* slab = grid.slabs[axis[0]].get();
    if (!slab || slab[place].count == 0) {
        return &buildAt(grid, axis[0], place, corner);
    }
    return &slab[place];
}

// Kept apart from cubeOf(), which runs for nearly every pixel and stays
// small enough to inline.
ColourSearch::Cube& ColourSearch::buildAt(Grid& grid, std::uint32_t alpha, std::uint32_t place,
                                          const std::int32_t (&corner)[4]) {
    const bool refined = refining_ && &grid == &grids_[0];
    std::unique_ptr<Cube[]>& slab = grid.slabs[alpha];
    if (!slab) {
        slab.reset(new Cube[kCubesPerSlab]());
    }
    // A slab made before refining began gets its answers table now; its
    // cubes built earlier stay unresolved there, which is only slower.
    if (refined && !answerOffsets_[alpha]) {
        answerOffsets_[alpha].reset(new std::uint32_t[kCubesPerSlab]());
    }
    Cube& cube = slab[place];
    build(cube, corner, grid.cubesPerUnit, refined ? &answerOffsets_[alpha][place] : nullptr);
    return cube;
}

namespace {

// The value's channels, each in all four lanes.
struct Spread {
    __m128 alpha, red, green, blue;
    explicit Spread(__m128 value)
        : alpha(_mm_shuffle_ps(value, value, _MM_SHUFFLE(0, 0, 0, 0))),
          red(_mm_shuffle_ps(value, value, _MM_SHUFFLE(1, 1, 1, 1))),
          green(_mm_shuffle_ps(value, value, _MM_SHUFFLE(2, 2, 2, 2))),
          blue(_mm_shuffle_ps(value, value, _MM_SHUFFLE(3, 3, 3, 3))) {}
};

__m128 smallestOf(__m128 lanes) {
    lanes = _mm_min_ps(lanes, _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_min_ps(lanes, _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(1, 0, 3, 2)));
}

// The squared distances from a value to a block's four colours, added as
// (A + R) + (G + B) like the single-pixel distance.
template <class Block>
__m128 distances(const Block& block, const Spread& value) {
    const __m128 da = _mm_sub_ps(value.alpha, block.alpha);
    const __m128 dr = _mm_sub_ps(value.red, block.red);
    const __m128 dg = _mm_sub_ps(value.green, block.green);
    const __m128 db = _mm_sub_ps(value.blue, block.blue);
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(da, da), _mm_mul_ps(dr, dr)),
                      _mm_add_ps(_mm_mul_ps(dg, dg), _mm_mul_ps(db, db)));
}

// The nearest of the colours of `kBlocks` blocks that hold them in index
// order: the lowest bit of the lanes that hold the smallest distance, four
// bits a block, is the lowest index there. Finding the smallest first and
// those lanes after leaves the blocks independent of each other but for one
// minimum, and nothing branches on where the nearest colour lies. NaN
// distances (unused lanes) leave the minimum, as minps returns its second
// operand for them. Nothing under kFar gives index 0.
template <std::uint32_t kBlocks, class Block>
std::uint32_t nearestAmong(const Block* blocks, const Spread& value) {
    static_assert(kBlocks <= 8, "four bits a block in 32");
    __m128 all[kBlocks];
    __m128 best = _mm_set1_ps(ColourSearch::kFar);
#pragma GCC unroll 8
    for (std::uint32_t b = 0; b < kBlocks; ++b) {
        all[b] = distances(blocks[b], value);
        best = _mm_min_ps(all[b], best);
    }
    const __m128 smallest = smallestOf(best);
    if (!(_mm_cvtss_f32(smallest) < ColourSearch::kFar)) {
        return 0;
    }
    std::uint32_t tied = 0;
#pragma GCC unroll 8
    for (std::uint32_t b = 0; b < kBlocks; ++b) {
        tied |= static_cast<std::uint32_t>(_mm_movemask_ps(_mm_cmpeq_ps(all[b], smallest)))
                << (4 * b);
    }
    return static_cast<std::uint32_t>(__builtin_ctz(tied));
}

}  // namespace

std::uint32_t ColourSearch::nearestIn(const Cube& cube, __m128 value) const {
    // Each lane keeps the lowest index of its candidates at the smallest
    // distance; a lane that finds nothing under kFar holds kFar and index 0.
    // A cube's blocks come by their smallest distance to the cube: once the
    // best distance so far is below that of the next block, no colour from
    // there on can be closer or tied, which is tested from the third block.
    const __m128 far = _mm_set1_ps(kFar);
    const Spread spread(value);
    // The first block meets lanes that hold nothing yet; NaN distances (unused
    // lanes) leave kFar, as minps returns its second operand for them.
    const __m128 first = distances(blocks_[cube.first], spread);
    __m128 best = _mm_min_ps(first, far);
    __m128i bestIndex =
        _mm_and_si128(_mm_castps_si128(_mm_cmplt_ps(first, far)), blocks_[cube.first].index);
    for (std::uint32_t b = cube.first + 1; b != cube.first + cube.count; ++b) {
        if (b - cube.first >= kBlocksAlwaysCompared &&
            _mm_cvtss_f32(smallestOf(best)) < blockBounds_[b]) {
            break;
        }
        const Block& block = blocks_[b];
        const __m128 d = distances(block, spread);
        const __m128i lowerIndex = _mm_cmplt_epi32(block.index, bestIndex);
        const __m128i take =
            _mm_or_si128(_mm_castps_si128(_mm_cmplt_ps(d, best)),
                         _mm_and_si128(_mm_castps_si128(_mm_cmpeq_ps(d, best)), lowerIndex));
        best = _mm_min_ps(d, best);
        bestIndex =
            _mm_or_si128(_mm_and_si128(take, block.index), _mm_andnot_si128(take, bestIndex));
    }
    const __m128 smallest = smallestOf(best);
    // Nothing under kFar: index 0. Else the lowest index of the lanes that
    // hold the smallest distance, nearly always a single lane.
    if (!(_mm_cvtss_f32(smallest) < kFar)) {
        return 0;
    }
    auto tied = static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps(best, smallest)));
    alignas(16) std::uint32_t indices[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(indices), bestIndex);
    std::uint32_t index = indices[__builtin_ctz(tied)];
    for (tied &= tied - 1; tied != 0; tied &= tied - 1) {
        index = std::min(index, indices[__builtin_ctz(tied)]);
    }
    return index;
}

std::uint32_t ColourSearch::nearestOfAll(__m128 value) const {
    // A loop with as many turns as the palette has blocks, unrolled, keeps
    // every distance in a register.
    using Search = std::uint32_t (*)(const Block*, const Spread&);
    static constexpr Search kSearches[] = {nullptr,
                                           nearestAmong<1, Block>,
                                           nearestAmong<2, Block>,
                                           nearestAmong<3, Block>,
                                           nearestAmong<4, Block>,
                                           nearestAmong<5, Block>,
                                           nearestAmong<6, Block>,
                                           nearestAmong<7, Block>,
                                           nearestAmong<8, Block>};
    static_assert(std::size(kSearches) == kMaxColoursSearchedWhole / 4 + 1, "a search a count");
    return kSearches[whole_.count](&blocks_[whole_.first], Spread(value));
}

// A colour is a candidate unless even its smallest distance to the cube
// exceeds the largest distance of some colour to the cube; such a colour can
// be neither nearest nor tied anywhere in it. Both bounds are computed like a
// pixel's distance, from the per-channel differences to the cube's nearest
// and farthest faces; rounding is monotonic, so they hold for the computed
// distances as well.
void ColourSearch::build(Cube& cube, const std::int32_t (&corner)[4], float cubesPerUnit,
                         std::uint32_t* answers) {
    const __m128 scale = _mm_set1_ps(1.0f / cubesPerUnit);
    const __m128i first = _mm_setr_epi32(corner[0], corner[1], corner[2], corner[3]);
    const __m128 low = _mm_mul_ps(_mm_cvtepi32_ps(first), scale);
    const __m128 high = _mm_mul_ps(_mm_cvtepi32_ps(_mm_add_epi32(first, _mm_set1_epi32(1))), scale);
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));

    float lower[Palette::kCapacity];
    float upper[Palette::kCapacity];
    float smallestUpper = INFINITY;
    for (std::uint32_t i = 0; i < palette_.size; ++i) {
        const __m128 colour = VectorArithmetic::load(palette_.colours[i]);
        const __m128 nearestPoint = _mm_min_ps(_mm_max_ps(colour, low), high);
        lower[i] = VectorArithmetic::distance(nearestPoint, colour);
        const __m128 towardsLow = _mm_and_ps(_mm_sub_ps(low, colour), magnitude);
        const __m128 towardsHigh = _mm_and_ps(_mm_sub_ps(high, colour), magnitude);
        const __m128 lowIsFarther = _mm_cmpgt_ps(towardsLow, towardsHigh);
        const __m128 farthestPoint =
            _mm_or_ps(_mm_and_ps(lowIsFarther, low), _mm_andnot_ps(lowIsFarther, high));
        upper[i] = VectorArithmetic::distance(farthestPoint, colour);
        if (upper[i] < smallestUpper) {
            smallestUpper = upper[i];
        }
    }
    // The colour whose upper bound is smallest always passes.
    std::uint32_t order[Palette::kCapacity];
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < palette_.size; ++i) {
        if (!(lower[i] > smallestUpper)) {
            order[count++] = i;
        }
    }
    std::stable_sort(order, order + count,
                     [&](std::uint32_t a, std::uint32_t b) { return lower[a] < lower[b]; });
    count = dropDominated(order, count, upper, low, high);
    // A single candidate within kFar everywhere in the cube is the answer
    // there.
    if (count == 1 && upper[order[0]] < kFar) {
        cube = {order[0], kOneColour};
        if (answers) {
            *answers = kParts * (1 + order[0]);
        }
        return;
    }
    fill(cube, order, count, lower);
    // Cubes of more than one block are few, and their parts seldom resolve.
    // Past kMaxRefinedCubes the parts' answers stop growing, as the blocks
    // already take more memory than a picture's cubes need.
    if (answers && cube.count == 1 && answers_.size() < kParts * kMaxRefinedCubes) {
        *answers = refine(order, count, upper, low, cubesPerUnit);
    }
}

// A part's candidates are the cube's less those that another beats
// everywhere in the part, by the test of dropDominated(), whose gap sums
// one term a channel: the terms are worked out once for each pair of
// candidates and each part's place along a channel. The cube's upper bounds
// hold in its parts, so the margins stay safe.
std::uint32_t ColourSearch::refine(const std::uint32_t* order, std::uint32_t count,
                                   const float* upper, __m128 low, float cubesPerUnit) {
    constexpr int kMost = 4;  // a single block's candidates
    count = std::min<std::uint32_t>(count, kMost);
    alignas(16) float corner[4];
    _mm_store_ps(corner, low);
    // Multiples of the part's width, exact in float, like the grid itself.
    const float width = 1.0f / (cubesPerUnit * kPartsPerAxis);
    double alphaTerms[kMost][kMost];
    double terms[kMost][kMost][3][kPartsPerAxis];
    double margins[kMost][kMost];
    for (std::uint32_t a = 0; a < count; ++a) {
        const float* colour = &palette_.colours[order[a]].alpha;
        for (std::uint32_t b = 0; b < count; ++b) {
            const float* other = &palette_.colours[order[b]].alpha;
            alphaTerms[a][b] =
                gapTerm(colour[0], other[0], corner[0], corner[0] + 1.0f / cubesPerUnit);
            for (int c = 1; c < 4; ++c) {
                for (int k = 0; k < kPartsPerAxis; ++k) {
                    terms[a][b][c - 1][k] = gapTerm(colour[c], other[c], corner[c] + k * width,
                                                    corner[c] + (k + 1) * width);
                }
            }
            margins[a][b] = dominanceMargin(upper[order[a]], upper[order[b]]);
        }
    }
    // Bit p of dominated[a]: candidate a is beaten everywhere in part p.
    static_assert(kParts <= 64, "a part a bit");
    std::uint64_t dominated[kMost] = {};
    for (std::uint32_t a = 0; a < count; ++a) {
        for (std::uint32_t b = 0; b < count; ++b) {
            if (b == a) {
                continue;
            }
            std::uint32_t part = 0;
            for (int red = 0; red < kPartsPerAxis; ++red) {
                for (int green = 0; green < kPartsPerAxis; ++green) {
                    for (int blue = 0; blue < kPartsPerAxis; ++blue, ++part) {
                        const double gap = alphaTerms[a][b] + terms[a][b][0][red] +
                                           terms[a][b][1][green] + terms[a][b][2][blue];
                        dominated[a] |= std::uint64_t{gap > margins[a][b]} << part;
                    }
                }
            }
        }
    }
    // The parts where exactly one candidate is left take it, if it lies
    // within kFar everywhere in the cube.
    std::uint64_t left = 0;
    std::uint64_t leftTwice = 0;
    for (std::uint32_t a = 0; a < count; ++a) {
        leftTwice |= left & ~dominated[a];
        left |= ~dominated[a];
    }
    const auto begin = static_cast<std::uint32_t>(answers_.size());
    answers_.resize(begin + kParts, static_cast<std::uint16_t>(kUnresolved));
    for (std::uint32_t a = 0; a < count; ++a) {
        if (upper[order[a]] < kFar) {
            for (std::uint64_t parts = ~dominated[a] & left & ~leftTwice; parts != 0;
                 parts &= parts - 1) {
                answers_[begin + __builtin_ctzll(parts)] = static_cast<std::uint16_t>(order[a]);
            }
        }
    }
    return begin;
}

// The gap between two colours' squared distances, d_i - d_j, is linear in
// the point, so its least value in the cube lies at a corner, found channel
// by channel; double arithmetic gives it to far better than the margin. Each
// computed float distance is within a few units of 2^-24 of its true value,
// relative, and a distance in the cube is at most the colour's upper bound:
// a gap above 1e-5 of the two upper bounds therefore keeps colour i's
// computed distance strictly above j's at every pixel, so i is neither
// nearest nor tied. NaN bounds fail the test and drop nothing.
std::uint32_t ColourSearch::dropDominated(std::uint32_t* order, std::uint32_t count,
                                          const float* upper, __m128 low, __m128 high) const {
    alignas(16) float lows[4];
    alignas(16) float highs[4];
    _mm_store_ps(lows, low);
    _mm_store_ps(highs, high);
    bool dropped[Palette::kCapacity] = {};
    for (std::uint32_t a = 0; a < count; ++a) {
        const float* colour = &palette_.colours[order[a]].alpha;
        // Candidates come nearest first, the likeliest to be closer.
        for (std::uint32_t b = 0; b < count; ++b) {
            const float* other = &palette_.colours[order[b]].alpha;
            if (b == a) {
                continue;
            }
            double gap = 0.0;
            for (int c = 0; c < 4; ++c) {
                gap += gapTerm(colour[c], other[c], lows[c], highs[c]);
            }
            if (gap > dominanceMargin(upper[order[a]], upper[order[b]])) {
                dropped[a] = true;
                break;
            }
        }
    }
    std::uint32_t kept = 0;
    for (std::uint32_t a = 0; a < count; ++a) {
        if (!dropped[a]) {
            order[kept++] = order[a];
        }
    }
    return kept;
}

void ColourSearch::fill(Cube& cube, const std::uint32_t* order, std::uint32_t count,
                        const float* lower) {
    cube.first = static_cast<std::uint32_t>(blocks_.size());
    alignas(16) float channels[4][4];
    alignas(16) std::int32_t indices[4];
    int lane = 0;
    const auto flush = [&] {
        for (; lane < 4; ++lane) {
            for (float* channel : channels) {
                channel[lane] = NAN;
            }
            indices[lane] = 0;
        }
        blocks_.push_back({_mm_load_ps(channels[0]), _mm_load_ps(channels[1]),
                           _mm_load_ps(channels[2]), _mm_load_ps(channels[3]),
                           _mm_load_si128(reinterpret_cast<const __m128i*>(indices))});
        lane = 0;
    };
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t i = order[k];
        if (lane == 0) {
            blockBounds_.push_back(lower ? lower[i] : -INFINITY);
        }
        const Pixel32& colour = palette_.colours[i];
        channels[0][lane] = colour.alpha;
        channels[1][lane] = colour.red;
        channels[2][lane] = colour.green;
        channels[3][lane] = colour.blue;
        indices[lane] = static_cast<std::int32_t>(i);
        if (++lane == 4) {
            flush();
        }
    }
    if (lane > 0) {
        flush();
    }
    cube.count = static_cast<std::uint32_t>(blocks_.size()) - cube.first;
}

}  // namespace ImageLib

#endif

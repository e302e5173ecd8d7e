#pragma once
// Nearest-colour search for the vector quantizer, giving the same index as the
// linear search. The four channels are cut into cubes 1/16 wide; the first
// pixel that falls into a cube works out which palette colours can be nearest
// anywhere in it, and every later pixel there compares only those. Error
// diffusion onto a palette that does not span the image's colours drives
// values far past 0..1, so coarser grids of cubes 1 and 16 units wide cover
// -16 to 16 and -256 to 256. Small palettes compare all their colours
// instead, but for callers that name a finest-grid cube themselves. Pixels
// outside all grids, and all pixels of images too small to repay building
// cubes, go through the palette's box tree.

#if defined(__SSE2__) || defined(_M_X64)

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "surfaces/ImageLib/Palette.h"

namespace ImageLib {

class ColourSearch {
public:
    // Images below this many pixels use the box tree alone.
    static constexpr std::uint64_t kMinPixelsForCubes = 65536;
    // Palettes up to this size are searched whole, but in nearestAt()'s
    // finest-grid cubes.
    static constexpr std::uint32_t kMaxColoursSearchedWhole = 32;

    ColourSearch(const Palette& palette, std::uint64_t pixels);

    // Inline for the value in an already built cube of the finest grid, as
    // nearly every value of a picture is, so that the caller's loop makes no
    // call but to compare the cube's colours.
    std::uint32_t nearest(__m128 value) {
        // Under error diffusion neighbouring values fall now inside the
        // finest grid, now outside it, and into cubes of one colour or of
        // several: the branches between those ways mispredict so often that
        // comparing a small palette whole is faster everywhere (adaptive 16
        // with Floyd-Steinberg about 12 %, without dithering too).
        if (whole_.count > 0) {
            return nearestOfAll(value);
        }
        if (const Cube* cube = builtFinestCube(value)) {
            return answer(*cube, value);
        }
        return nearestThroughCubes(value);
    }

    // Distances from here on count as no match; a search that finds none
    // gives index 0.
    static constexpr float kFar = 1e6f;

    // The finest grid, for callers that work out a value's cube there
    // themselves: cubes 1 / kFineCubesPerUnit wide, kCubesPerAxis along each
    // channel from kFineFirstCube / kFineCubesPerUnit.
    static constexpr int kCubesPerAxis = 32;
    static constexpr float kFineCubesPerUnit = 16.0f;
    static constexpr int kFineFirstCube = -8;

    // nearest() for a value that the caller knows to lie in the finest
    // grid's cube at alpha axis `alpha` and (red * kCubesPerAxis + green) *
    // kCubesPerAxis + blue, which saves finding the cube again; the value is
    // made only when the cube does not already name a single colour. Cubes
    // are built here for palettes of every size, for callers whose
    // neighbouring values keep to the same cubes.
    template <class MakeValue>
    std::uint32_t nearestAt(std::uint32_t alpha, std::uint32_t rgb, const MakeValue& makeValue) {
        if (const Cube* slab = grids_[0].slabs[alpha].get()) {
            const Cube& cube = slab[rgb];
            if (cube.count == kOneColour) {
                return cube.first;
            }
            if (cube.count != 0) {
                return nearestIn(cube, makeValue());
            }
        }
        return nearestThroughCubes(makeValue());
    }

    // Answers by table for callers that work out the part of a finest-grid
    // cube their value falls in: each cube is cut into kPartsPerAxis parts
    // along red, green and blue (alpha stays whole), at part
    // (red * kPartsPerAxis + green) * kPartsPerAxis + blue. Once
    // refineFinestGrid() is called, the cubes built from then on with a few
    // candidates work out which of their parts a single colour can be
    // nearest in; that takes a fraction of the pixels a cube-wide answer
    // does.
    static constexpr int kPartsPerAxis = 4;
    static constexpr std::uint32_t kParts = kPartsPerAxis * kPartsPerAxis * kPartsPerAxis;
    static constexpr std::uint32_t kMaxRefinedCubes = 65536;
    void refineFinestGrid();

    // The colour at part `part` of the finest grid's cube at (alpha, rgb),
    // the same as nearestAt() gives there, when a single colour can be
    // nearest in the part; else kUnresolved, also for cubes not yet built,
    // and the caller goes through nearestAt(). Reads only, and two table
    // reads, so that a caller can sort a row's pixels into the resolved and
    // the rest without branching on each.
    static constexpr std::uint32_t kUnresolved = 0xFFFF;
    std::uint32_t resolvedAt(std::uint32_t alpha, std::uint32_t rgb, std::uint32_t part) const {
        const std::uint32_t* answers = answerOffsets_[alpha].get();
        if (!answers) {
            return kUnresolved;
        }
        return answers_[answers[rgb] + part];
    }

private:
    // Four candidates side by side, channel by channel, so that one vector
    // operation works on four distances. Unused lanes hold NaN, whose
    // distance never wins.
    struct Block {
        __m128 alpha, red, green, blue;
        __m128i index;
    };

    struct Cube {
        std::uint32_t first;  // into blocks_, or the colour when count is kOneColour
        std::uint32_t count;  // 0 until the first pixel in the cube builds it
    };
    // A cube where a single colour can be nearest, at distances below kFar
    // everywhere in it: that colour needs no comparing.
    static constexpr std::uint32_t kOneColour = UINT32_MAX;

    // Cubes 1 / cubesPerUnit wide (a power of two, so that scaling by it is
    // exact), kCubesPerAxis of them along each channel from
    // firstCube / cubesPerUnit. One block of
    // red-green-blue cubes per alpha step, made on first use: most images use
    // one or a few alpha values.
    struct Grid {
        float cubesPerUnit;
        int firstCube;
        std::unique_ptr<Cube[]> slabs[kCubesPerAxis];
    };

    // floor() of each lane, exact for a value scaled by a power of two: the
    // product is, and truncation is corrected downwards for negatives.
    static __m128i floorOf(__m128 scaled) {
        const __m128i truncated = _mm_cvttps_epi32(scaled);
        return _mm_add_epi32(truncated,
                             _mm_castps_si128(_mm_cmplt_ps(scaled, _mm_cvtepi32_ps(truncated))));
    }
    // The value's cube in the finest grid if built, else null. The range
    // test is cubeOf()'s on the scaled value: scaling by a power of two is
    // exact, and it leaves every axis within the grid.
    const Cube* builtFinestCube(__m128 value) const {
        const __m128 scaled = _mm_mul_ps(value, _mm_set1_ps(kFineCubesPerUnit));
        if (_mm_movemask_ps(_mm_and_ps(
                _mm_cmpge_ps(scaled, _mm_set1_ps(static_cast<float>(kFineFirstCube))),
                _mm_cmplt_ps(scaled, _mm_set1_ps(static_cast<float>(kFineFirstCube +
                                                                    kCubesPerAxis))))) != 0xF) {
            return nullptr;
        }
        alignas(16) std::uint32_t axis[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(axis),
                        _mm_sub_epi32(floorOf(scaled), _mm_set1_epi32(kFineFirstCube)));
        const Cube* slab = grids_[0].slabs[axis[0]].get();
        if (!slab) {
            return nullptr;
        }
        const Cube& cube = slab[(axis[1] * kCubesPerAxis + axis[2]) * kCubesPerAxis + axis[3]];
        return cube.count != 0 ? &cube : nullptr;
    }
    // nearest() through the grids' cubes, whatever the palette's size.
    std::uint32_t nearestThroughCubes(__m128 value);
    // The value's cube, built when first reached; null outside the grid.
    const Cube* cubeOf(Grid& grid, __m128 value);
    // Makes the cube at `place` in the grid's slab `alpha`, and the slab if
    // need be.
    Cube& buildAt(Grid& grid, std::uint32_t alpha, std::uint32_t place,
                  const std::int32_t (&corner)[4]);
    // `answers`, for cubes of the finest grid once refining, receives where
    // the cube's part answers begin.
    void build(Cube& cube, const std::int32_t (&corner)[4], float cubesPerUnit,
               std::uint32_t* answers);
    // Appends the answers of a cube's parts from its candidates; returns
    // where they begin.
    std::uint32_t refine(const std::uint32_t* order, std::uint32_t count, const float* upper,
                         __m128 low, float cubesPerUnit);
    // Drops from `order` the colours that another of them is closer than
    // everywhere in the cube [low, high); returns how many are left.
    std::uint32_t dropDominated(std::uint32_t* order, std::uint32_t count, const float* upper,
                                __m128 low, __m128 high) const;
    // Colour i's least excess of squared distance over colour j's along one
    // channel of a cube [low, high), and the excess over all channels that
    // proves i is neither nearest nor tied anywhere in it.
    static double gapTerm(float colour, float other, float low, float high) {
        const double towards = double{other} - colour;
        const double sum = double{colour} + other;
        return std::min(towards * (2.0 * low - sum), towards * (2.0 * high - sum));
    }
    static double dominanceMargin(float upper, float otherUpper) {
        return 1e-5 * (double{upper} + otherUpper) + 1e-30;
    }
    // Puts the colours of `order` into blocks in that order, each block with
    // the smallest lower bound of its colours (none without bounds).
    void fill(Cube& cube, const std::uint32_t* order, std::uint32_t count, const float* lower);
    std::uint32_t nearestIn(const Cube& cube, __m128 value) const;
    // The nearest colour of whole_.
    std::uint32_t nearestOfAll(__m128 value) const;
    // The nearest colour to a value in a built cube.
    std::uint32_t answer(const Cube& cube, __m128 value) const {
        if (cube.count == kOneColour) {
            return cube.first;
        }
        return nearestIn(cube, value);
    }

    const Palette& palette_;
    const bool useCubes_;
    std::uint32_t last_ = 0;
    // Dithering pushes values a little past 0..1, fine cubes cover -0.5 to
    // 1.5; the coarse ones catch runaway error.
    Grid grids_[3] = {
        {kFineCubesPerUnit, kFineFirstCube, {}}, {1.0f, -16, {}}, {1.0f / 16.0f, -16, {}}};
    std::vector<Block> blocks_;
    // The smallest distance to their cube of the colours of each block.
    std::vector<float> blockBounds_;
    // Every colour, for small palettes outside the finest grid.
    Cube whole_ = {};
    // For each finest-grid slab once refining, where each cube's part answers
    // begin in answers_ (0 until the cube is built), made with the slab.
    bool refining_ = false;
    std::unique_ptr<std::uint32_t[]> answerOffsets_[kCubesPerAxis];
    // kParts answers a cube: first all kUnresolved, then all of each colour
    // in turn (for cubes with a single candidate), then the refined cubes'.
    std::vector<std::uint16_t> answers_;
};

}  // namespace ImageLib

#endif

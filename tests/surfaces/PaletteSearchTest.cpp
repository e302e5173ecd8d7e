#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "surfaces/ImageLib/ColourSearch.h"
#include "surfaces/ImageLib/Palette.h"
#include "surfaces/ImageLib/ScalarArithmetic.h"
#include "surfaces/ImageLib/VectorArithmetic.h"

using namespace ImageLib;

namespace {

// The box tree from a few starting colours against the linear reference.
void expectSameIndex(const Palette& palette, const Pixel32& pixel) {
    const std::uint32_t linear = ScalarArithmetic::nearest(palette, pixel);
    for (std::uint32_t hint : {0u, 1u, palette.size - 1, palette.size, linear}) {
        ASSERT_EQ(VectorArithmetic::nearest(palette, VectorArithmetic::load(pixel), hint), linear)
            << pixel.alpha << " " << pixel.red << " " << pixel.green << " " << pixel.blue << " of "
            << palette.size << " from " << hint;
    }
}

// The cube cache against the linear reference, in the given order (the first
// pixel's alpha is the one the cubes serve).
void expectSameIndices(const Palette& palette, const std::vector<Pixel32>& pixels) {
#if defined(__SSE2__) || defined(_M_X64)
    ColourSearch search(palette, ColourSearch::kMinPixelsForCubes);
    for (const Pixel32& pixel : pixels) {
        ASSERT_EQ(search.nearest(VectorArithmetic::load(pixel)),
                  ScalarArithmetic::nearest(palette, pixel))
            << pixel.alpha << " " << pixel.red << " " << pixel.green << " " << pixel.blue << " of "
            << palette.size;
    }
#endif
}

}  // namespace

TEST(PaletteSearch, EqualDistancesTakeTheLowerIndex) {
    Palette palette;
    palette.colours[0] = {1, 0.75f, 0, 0};
    palette.colours[1] = {1, 0.25f, 0, 0};
    palette.colours[2] = {1, 0.25f, 0, 0};
    palette.prepare(3);
    const Pixel32 between = {1, 0.5f, 0, 0};
    EXPECT_EQ(ScalarArithmetic::nearest(palette, between), 0u);
    expectSameIndex(palette, between);
    EXPECT_EQ(ScalarArithmetic::nearest(palette, {1, 0.3f, 0, 0}), 1u);
    expectSameIndex(palette, {1, 0.3f, 0, 0});

    // Nothing within the starting distance of 1e6: index 0.
    EXPECT_EQ(ScalarArithmetic::nearest(palette, {1, 2000, 0, 0}), 0u);
    expectSameIndex(palette, {1, 2000, 0, 0});
    expectSameIndices(palette, {between, {1, 0.3f, 0, 0}, {1, 2000, 0, 0}, {1, 0.5f, 1, 0}});
}

TEST(PaletteSearch, SortedSearchMatchesLinearSearch) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<float> wide(-3.0f, 4.0f);
    std::uniform_int_distribution<int> level(0, 4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    for (std::uint32_t size : {1u, 2u, 3u, 4u, 5u, 16u, 17u, 100u, 256u}) {
        for (int coarse = 0; coarse < 2; ++coarse) {
            // Coarse palettes sit on a few levels, so green values repeat and
            // distances tie everywhere; fine ones are arbitrary.
            Palette palette;
            for (std::uint32_t i = 0; i < size; ++i) {
                palette.colours[i] =
                    coarse ? Pixel32{1, level(random) / 4.0f, level(random) / 4.0f,
                                     level(random) / 4.0f}
                           : Pixel32{unit(random), unit(random), unit(random), unit(random)};
            }
            palette.prepare(size);

            std::vector<Pixel32> pixels;
            for (int i = 0; i < 3000; ++i) {
                // Cube faces lie at multiples of 1/16.
                pixels.push_back({1, level(random) / 16.0f, level(random) / 16.0f - 0.5f,
                                  level(random) / 16.0f + 1.25f});
                pixels.push_back({unit(random), wide(random), wide(random), wide(random)});
                pixels.push_back(
                    {1, level(random) / 8.0f, level(random) / 8.0f, level(random) / 8.0f});
            }
            for (std::uint32_t i = 0; i < size; ++i) {
                const Pixel32& c = palette.colours[i];
                const Pixel32& d = palette.colours[(i * 7 + 3) % size];
                pixels.push_back(c);
                // Midpoints are equidistant from two entries.
                pixels.push_back({(c.alpha + d.alpha) / 2, (c.red + d.red) / 2,
                                  (c.green + d.green) / 2, (c.blue + d.blue) / 2});
            }
            for (float odd : {nan, inf, -inf, 999.0f, -999.0f, 1e20f, 0.0f, -0.0f}) {
                pixels.push_back({1, 0.5f, odd, 0.5f});
                pixels.push_back({1, odd, 0.5f, 0.5f});
                pixels.push_back({odd, odd, odd, odd});
            }
            // Exactly 1e6 from (1, 0, 0, 0): not strictly closer than the start.
            pixels.push_back({1, 0, 1000, 0});
            pixels.push_back({1, 0, -1000, 0});
            for (const Pixel32& pixel : pixels) expectSameIndex(palette, pixel);
            expectSameIndices(palette, pixels);
        }
    }
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/Quantizer.h"

using namespace ImageLib;

namespace {

Pixel32 convert(const Pixel32& pixel, Pixel32*) {
    return pixel;
}
Pixel8 convert(const Pixel32& pixel, Pixel8*) {
    return toPixel8(pixel);
}
Pixel15 convert(const Pixel32& pixel, Pixel15*) {
    const auto word = [](float v) {
        return static_cast<std::uint16_t>(std::min(32768.0f, std::max(0.0f, v * 32768.0f)));
    };
    return {word(pixel.alpha), word(pixel.red), word(pixel.green), word(pixel.blue)};
}

// Gradients with noise, so that palettes, ties and error diffusion all get
// exercised; float images also stray outside 0..1 and alpha varies.
template <class P>
std::vector<P> randomImage(std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                           unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-0.15f, 0.15f);
    std::vector<P> pixels(stride * height);
    for (std::uint32_t i = 0; i < pixels.size(); ++i) {
        const float x = static_cast<float>(i % stride) / width;
        const float y = static_cast<float>(i / stride) / height;
        pixels[i] = convert({0.95f + noise(random), x + noise(random), y + noise(random),
                             1.0f - x * y + noise(random)},
                            static_cast<P*>(nullptr));
    }
    return pixels;
}

template <class P>
void expectSameResult(std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                      unsigned seed, bool grey, int paletteMode, int ditherKind, float strength,
                      bool serpentine) {
    std::vector<P> vector = randomImage<P>(width, height, stride, seed);
    std::vector<P> scalar = vector;
    Surface<P> vectorSurface(width, height, stride * sizeof(P), vector.data());
    Surface<P> scalarSurface(width, height, stride * sizeof(P), scalar.data());
    quantizeSurface(vectorSurface, grey, paletteMode, ditherKind, strength, serpentine,
                    Arithmetic::Vector);
    quantizeSurface(scalarSurface, grey, paletteMode, ditherKind, strength, serpentine,
                    Arithmetic::Scalar);
    ASSERT_EQ(std::memcmp(vector.data(), scalar.data(), vector.size() * sizeof(P)), 0)
        << "palette mode " << paletteMode << ", dither kind " << ditherKind << ", grey " << grey
        << ", serpentine " << serpentine;
}

// Every palette mode with every dither kind, both scan orders and with and
// without grey, on small images whose rows are padded.
template <class P>
void expectVectorEqualsScalar() {
    unsigned seed = 1;
    for (int paletteMode = 0; paletteMode <= 22; ++paletteMode) {
        for (int ditherKind = 0; ditherKind <= 16; ++ditherKind) {
            for (int variant = 0; variant < 4; ++variant) {
                expectSameResult<P>(23, 13, 26, seed++, variant & 2, paletteMode, ditherKind,
                                    0.2f + 0.1f * variant, variant & 1);
            }
        }
    }
}

}  // namespace

TEST(VectorScalar, EveryDepthQuantizesIdentically) {
    expectVectorEqualsScalar<Pixel8>();
    expectVectorEqualsScalar<Pixel15>();
    expectVectorEqualsScalar<Pixel32>();
}

TEST(VectorScalar, LargeImagesQuantizeIdentically) {
    // Large enough for the vector search's cube cache; ordered dithering
    // spreads alpha over several cube layers.
    expectSameResult<Pixel8>(320, 240, 320, 5, false, PaletteMode::Adaptive256,
                             DitherKind::FloydSteinberg, 0.5f, false);
    expectSameResult<Pixel8>(320, 240, 320, 6, false, PaletteMode::Adaptive8, DitherKind::None,
                             0.5f, false);
    expectSameResult<Pixel32>(320, 240, 320, 7, false, 10, DitherKind::Bayer8x8, 0.3f, false);
    // 8-bit ordered dithering takes colours through tables of cubes and of
    // their parts.
    expectSameResult<Pixel8>(320, 240, 320, 9, false, 12, DitherKind::Bayer4x4, 0.4f, false);
    expectSameResult<Pixel8>(960, 540, 960, 11, false, 20, DitherKind::Bayer8x8, 0.3f, false);
    expectSameResult<Pixel8>(320, 240, 320, 10, false, PaletteMode::Adaptive256,
                             DitherKind::Bayer8x8, 0.3f, false);
    expectSameResult<Pixel15>(320, 240, 320, 8, true, 20, DitherKind::StevensonArce, 0.5f, true);
}

TEST(VectorScalar, PaddingBetweenRowsIsNeverTouched) {
    std::vector<Pixel32> pixels = randomImage<Pixel32>(23, 13, 26, 99);
    const std::vector<Pixel32> original = pixels;
    Surface<Pixel32> surface(23, 13, 26 * sizeof(Pixel32), pixels.data());
    quantizeSurface(surface, false, PaletteMode::Adaptive256, DitherKind::StevensonArce, 0.5f,
                    true);
    // Columns 23 to 25 of each row: the padding.
    for (std::uint32_t i = 23; i < pixels.size(); i += i % 26 == 25 ? 24 : 1)
        ASSERT_EQ(std::memcmp(&pixels[i], &original[i], sizeof(Pixel32)), 0) << i;
}

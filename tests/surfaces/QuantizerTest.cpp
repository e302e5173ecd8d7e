#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "surfaces/ImageLib/DitherKernels.h"
#include "surfaces/ImageLib/Octree.h"
#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/Quantizer.h"

using namespace ImageLib;

namespace {

constexpr Pixel32 kWhite = {1, 1, 1, 1};
constexpr Pixel32 kBlack = {1, 0, 0, 0};

Pixel32 grey(float value) {
    return {1.0f, value, value, value};
}

// A packed float image holding the given pixels row by row.
struct FloatImage {
    FloatImage(std::uint32_t width, std::vector<Pixel32> values)
        : pixels(std::move(values)),
          surface(width, static_cast<std::uint32_t>(pixels.size() / width), width * sizeof(Pixel32),
                  pixels.data()) {}
    std::vector<Pixel32> pixels;
    Surface<Pixel32> surface;
};

void expectPixels(const std::vector<Pixel32>& actual, const std::vector<Pixel32>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(Pixel32)), 0) << "pixel " << i;
    }
}

void quantizeBoth(FloatImage& image, int paletteMode, int ditherKind, float strength,
                  bool serpentine) {
    std::vector<Pixel32> reference = image.pixels;
    FloatImage scalar(image.surface.width, reference);
    quantize(scalar.surface, paletteMode, ditherKind, strength, serpentine, Arithmetic::Scalar);
    quantize(image.surface, paletteMode, ditherKind, strength, serpentine);
    expectPixels(image.pixels, scalar.pixels);
}

}  // namespace

TEST(Quantizer, FloydSteinbergPassesSevenSixteenthsRight) {
    // 0.6 turns white and leaves an error of -0.4; 7/16 of it takes the second
    // pixel from 0.67 to 0.495 (black) but from 0.68 only to 0.505 (white).
    FloatImage falls(2, {grey(0.6f), grey(0.67f)});
    quantizeBoth(falls, PaletteMode::BlackAndWhite, DitherKind::FloydSteinberg, 0.5f, false);
    expectPixels(falls.pixels, {kWhite, kBlack});

    FloatImage stays(2, {grey(0.6f), grey(0.68f)});
    quantizeBoth(stays, PaletteMode::BlackAndWhite, DitherKind::FloydSteinberg, 0.5f, false);
    expectPixels(stays.pixels, {kWhite, kWhite});
}

TEST(Quantizer, SerpentineRunsOddRowsBackwards) {
    // Row 0 is exactly black and passes nothing on. Left to right, row 1 goes
    // 0.4 black (+0.175 right), 0.775 white (-0.098 right), 0.502 white.
    // Backwards, 0.6 white pushes -0.175 to its left: 0.425 black, which
    // pushes +0.186 left again: 0.586 white.
    const std::vector<Pixel32> start = {kBlack, kBlack, kBlack, grey(0.4f), grey(0.6f), grey(0.6f)};
    FloatImage plain(3, start);
    quantizeBoth(plain, PaletteMode::BlackAndWhite, DitherKind::FloydSteinberg, 0.5f, false);
    expectPixels(plain.pixels, {kBlack, kBlack, kBlack, kBlack, kWhite, kWhite});

    FloatImage serpentine(3, start);
    quantizeBoth(serpentine, PaletteMode::BlackAndWhite, DitherKind::FloydSteinberg, 0.5f, true);
    expectPixels(serpentine.pixels, {kBlack, kBlack, kBlack, kWhite, kBlack, kWhite});
}

TEST(Quantizer, OrderedTwoByTwoCell) {
    // Black and white adds 0.2 × (1 3 / 4 2) / 4 = (0.05 0.15 / 0.2 0.1) to
    // 0.38; the matrix repeats every two columns.
    FloatImage cell(4, std::vector<Pixel32>(8, grey(0.38f)));
    quantizeBoth(cell, PaletteMode::BlackAndWhite, DitherKind::Ordered2x2, 0.5f, false);
    expectPixels(cell.pixels, {kBlack, kWhite, kBlack, kWhite, kWhite, kBlack, kWhite, kBlack});

    // Other palettes add strength × offset: 0.25 + 0.4 × (0.25 0.75 / 1 0.5)
    // = (0.35 0.55 / 0.65 0.45), nearest among the greys 0, 1/3, 2/3, 1 of
    // palette 20.
    FloatImage fixed(2, std::vector<Pixel32>(4, grey(0.25f)));
    quantizeBoth(fixed, 20, DitherKind::Ordered2x2, 0.4f, false);
    const Pixel32 dark = toLinearFloat(Pixel8{255, 0x55, 0x55, 0x55});
    const Pixel32 light = toLinearFloat(Pixel8{255, 0xaa, 0xaa, 0xaa});
    expectPixels(fixed.pixels, {dark, light, light, dark});
}

TEST(Quantizer, BlackAndWhiteThresholdsGreyOfTheSurface) {
    // Greys 128/255 (just above 0.5) and 127/255; pure red is 0.2126 grey,
    // pure green 0.7152. Alpha stays what it was.
    std::vector<Pixel8> pixels = {
        {200, 128, 128, 128}, {77, 127, 127, 127}, {255, 255, 0, 0}, {3, 0, 255, 0}};
    Surface<Pixel8> surface(2, 2, 2 * sizeof(Pixel8), pixels.data());
    quantizeSurface(surface, false, PaletteMode::BlackAndWhite, DitherKind::None, 0.5f, false);
    const std::vector<std::uint8_t> expected = {200, 255, 255, 255, 77, 0,   0,   0,
                                                255, 0,   0,   0,   3,  255, 255, 255};
    EXPECT_EQ(std::memcmp(pixels.data(), expected.data(), expected.size()), 0);
}

TEST(Quantizer, AdaptivePaletteReproducesFewColours) {
    Octree tree;
    for (int i = 0; i < 300; ++i) {
        tree.insert(200, 10, 30);
        tree.insert(5, 250, 128);
    }
    tree.insert(77, 77, 77);
    tree.reduce(256);
    Pixel32 colours[256] = {};
    ASSERT_EQ(tree.writeColours(colours), 3u);
    // The rarest colour comes first in the heap; the others follow it.
    EXPECT_EQ(colours[0].red, static_cast<float>(77 / 255.0));
    EXPECT_EQ(colours[0].alpha, 1.0f);
    EXPECT_EQ(colours[3].alpha, 0.0f);

    // Through the surface the three colours come back byte for byte, with or
    // without error diffusion.
    for (int kind : {DitherKind::None, DitherKind::FloydSteinberg}) {
        std::vector<Pixel8> pixels;
        for (int i = 0; i < 60; ++i) {
            pixels.push_back(
                i % 3 == 0 ? Pixel8{255, 200, 10, 30}
                           : (i % 3 == 1 ? Pixel8{255, 5, 250, 128} : Pixel8{255, 77, 77, 77}));
        }
        const std::vector<Pixel8> original = pixels;
        Surface<Pixel8> surface(10, 6, 10 * sizeof(Pixel8), pixels.data());
        quantizeSurface(surface, false, PaletteMode::Adaptive256, kind, 0.0f, false);
        EXPECT_EQ(std::memcmp(pixels.data(), original.data(), pixels.size() * sizeof(Pixel8)), 0);
    }
}

TEST(Quantizer, OctreeFoldsTheLeastUsedLeaves) {
    // Seven well-used colours and two single pixels that differ only in the
    // lowest octree bit of red. Reducing to eight colours folds both singles
    // into their shared parent, whose colour is their mean.
    Octree tree;
    for (int c = 1; c <= 7; ++c) {
        for (int i = 0; i < 200; ++i) {
            tree.insert(static_cast<std::uint8_t>(c * 30), 100, 100);
        }
    }
    tree.insert(0, 0, 0);
    tree.insert(2, 0, 0);
    tree.reduce(8);
    Pixel32 colours[8];
    ASSERT_EQ(tree.writeColours(colours), 8u);
    int merged = 0;
    for (const Pixel32& colour : colours) {
        merged += colour.red == static_cast<float>(1 / 255.0) && colour.green == 0.0f;
    }
    EXPECT_EQ(merged, 1);
}

TEST(Quantizer, NoMethodLeavesColoursAlone) {
    const std::vector<Pixel32> start = {grey(0.3f), {0.5f, 0.9f, -0.2f, 1.7f}};
    for (int kind : {0, 2, 12, 16, -4}) {
        FloatImage image(2, start);
        quantize(image.surface, 20, kind, 0.5f, false);
        expectPixels(image.pixels, start);
    }
    for (int mode : {0, PaletteMode::Unchanged, 22}) {
        FloatImage image(2, start);
        quantize(image.surface, mode, DitherKind::None, 0.5f, false);
        expectPixels(image.pixels, start);
    }
    // The grey conversion still happens around a quantization that does not.
    FloatImage image(2, start);
    quantizeSurface(image.surface, true, PaletteMode::Unchanged, DitherKind::None, 0.5f, false);
    expectPixels(image.pixels, {toLuminance(start[0]), toLuminance(start[1])});
}

TEST(Quantizer, WriteBackRoundTripsEveryDepth) {
    // Every byte survives the float round trip.
    std::vector<Pixel8> bytes(256);
    for (int b = 0; b < 256; ++b) {
        const auto v = static_cast<std::uint8_t>(b);
        bytes[b] = {v, static_cast<std::uint8_t>(255 - b), v, static_cast<std::uint8_t>(b / 2)};
    }
    const std::vector<Pixel8> originalBytes = bytes;
    Surface<Pixel8> byteSurface(16, 16, 16 * sizeof(Pixel8), bytes.data());
    quantizeSurface(byteSurface, false, PaletteMode::Unchanged, DitherKind::None, 0.5f, false);
    EXPECT_EQ(std::memcmp(bytes.data(), originalBytes.data(), bytes.size() * sizeof(Pixel8)), 0);

    // 16-bit values come back except 32768, which returns as 32767, alpha
    // included; a quantized 1.0 is written as 32767 too.
    std::vector<Pixel15> words = {{32768, 32768, 16384, 1}, {12345, 0, 32767, 32768}};
    Surface<Pixel15> wordSurface(2, 1, 2 * sizeof(Pixel15), words.data());
    quantizeSurface(wordSurface, false, PaletteMode::Unchanged, DitherKind::None, 0.5f, false);
    const std::vector<Pixel15> expectedWords = {{32767, 32767, 16384, 1}, {12345, 0, 32767, 32767}};
    EXPECT_EQ(std::memcmp(words.data(), expectedWords.data(), sizeof(Pixel15) * 2), 0);
    std::vector<Pixel15> bright = {{32768, 32000, 32000, 32000}};
    Surface<Pixel15> brightSurface(1, 1, sizeof(Pixel15), bright.data());
    quantizeSurface(brightSurface, false, 15, DitherKind::None, 0.5f, false);
    EXPECT_EQ(bright[0].alpha, 32767);
    EXPECT_EQ(bright[0].red, 32767);

    // Floats are stored as they are; only the colour channels are replaced.
    FloatImage floats(1, {{-0.25f, 0.95f, 0.97f, 0.99f}});
    quantizeSurface(floats.surface, false, 15, DitherKind::None, 0.5f, false);
    expectPixels(floats.pixels, {{-0.25f, 1.0f, 1.0f, 1.0f}});
}

TEST(Quantizer, KernelsPassOnTheirWholeShare) {
    // Past the origin every kernel passes on the whole error, Atkinson 6/8.
    const float shares[] = {1, 1, 1, 0.75f, 1, 1, 1, 1, 1};
    for (int kind = DitherKind::FloydSteinberg; kind <= DitherKind::StevensonArce; ++kind) {
        const Surface<Pixel32>& kernel = *diffusionKernel(kind);
        std::uint32_t origin = 0;
        while (!(kernel.row(0)[origin].alpha > 0)) {
            ++origin;
        }
        double sum = 0;
        for (std::uint32_t y = 0; y < kernel.height; ++y) {
            for (std::uint32_t x = y == 0 ? origin + 1 : 0; x < kernel.width; ++x) {
                sum += kernel.row(y)[x].red;
            }
        }
        EXPECT_NEAR(sum, shares[kind - DitherKind::FloydSteinberg], 1e-6) << kind;
    }
    EXPECT_EQ(diffusionKernel(12), nullptr);
}

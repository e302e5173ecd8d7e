// Quantization output pinned to recorded digests: faster code must give the
// very same pixels as the code the digests were taken from, for every palette
// mode and dither kind, both scan orders, grey, and each pixel depth.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "surfaces/ImageLib/Quantizer.h"

using namespace ImageLib;

namespace {

// Gradients with noise from a fixed generator; float pixels stray past 0..1.
template <class P>
std::vector<P> makeImage(std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
    std::vector<P> pixels(std::size_t{stride} * height);
    std::uint32_t state = 2463534242u;
    const auto noise = [&] {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        return static_cast<float>(state % 1000) / 1000.0f * 0.3f - 0.15f;
    };
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const float u = static_cast<float>(x) / width, v = static_cast<float>(y) / height;
            const float channels[4] = {0.9f + noise(), u + noise(), v + noise(),
                                       1.0f - u * v + noise()};
            P& pixel = pixels[std::size_t{y} * stride + x];
            auto* out = &pixel.alpha;
            for (int c = 0; c < 4; ++c) {
                const float f = channels[c];
                if constexpr (sizeof(P) == sizeof(Pixel32))
                    out[c] = f;
                else if constexpr (sizeof(P) == sizeof(Pixel15))
                    out[c] = static_cast<std::uint16_t>(f < 0 ? 0 : (f > 1 ? 32768 : f * 32768));
                else
                    out[c] = static_cast<std::uint8_t>(f < 0 ? 0 : (f > 1 ? 255 : f * 255));
            }
        }
    return pixels;
}

template <class P>
void addDigest(std::uint64_t& digest, std::uint32_t width, std::uint32_t height, bool grey,
               int paletteMode, int ditherKind, float strength, bool serpentine) {
    const std::uint32_t stride = width + 3;
    std::vector<P> pixels = makeImage<P>(width, height, stride);
    Surface<P> surface(width, height, stride * sizeof(P), pixels.data());
    quantizeSurface(surface, grey, paletteMode, ditherKind, strength, serpentine);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels.data());
    for (std::size_t i = 0; i < pixels.size() * sizeof(P); ++i)
        digest = (digest ^ bytes[i]) * 1099511628211ull;
}

template <class P>
std::uint64_t digestOfAllModes() {
    std::uint64_t digest = 14695981039346656037ull;
    for (int paletteMode = 0; paletteMode <= 22; ++paletteMode)
        for (int ditherKind = 0; ditherKind <= 16; ++ditherKind)
            for (int variant = 0; variant < 2; ++variant)
                addDigest<P>(digest, 61, 37, variant, paletteMode, ditherKind,
                             0.3f + 0.2f * variant, variant);
    // Large enough for the cached cube search, in the benchmarked cases.
    for (const auto& [mode, kind] :
         {std::pair{PaletteMode::Adaptive256, DitherKind::FloydSteinberg},
          {3, DitherKind::FloydSteinberg},
          {PaletteMode::Adaptive256, DitherKind::None},
          {20, DitherKind::Bayer8x8},
          {5, DitherKind::JarvisJudiceNinke}})
        addDigest<P>(digest, 400, 300, false, mode, kind, 0.3f, kind == DitherKind::None);
    return digest;
}

}  // namespace

TEST(QuantizeRecord, EveryDepthGivesTheRecordedPixels) {
    EXPECT_EQ(digestOfAllModes<Pixel8>(), 6768189286391339642u);
    EXPECT_EQ(digestOfAllModes<Pixel15>(), 12678573335950566758u);
    EXPECT_EQ(digestOfAllModes<Pixel32>(), 8027152597350625790u);
}

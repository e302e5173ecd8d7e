// Every compression setting writes files that read back to the same pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageFiles.h"
#include "package/TempFolder.h"

namespace {

// Noise, flat runs and a gradient (beyond 0 to 1 where floats can hold it),
// so that every filter and match kind has work to do; written with
// `settings` and read back unchanged.
void expectRoundTrip(int depth, const std::string& path, const ImageWriteSettings& settings) {
    HostWorld image(67, 31, depth);
    std::uint32_t state = 12345;
    for (A_long y = 0; y < image.height(); ++y)
        for (A_long x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(state >> 24) / 255.0f;
            image.set(x, y,
                      {x < 20 ? 1.0f : noise, x / 22.0f - 1.0f, y < 10 ? 0.5f : noise, noise});
        }
    writeImageFile(path, image, settings);
    const HostWorld back = readImageFile(path);
    ASSERT_EQ(back.depth(), depth) << path;
    for (A_long y = 0; y < image.height(); ++y)
        ASSERT_EQ(std::memcmp(back.row(y), image.row(y), std::size_t(image.width()) * depth / 2), 0)
            << path << " depth " << depth << " row " << y;
}

TEST(ImageWriteSettings, EveryCompressionReadsBackExactly) {
    TempFolder folder;
    ImageWriteSettings settings;
    for (const int level : {0, 1, 2, 6, 9}) {
        settings.pngCompression = level;
        expectRoundTrip(8, folder / ("level" + std::to_string(level) + ".png"), settings);
        expectRoundTrip(16, folder / ("level" + std::to_string(level) + ".png"), settings);
    }
    for (const ExrCompression compression :
         {ExrCompression::None, ExrCompression::Rle, ExrCompression::Zips, ExrCompression::Zip,
          ExrCompression::Piz}) {
        settings.exrCompression = compression;
        expectRoundTrip(32, folder / ("c" + std::to_string(int(compression)) + ".exr"), settings);
    }
}

}  // namespace

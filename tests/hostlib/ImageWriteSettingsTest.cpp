// Every compression setting writes files that read back to the same pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageFiles.h"
#include "package/TempFolder.h"

namespace {

// A frame with noise, flat runs and a gradient, so that every filter and
// match kind has work to do.
HostWorld testFrame(int depth) {
    HostWorld image(67, 31, depth);
    std::uint32_t state = 12345;
    for (A_long y = 0; y < image.height(); ++y)
        for (A_long x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(state >> 24) / 255.0f;
            image.set(x, y, {x < 20 ? 1.0f : noise, x / 66.0f, y < 10 ? 0.5f : noise, noise});
        }
    return image;
}

void expectSamePixels(const HostWorld& a, const HostWorld& b, const std::string& what) {
    ASSERT_EQ(a.depth(), b.depth()) << what;
    ASSERT_EQ(a.width(), b.width()) << what;
    const std::size_t rowBytes = std::size_t(a.width()) * 4 * (a.depth() / 8);
    for (A_long y = 0; y < a.height(); ++y)
        ASSERT_EQ(std::memcmp(a.row(y), b.row(y), rowBytes), 0) << what << " row " << y;
}

TEST(ImageWriteSettings, EveryCompressionReadsBackExactly) {
    TempFolder folder;
    for (const int depth : {8, 16}) {
        const HostWorld image = testFrame(depth);
        for (const int level : {0, 1, 2, 6, 9}) {
            ImageWriteSettings settings;
            settings.pngCompression = level;
            const std::string path = folder / "frame.png";
            writeImageFile(path, image, settings);
            expectSamePixels(readImageFile(path), image,
                             "PNG " + std::to_string(depth) + " level " + std::to_string(level));
        }
    }
    const HostWorld image = testFrame(32);
    for (const ExrCompression compression :
         {ExrCompression::None, ExrCompression::Rle, ExrCompression::Zips, ExrCompression::Zip,
          ExrCompression::Piz}) {
        ImageWriteSettings settings;
        settings.exrCompression = compression;
        writeImageFile(folder / "frame.exr", image, settings);
        expectSamePixels(readImageFile(folder / "frame.exr"), image,
                         "EXR " + std::to_string(static_cast<int>(compression)));
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "surfaces/ImageLib/Quantizer.h"
#include "surfaces/Surface.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Black-and-white quantization without dithering: every colour channel
// becomes 0 or 255 at depth 8.
bool blackAndWhite(Surface& surface) {
    return surface.quantize(false, ImageLib::PaletteMode::BlackAndWhite, ImageLib::DitherKind::None,
                            0.5f, false);
}

}  // namespace

TEST(SurfaceEntity, PixelsAreCopiedOrSharedAndNeverReadPastTheirRows) {
    auto cpuCopy = std::make_shared<Bytes>(Bytes{7, 200, 200, 200, 7, 20, 20, 20});
    Surface surface;
    EXPECT_TRUE(surface.init(2, 2, 8, 1));
    EXPECT_EQ(surface.rowBytes, 8u);
    surface.alias(cpuCopy, 2, 1, 8, 8);
    // Quantizing changes the texture's copy in place; later writes into the
    // copy show through, even when they move it.
    EXPECT_TRUE(blackAndWhite(surface));
    EXPECT_EQ(*cpuCopy, (Bytes{7, 255, 255, 255, 7, 0, 0, 0}));
    cpuCopy->assign({1, 2, 3, 4, 5, 6, 7, 8});
    cpuCopy->reserve(4096);
    EXPECT_EQ(surface.pixelAddress()[4], 5);
    // The texture letting go leaves the view valid; shrinking the copy below
    // the surface's rows hides it.
    std::weak_ptr<Bytes> watch = cpuCopy;
    cpuCopy.reset();
    EXPECT_EQ(surface.pixelAddress()[7], 8);
    watch.lock()->resize(4);
    EXPECT_EQ(surface.pixelAddress(), nullptr);
    EXPECT_TRUE(blackAndWhite(surface));

    // Depth 15 holds 16-bit words that are not host values: left alone.
    // Rows shorter than their pixels are never walked past.
    const Bytes raw = {0, 128, 48, 117, 48, 117, 48, 117, 100, 0, 100, 0, 100, 0, 100, 0};
    for (const auto& [depth, rowBytes] : {std::pair{15, 16}, std::pair{8, 4}}) {
        Surface other;
        other.init(2, 1, depth, 1);
        other.copyPixels(raw.data(), 2, 1, depth, rowBytes);
        EXPECT_TRUE(blackAndWhite(other));
        EXPECT_EQ(std::memcmp(other.pixelAddress(), raw.data(), rowBytes), 0) << depth;
        other.copyPixels(nullptr, 3, 1, 8, 12);
        EXPECT_EQ(other.pixelAddress(), nullptr);
    }
}

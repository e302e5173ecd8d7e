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

TEST(SurfaceEntity, InitSetsLayoutButNoPixels) {
    Surface surface;
    EXPECT_TRUE(surface.init(3, 2, 16, 1));
    EXPECT_EQ(surface.rowBytes, 24u);
    EXPECT_EQ(surface.flag, 1);
    EXPECT_EQ(surface.pixelAddress(), nullptr);
    // Usable but without pixels: quantizing reads nothing and still succeeds.
    EXPECT_TRUE(blackAndWhite(surface));

    // A read-back is copied; without data there are no pixels.
    Bytes readBack = {9, 200, 10, 30, 9, 40, 50, 60, 9, 1, 2, 3, 9, 250, 250, 250};
    surface.copyPixels(readBack.data(), 2, 2, 8, 8);
    readBack.assign(readBack.size(), 0);
    EXPECT_EQ(surface.pixelAddress()[1], 200);
    surface.copyPixels(nullptr, 3, 1, 8, 12);
    EXPECT_EQ(surface.pixelAddress(), nullptr);

    Surface empty;
    empty.init(0, 5, 8, 1);
    EXPECT_TRUE(empty.empty());
    EXPECT_FALSE(blackAndWhite(empty));
}

TEST(SurfaceEntity, AliasSharesTheTextureCopy) {
    auto cpuCopy = std::make_shared<Bytes>(Bytes{7, 200, 200, 200, 7, 20, 20, 20});
    Surface surface;
    surface.init(2, 2, 8, 1);
    surface.alias(cpuCopy, 2, 1, 8, 8);

    // Quantizing the surface changes the texture's copy in place.
    EXPECT_TRUE(blackAndWhite(surface));
    EXPECT_EQ(*cpuCopy, (Bytes{7, 255, 255, 255, 7, 0, 0, 0}));

    // Later writes into the copy show through, even when they move it.
    cpuCopy->assign({1, 2, 3, 4, 5, 6, 7, 8});
    cpuCopy->reserve(4096);
    EXPECT_EQ(surface.pixelAddress()[4], 5);

    // The texture letting go of its copy leaves the surface's view valid.
    std::weak_ptr<Bytes> watch = cpuCopy;
    cpuCopy.reset();
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(surface.pixelAddress()[7], 8);

    // An upload that shrinks the copy below the surface's rows hides it.
    watch.lock()->resize(4);
    EXPECT_EQ(surface.pixelAddress(), nullptr);
    EXPECT_TRUE(blackAndWhite(surface));
}

TEST(SurfaceEntity, QuantizesEveryDepthAndSkipsOthers) {
    // Depth 16: alpha 32768 makes the float round trip and comes back 32767.
    std::uint16_t words[] = {32768, 30000, 30000, 30000, 100, 100, 100, 100};
    Bytes raw(sizeof words);
    std::memcpy(raw.data(), words, sizeof words);
    Surface wide;
    wide.init(2, 1, 16, 1);
    wide.copyPixels(raw.data(), 2, 1, 16, raw.size());
    EXPECT_TRUE(blackAndWhite(wide));
    std::memcpy(words, wide.pixelAddress(), sizeof words);
    EXPECT_EQ(words[0], 32767);
    EXPECT_EQ(words[1], 32767);
    EXPECT_EQ(words[4], 100);
    EXPECT_EQ(words[5], 0);

    // Depth 15 holds 16-bit words that are not host values: left alone.
    Surface other;
    other.init(2, 1, 15, 1);
    other.copyPixels(raw.data(), 2, 1, 15, raw.size());
    EXPECT_TRUE(blackAndWhite(other));
    EXPECT_EQ(std::memcmp(other.pixelAddress(), raw.data(), raw.size()), 0);

    // Rows shorter than their pixels are never walked past.
    Surface narrow;
    narrow.init(2, 1, 8, 1);
    narrow.copyPixels(raw.data(), 2, 1, 8, 4);
    EXPECT_TRUE(blackAndWhite(narrow));
    EXPECT_EQ(std::memcmp(narrow.pixelAddress(), raw.data(), 4), 0);
}

// Host images: depth conversion, downsampling, and the copy and fill that
// back the host's utility callbacks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "HostWorld.h"

namespace {

PF_Pixel8 pixel8(const HostWorld& image, A_long x, A_long y) {
    return static_cast<const PF_Pixel8*>(image.row(y))[x];
}

// A picture where every pixel tells its position: red = x, green = y.
HostWorld positions(A_long width, A_long height) {
    HostWorld image(width, height, 8);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x)
            static_cast<PF_Pixel8*>(image.row(y))[x] = PF_Pixel8{255, A_u_char(x), A_u_char(y), 9};
    return image;
}

TEST(HostWorld, ConvertsDepthsAndDownsamplesAsAHostRendersDraft) {
    HostWorld image = positions(5, 3);
    EXPECT_GT(image.rowBytes(), 5 * 4);  // rows are padded
    const HostWorld copy = image;
    EXPECT_NE(copy.world().data, image.world().data);
    EXPECT_EQ(pixel8(copy, 4, 2).red, 4);

    const HostWorld deep = image.converted(16);
    ASSERT_EQ(deep.depth(), 16);
    const PF_Pixel16 p = static_cast<const PF_Pixel16*>(deep.row(2))[4];
    EXPECT_EQ(p.alpha, 32768);
    EXPECT_EQ(p.red, std::lround(4 * 32768 / 255.0));
    const HostWorld back = deep.converted(32).converted(8);
    for (A_long y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(back.row(y), image.row(y), 5 * 4), 0);

    // Half resolution rounds sizes up and keeps every other pixel.
    const HostWorld half = image.downsampled({1, 2}, {1, 2});
    ASSERT_EQ(half.width(), 3);
    ASSERT_EQ(half.height(), 2);
    EXPECT_EQ(pixel8(half, 1, 1).red, 2);
    EXPECT_EQ(pixel8(half, 1, 1).green, 2);
    EXPECT_EQ(HostWorld::scaled(101, {1, 4}), 26);
    EXPECT_EQ(HostWorld::scaled(101, {1, 1}), 101);
}

TEST(WorldPixels, CopyScalesAndClipsAndFillCoversItsRectangle) {
    const HostWorld source = positions(2, 2);
    HostWorld target(4, 4, 32);
    // Doubled into the target's lower right, one row and column hanging out.
    const PF_Rect to{2, 2, 6, 6};
    WorldPixels::copy(source.pixels(), nullptr, target.pixels(), &to);
    EXPECT_EQ(target.get(1, 1).alpha, 0.0f);
    EXPECT_EQ(target.get(2, 2).red, 0.0f);
    EXPECT_FLOAT_EQ(target.get(3, 3).red, 0.0f);  // still source pixel 0
    EXPECT_FLOAT_EQ(target.get(3, 3).alpha, 1.0f);

    HostWorld same(2, 2, 8);
    WorldPixels::copy(source.pixels(), nullptr, same.pixels(), nullptr);
    EXPECT_EQ(pixel8(same, 1, 1).green, 1);

    const PF_Rect band{0, 1, 4, 2};
    target.pixels().fill(PF_Pixel{255, 255, 0, 0}, &band);
    EXPECT_FLOAT_EQ(target.get(3, 1).red, 1.0f);
    EXPECT_FLOAT_EQ(target.get(3, 2).red, 0.0f);
    target.pixels().fill(PF_Pixel{0, 0, 0, 0}, nullptr);
    EXPECT_EQ(target.get(3, 3).alpha, 0.0f);
}

}  // namespace

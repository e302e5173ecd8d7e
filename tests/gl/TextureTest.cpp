// Textures and render targets on the real Mesa context: what shaders sample
// and what the read-back returns, for host pixels, image files and 16-bit data.
#include <GL/glew.h>

#include <unistd.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "gl/RenderTarget.h"
#include "support/GLTestContext.h"
#include "surfaces/ImageLib/PixelConversion.h"

namespace {

template <typename T>
std::vector<T> readBack(RenderTarget& target) {
    const auto* mapped = reinterpret_cast<const T*>(target.readPixels());
    if (mapped == nullptr)
        return {};
    std::vector<T> values(mapped, mapped + std::size_t{target.width} * target.height * 4);
    RenderTarget::releasePixels();
    return values;
}

// Samples `texture` onto the whole of `target`, texel for pixel, as shaders do.
void drawTexture(Texture& texture, RenderTarget& target) {
    texture.setParameter(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    target.bindAsTarget();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    for (const int corner : {0, 1, 3, 2}) {
        glTexCoord2i(corner & 1, corner >> 1);
        glVertex2i((corner & 1) * 2 - 1, (corner >> 1) * 2 - 1);
    }
    glEnd();
}

// The first value of a texture parameter (of the swizzle: the source of red).
GLint parameter(const Texture& texture, GLenum name) {
    GLint values[4] = {};
    glBindTexture(GL_TEXTURE_2D, texture.texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, values);
    return values[0];
}

std::string temporary(const char* file) {
    return ::testing::TempDir() + file;
}

class TextureTest : public ::testing::Test {
protected:
    GLTestContext gl;
    RenderTarget target;
};

TEST_F(TextureTest, ImageFilesSampleInHostOrder) {
    // Without a package, image files are read by name from the current
    // folder, the effect's.
    ASSERT_EQ(::chdir(::testing::TempDir().c_str()), 0);
    const std::uint8_t rgba[] = {255, 0, 0, 255, 0, 255, 0, 128, 10, 20, 30, 40, 50, 60, 70, 0};
    ASSERT_TRUE(stbi_write_png(temporary("colours.png").c_str(), 2, 2, 4, rgba, 8));
    Texture image;
    ASSERT_TRUE(image.loadImage("colours.png"));
    EXPECT_EQ(image.rowBytes, 8u);
    EXPECT_EQ(parameter(image, GL_TEXTURE_SWIZZLE_RGBA), GL_ALPHA);
    // Alpha first and the file's first row at the bottom, as host data comes.
    ASSERT_TRUE(target.initTarget(2, 2, 8));
    drawTexture(image, target);
    EXPECT_EQ(
        readBack<std::uint8_t>(target),
        (std::vector<std::uint8_t>{255, 255, 0, 0, 128, 0, 255, 0, 40, 10, 20, 30, 0, 50, 60, 70}));

    // Radiance HDR (values RGBE holds exactly, no alpha) loads as float.
    const float rgb[] = {2.0f, 0.5f, 0.25f, 0.0f, 1.0f, 0.125f};
    ASSERT_TRUE(stbi_write_hdr(temporary("light.hdr").c_str(), 2, 1, 3, rgb));
    ASSERT_TRUE(image.loadImage("light.hdr"));
    ASSERT_TRUE(target.initTarget(2, 1, image.depth));
    drawTexture(image, target);
    EXPECT_EQ(readBack<float>(target), (std::vector<float>{1, 2, 0.5f, 0.25f, 1, 0, 1, 0.125f}));

    Texture missing;
    EXPECT_FALSE(missing.loadImage("absent.png"));
    EXPECT_EQ(missing.texture, 0u);
}

TEST_F(TextureTest, ReinitialisedTargetsAreClearAndUploadsResetParameters) {
    ASSERT_TRUE(target.initTarget(640, 360, 8));
    target.bindAsTarget({10, 20, 0, 50});  // no width: the whole target
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // The frame path re-specifies the target every draw, undoing the script's
    // parameters.
    target.setParameter(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    target.setParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    target.upload(nullptr, 640, 360, 8, 2560, true, false);
    EXPECT_EQ(parameter(target, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(target, GL_TEXTURE_WRAP_T), GL_REPEAT);

    ASSERT_TRUE(target.initTarget(1920, 1080, 8));
    const std::vector<std::uint8_t> pixels = readBack<std::uint8_t>(target);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 1920 * 1080 * 4);

    // Re-initialised as a plain texture, the target drops its framebuffer.
    EXPECT_TRUE(target.init(8, 8, 8, true));
    EXPECT_EQ(target.framebuffer, 0u);
    EXPECT_EQ(target.readPixels(), nullptr);

    // Read in bands, a target taller than one band gives the same rows.
    ASSERT_TRUE(target.initTarget(1500, 90, 16));
    target.bindAsTarget();
    glClearColor(0.3f, 0.6f, 0.9f, 1.0f);
    glScissor(0, 40, 1500, 5);
    glEnable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    std::vector<std::uint8_t> banded(std::size_t{1500} * 90 * 16);
    EXPECT_TRUE(target.readBands([&](const std::uint8_t* rows, std::uint32_t first,
                                     std::uint32_t count) {
        std::memcpy(&banded[first * std::size_t{1500} * 16], rows, count * std::size_t{1500} * 16);
    }));
    const auto* whole = target.readPixels(true);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::memcmp(banded.data(), whole, banded.size()), 0);
    RenderTarget::releasePixels();

    // Below 8 bits there is no pixel size: nothing is specified or read.
    // (What each depth reads back is checked by the tests that draw at it.)
    ASSERT_TRUE(target.initTarget(4, 4, 0));
    const std::uint16_t words[] = {65535, 32768, 16384, 0};
    target.upload(words, 2, 1, 4, 16, true, true);
    EXPECT_EQ(target.readPixels(), nullptr);
    EXPECT_FALSE(target.readBands([](const std::uint8_t*, std::uint32_t, std::uint32_t) {}));
}

// Host 16-bit values are turned into floats on the CPU: exactly the floats
// the driver makes of the mapped values, and the CPU copy, read back from the
// texture when asked for, holds the mapped values with the host's row stride.
TEST_F(TextureTest, SixteenBitUploadsHoldTheDriversFloats) {
    // Every 16-bit value once, in rows of 64 pixels that lie 68 apart.
    std::vector<std::uint16_t> host(256 * 68 * 4), mapped(65536);
    for (std::size_t i = 0; i < mapped.size(); ++i) {
        host[i / 256 * 272 + i % 256] = static_cast<std::uint16_t>(i);
        mapped[i] = ImageLib::hostToGpu16(static_cast<std::uint16_t>(i));
    }
    Texture ours, drivers;
    ASSERT_TRUE(ours.init(64, 256, 16, true));
    ASSERT_TRUE(drivers.init(64, 256, 16, true));
    ours.upload(host.data(), 64, 256, 16, 68 * 8, true, true);
    drivers.upload(mapped.data(), 64, 256, 16, 64 * 8, true, false);
    const auto floats = [](Texture& texture) {
        std::vector<float> values(65536);
        glBindTexture(GL_TEXTURE_2D, texture.texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, values.data());
        return values;
    };
    const std::vector<float> expected = floats(drivers), actual = floats(ours);
    ASSERT_EQ(std::memcmp(expected.data(), actual.data(), 65536 * sizeof(float)), 0);

    const auto copy = ours.cpuCopy();
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->size(), std::size_t{256} * 68 * 8);
    for (std::size_t row = 0; row < 256; ++row)
        ASSERT_EQ(std::memcmp(copy->data() + row * 68 * 8, &mapped[row * 256], 64 * 8), 0) << row;
}

}  // namespace

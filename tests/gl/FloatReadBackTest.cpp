// 16-bit frames are read back as the floats their targets hold and converted
// on the CPU; on the real Mesa context that must give exactly what reading
// them as 16-bit values and mapping those onto the host's range gave.
#include <GL/glew.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "gl/RenderTarget.h"
#include "support/GLTestContext.h"
#include "surfaces/ImageLib/PixelConversion.h"

namespace {

// The first `count` values the target reads back as.
template <typename T>
std::vector<T> readBack(RenderTarget& target, bool sixteenAsFloat, std::size_t count) {
    const auto* mapped = reinterpret_cast<const T*>(target.readPixels(sixteenAsFloat));
    std::vector<T> values(mapped, mapped + (mapped ? count : 0));
    RenderTarget::releasePixels();
    return values;
}

TEST(FloatReadBack, MatchesTheDriversSixteenBitConversion) {
    GLTestContext gl;
    // Every 16-bit step with the floats just around it and halfway to the
    // next, then values outside 0..1 and NaN.
    std::vector<float> values;
    for (int g = 0; g <= 65535; ++g) {
        const float f = g / 65535.0f;
        values.insert(values.end(), {f, std::nextafter(f, -1.0f), std::nextafter(f, 2.0f),
                                     (g + 0.5f) / 65535.0f});
    }
    values.insert(values.end(), {-1.0f, 2.0f, -0.0f, std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()});
    values.resize((values.size() + 1023) / 1024 * 1024, 0.25f);
    const auto height = static_cast<std::uint32_t>(values.size() / 1024);

    RenderTarget target;
    ASSERT_TRUE(target.initTarget(256, height, 16));
    glBindTexture(GL_TEXTURE_2D, target.texture);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, static_cast<GLsizei>(height), GL_RGBA, GL_FLOAT,
                    values.data());

    const std::vector<std::uint16_t> words = readBack<std::uint16_t>(target, false, values.size());
    const std::vector<float> floats = readBack<float>(target, true, values.size());
    ASSERT_EQ(words.size(), values.size());
    ASSERT_EQ(floats.size(), values.size());
    std::vector<std::uint16_t> converted(values.size());
    ImageLib::gpuFloatToHost16(floats.data(), converted.data(), floats.size());
    // The streaming form, from a destination off its 16-byte boundary.
    std::vector<std::uint16_t> streamed(values.size() + 1);
    ImageLib::gpuFloatToHost16Streaming(floats.data(), streamed.data() + 1, floats.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(streamed[i + 1], converted[i]) << "value " << values[i];
        ASSERT_EQ(converted[i], ImageLib::gpuToHost16(words[i])) << "value " << values[i];
        ASSERT_EQ(converted[i], ImageLib::gpuFloatToHost16(floats[i])) << "value " << values[i];
    }
}

}  // namespace

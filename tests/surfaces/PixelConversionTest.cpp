#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/ScalarArithmetic.h"
#include "surfaces/ImageLib/StreamingCopy.h"
#include "surfaces/ImageLib/VectorArithmetic.h"

using namespace ImageLib;

namespace {

using Scalar = ScalarArithmetic;
using Vector = VectorArithmetic;

template <class P>
bool sameBits(const P& a, const P& b) {
    return std::memcmp(&a, &b, sizeof(P)) == 0;
}

// Equal bits, except that any two NaNs match: which NaN an operation on two
// NaNs yields depends on operand order, which compilers may swap.
bool sameFloats(const Pixel32& a, const Pixel32& b) {
    const float x[] = {a.alpha, a.red, a.green, a.blue};
    const float y[] = {b.alpha, b.red, b.green, b.blue};
    for (int i = 0; i < 4; ++i) {
        if (std::memcmp(&x[i], &y[i], sizeof(float)) != 0 &&
            !(std::isnan(x[i]) && std::isnan(y[i]))) {
            return false;
        }
    }
    return true;
}

Pixel32 fromVector(Vector::Value value) {
    Pixel32 pixel;
    Vector::store(pixel, value);
    return pixel;
}

// Ordinary and hostile channel values: halfway cases of both scales,
// saturation limits, signed zeros, NaN, infinities.
std::vector<float> testFloats() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values = {0.0f,  -0.0f, 0.5f,   1.0f,          -1.0f, 1.0f / 255.0f, 2.0f,
                                 -2.0f, 1e10f, -1e10f, std::nanf(""), inf,   -inf};
    for (int k = -600; k < 600; ++k) {
        values.push_back((k + 0.5f) / 255.0f);
        values.push_back(k / 32768.0f);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<float> range(-1.5f, 2.5f);
    for (int i = 0; i < 4000; ++i) values.push_back(range(random));
    return values;
}

}  // namespace

TEST(PixelConversion, BytesToFloatAndBack) {
    EXPECT_EQ(byteToFloat(255), 1.0f);
    EXPECT_EQ(byteToFloat(0), 0.0f);
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_NEAR(byteToFloat(byte), b / 255.0f, 6e-8f);
        EXPECT_EQ(floatToByte(byteToFloat(byte)), byte);
        const Pixel8 pixel{byte, static_cast<std::uint8_t>(255 - b), byte, 0};
        EXPECT_TRUE(sameBits(fromVector(Vector::load(pixel)), toLinearFloat(pixel))) << b;
    }
}

TEST(PixelConversion, FloatToBytesAndWords) {
    EXPECT_EQ(floatToByte(0.5f), 128);  // 127.5 rounds to the even 128
    EXPECT_EQ(floatToByte(-0.3f), 0);
    EXPECT_EQ(floatToByte(7.0f), 255);
    EXPECT_EQ(floatToByte(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(hostWordToFloat(32768), 1.0f);
    EXPECT_EQ(floatToHostWord(1.0f), 32767);
    EXPECT_EQ(floatToHostWord(0.99999f), 32767);
    EXPECT_EQ(floatToHostWord(0.5f), 16384);
    EXPECT_EQ(floatToHostWord(-0.5f), 0xC000);  // two's complement of -16384
    EXPECT_EQ(floatToHostWord(-3.0f), 0x8000);
    const Pixel32 grey = toLuminance({0.25f, 1.0f, 0.5f, 0.0f});
    EXPECT_EQ(grey.alpha, 0.25f);
    EXPECT_FLOAT_EQ(grey.blue, 0.2126f + 0.7152f * 0.5f);

    const std::vector<float> values = testFloats();
    for (std::size_t i = 0; i + 4 <= values.size(); ++i) {
        const Pixel32 pixel{values[i], values[i + 1], values[i + 2], values[i + 3]};
        Pixel8 bytes;
        Pixel15 words;
        Vector::store(bytes, Vector::load(pixel));
        Vector::store(words, Vector::load(pixel));
        ASSERT_TRUE(sameBits(bytes, toPixel8(pixel))) << values[i];
        ASSERT_TRUE(sameBits(words, toPixel15(pixel))) << values[i];
        ASSERT_TRUE(
            sameFloats(fromVector(Vector::luminance(Vector::load(pixel))), toLuminance(pixel)))
            << values[i];
    }
    for (int w = 0; w < 65536; ++w) {
        const Pixel15 pixel{static_cast<std::uint16_t>(w), 0, 32768, 65535};
        ASSERT_TRUE(sameBits(fromVector(Vector::load(pixel)), toLinearFloat(pixel))) << w;
    }
}

TEST(PixelConversion, SixteenBitRangeMapping) {
    EXPECT_EQ(hostToGpu16(std::uint16_t{0}), 0);
    EXPECT_EQ(hostToGpu16(std::uint16_t{1}), 2);
    EXPECT_EQ(hostToGpu16(std::uint16_t{16384}), 32768);
    EXPECT_EQ(hostToGpu16(std::uint16_t{16385}), 32768);
    EXPECT_EQ(hostToGpu16(std::uint16_t{32768}), 65534);
    EXPECT_EQ(gpuToHost16(std::uint16_t{65534}), 32768);
    EXPECT_EQ(gpuToHost16(std::uint16_t{65535}), 32768);
    EXPECT_EQ(gpuToHost16(std::uint16_t{32768}), 16384);
    for (int v = 0; v <= 32768; ++v) {
        const auto value = static_cast<std::uint16_t>(v);
        EXPECT_EQ(gpuToHost16(hostToGpu16(value)), v == 16385 ? 16384 : v);
    }

    // The buffer forms against the single-value rule for every 16-bit value,
    // with an odd count so that the vector loop leaves a tail.
    std::vector<std::uint16_t> all(65536 + 5);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint16_t>(i);
    std::vector<std::uint16_t> up(all.size());
    std::vector<std::uint16_t> down(all.size());
    std::vector<float> floats(all.size());
    hostToGpu16(all.data(), up.data(), all.size());
    gpuToHost16(all.data(), down.data(), all.size());
    hostToGpuFloat(all.data(), floats.data(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(up[i], hostToGpu16(all[i])) << i;
        ASSERT_EQ(down[i], gpuToHost16(all[i])) << i;
        ASSERT_EQ(floats[i], hostToGpuFloat(all[i])) << i;
    }
    hostToGpu16(all.data(), all.data(), all.size());  // in place
    EXPECT_EQ(all, up);
}

TEST(PixelConversion, StreamingCopyGivesMemcpysBytes) {
    std::vector<std::uint8_t> source(1100), expected(1100), actual(1100);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // Every alignment of the destination, with sizes around the 64-byte step.
    for (std::size_t offset = 0; offset < 17; ++offset) {
        for (const std::size_t bytes : {0, 15, 63, 64, 65, 79, 200, 1000}) {
            std::fill(expected.begin(), expected.end(), 0);
            std::fill(actual.begin(), actual.end(), 0);
            std::memcpy(&expected[offset], &source[3], bytes);
            streamingCopy(&actual[offset], &source[3], bytes);
            ASSERT_EQ(actual, expected) << offset << " " << bytes;
        }
    }
}

#include "surfaces/ImageLib/PixelConversion.h"

#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QS_SURFACES_SSE2 1
#endif

namespace ImageLib {

namespace {

constexpr std::int32_t kIndefinite = std::numeric_limits<std::int32_t>::min();

// Float to 32-bit integer as the vector conversion does it: the current
// rounding mode (nearest, ties to even), and the "indefinite" -2^31 for NaN and
// for values outside the 32-bit range.
std::int32_t roundToInt32(float value) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) {
        return kIndefinite;
    }
    return static_cast<std::int32_t>(std::nearbyint(value));
}

std::int32_t truncateToInt32(float value) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f)) {
        return kIndefinite;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t saturateToInt16(std::int32_t value) {
    return value < -32768 ? -32768 : (value > 32767 ? 32767 : value);
}

#ifdef QS_SURFACES_SSE2
// SSE2 compares only signed words; flipping the top bit turns an unsigned
// comparison into a signed one.
__m128i unsignedGreaterThan(__m128i words, std::uint16_t limit) {
    const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
    return _mm_cmpgt_epi16(_mm_xor_si128(words, bias),
                           _mm_set1_epi16(static_cast<short>(limit ^ 0x8000)));
}

// Eight words at a time; returns how many were converted.
std::size_t hostToGpu16Vector(const std::uint16_t* source, std::uint16_t* destination,
                              std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        // 2v, minus 2 (the mask is -1) where v > 16384.
        const __m128i minusOne = unsignedGreaterThan(v, 16384);
        const __m128i result = _mm_add_epi16(_mm_slli_epi16(v, 1), _mm_slli_epi16(minusOne, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), result);
    }
    return i;
}

std::size_t gpuToHost16Vector(const std::uint16_t* source, std::uint16_t* destination,
                              std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        // g >> 1, plus one (minus the mask of -1) where g > 32768.
        const __m128i result = _mm_sub_epi16(_mm_srli_epi16(g, 1), unsignedGreaterThan(g, 32768));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), result);
    }
    return i;
}

std::size_t hostToGpuFloatVector(const std::uint16_t* source, float* destination,
                                 std::size_t count) {
    const __m128 scale = _mm_set1_ps(1.0f / 65535.0f);
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i minusOne = unsignedGreaterThan(v, 16384);
        const __m128i g = _mm_add_epi16(_mm_slli_epi16(v, 1), _mm_slli_epi16(minusOne, 1));
        // Every word is exact as a float, so only the product rounds.
        _mm_storeu_ps(destination + i,
                      _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(g, zero)), scale));
        _mm_storeu_ps(destination + i + 4,
                      _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(g, zero)), scale));
    }
    return i;
}

// With Stream, `destination` is 16-byte aligned and written around the caches.
template <bool Stream = false>
std::size_t gpuFloatToHost16Vector(const float* source, std::uint16_t* destination,
                                   std::size_t count) {
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 scale = _mm_set1_ps(65535.0f);
    const __m128i middle = _mm_set1_epi32(32768);
    const auto gpuWords = [&](const float* four) {
        // max(x, 0) gives 0 for NaN, its second operand.
        const __m128 unit = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(four), _mm_setzero_ps()), one);
        // 0..65535 less 32768 fits the signed pack.
        return _mm_sub_epi32(_mm_cvtps_epi32(_mm_mul_ps(unit, scale)), middle);
    };
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i g =
            _mm_xor_si128(_mm_packs_epi32(gpuWords(source + i), gpuWords(source + i + 4)),
                          _mm_set1_epi16(static_cast<short>(0x8000)));
        const __m128i result = _mm_sub_epi16(_mm_srli_epi16(g, 1), unsignedGreaterThan(g, 32768));
        if (Stream)
            _mm_stream_si128(reinterpret_cast<__m128i*>(destination + i), result);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), result);
    }
    return i;
}

// The leading values up to the first 16-byte boundary one by one, then the
// vector loop with streaming stores; returns how many were converted.
std::size_t gpuFloatToHost16StreamingVector(const float* source, std::uint16_t* destination,
                                            std::size_t count) {
    // An odd address never reaches a boundary.
    if (reinterpret_cast<std::uintptr_t>(destination) % 2 != 0)
        return 0;
    std::size_t i = 0;
    for (; i < count && reinterpret_cast<std::uintptr_t>(destination + i) % 16 != 0; ++i) {
        destination[i] = gpuFloatToHost16(source[i]);
    }
    i += gpuFloatToHost16Vector<true>(source + i, destination + i, count - i);
    // Streaming stores are weakly ordered: fenced before anyone reads.
    _mm_sfence();
    return i;
}
#else
std::size_t gpuFloatToHost16StreamingVector(const float*, std::uint16_t*, std::size_t) {
    return 0;
}
std::size_t hostToGpuFloatVector(const std::uint16_t*, float*, std::size_t) {
    return 0;
}
std::size_t gpuFloatToHost16Vector(const float*, std::uint16_t*, std::size_t) {
    return 0;
}
std::size_t hostToGpu16Vector(const std::uint16_t*, std::uint16_t*, std::size_t) {
    return 0;
}
std::size_t gpuToHost16Vector(const std::uint16_t*, std::uint16_t*, std::size_t) {
    return 0;
}
#endif

}  // namespace

float byteToFloat(std::uint8_t byte) {
    const std::uint32_t bits = 0x47000000u | byte;
    float biased;
    std::memcpy(&biased, &bits, sizeof biased);
    return (biased - 32768.0f) * kByteToUnitScale;
}

float hostWordToFloat(std::uint16_t word) {
    return static_cast<float>(word) * (1.0f / 32768.0f);
}

std::uint8_t floatToByte(float value) {
    const std::int32_t word = saturateToInt16(roundToInt32(value * 255.0f));
    return static_cast<std::uint8_t>(word < 0 ? 0 : (word > 255 ? 255 : word));
}

std::uint16_t floatToHostWord(float value) {
    return static_cast<std::uint16_t>(saturateToInt16(truncateToInt32(value * 32768.0f)));
}

Pixel32 toLinearFloat(const Pixel8& pixel) {
    return {byteToFloat(pixel.alpha), byteToFloat(pixel.red), byteToFloat(pixel.green),
            byteToFloat(pixel.blue)};
}

Pixel32 toLinearFloat(const Pixel15& pixel) {
    return {hostWordToFloat(pixel.alpha), hostWordToFloat(pixel.red), hostWordToFloat(pixel.green),
            hostWordToFloat(pixel.blue)};
}

Pixel8 toPixel8(const Pixel32& pixel) {
    return {floatToByte(pixel.alpha), floatToByte(pixel.red), floatToByte(pixel.green),
            floatToByte(pixel.blue)};
}

Pixel15 toPixel15(const Pixel32& pixel) {
    return {floatToHostWord(pixel.alpha), floatToHostWord(pixel.red), floatToHostWord(pixel.green),
            floatToHostWord(pixel.blue)};
}

Pixel32 toLuminance(const Pixel32& pixel) {
    const float y = (pixel.alpha * 0.0f + pixel.red * kLumaRed) +
                    (pixel.green * kLumaGreen + pixel.blue * kLumaBlue);
    return {pixel.alpha, y, y, y};
}

std::uint16_t hostToGpu16(std::uint16_t value) {
    return static_cast<std::uint16_t>(value <= 16384 ? 2 * value : 2 * (value - 1));
}

std::uint16_t gpuToHost16(std::uint16_t value) {
    return static_cast<std::uint16_t>(value > 32768 ? (value >> 1) + 1 : value >> 1);
}

void hostToGpu16(const std::uint16_t* source, std::uint16_t* destination, std::size_t count) {
    std::size_t i = hostToGpu16Vector(source, destination, count);
    for (; i < count; ++i) {
        destination[i] = hostToGpu16(source[i]);
    }
}

float hostToGpuFloat(std::uint16_t value) {
    return static_cast<float>(hostToGpu16(value)) * (1.0f / 65535.0f);
}

void hostToGpuFloat(const std::uint16_t* source, float* destination, std::size_t count) {
    std::size_t i = hostToGpuFloatVector(source, destination, count);
    for (; i < count; ++i) {
        destination[i] = hostToGpuFloat(source[i]);
    }
}

std::uint16_t gpuFloatToHost16(float value) {
    const float unit = value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
    return gpuToHost16(static_cast<std::uint16_t>(std::nearbyint(unit * 65535.0f)));
}

void gpuFloatToHost16(const float* source, std::uint16_t* destination, std::size_t count) {
    std::size_t i = gpuFloatToHost16Vector(source, destination, count);
    for (; i < count; ++i) {
        destination[i] = gpuFloatToHost16(source[i]);
    }
}

void gpuFloatToHost16Streaming(const float* source, std::uint16_t* destination, std::size_t count) {
    const std::size_t i = gpuFloatToHost16StreamingVector(source, destination, count);
    gpuFloatToHost16(source + i, destination + i, count - i);
}

void gpuToHost16(const std::uint16_t* source, std::uint16_t* destination, std::size_t count) {
    std::size_t i = gpuToHost16Vector(source, destination, count);
    for (; i < count; ++i) {
        destination[i] = gpuToHost16(source[i]);
    }
}

}  // namespace ImageLib

#pragma once
// Channel conversions between 8-bit, 16-bit and float pixels, one pixel at a
// time. These are the reference definitions: the vector code in
// VectorArithmetic.h must produce the same bits for every input.

#include <cstddef>
#include <cstdint>

#include "surfaces/ImageLib/Pixels.h"

namespace ImageLib {

// The float nearest to 256/255: a byte divided by 256 and scaled by it gives
// byte/255 to float precision.
constexpr float kByteToUnitScale = 1.0039216f;

// Luminance weights of red, green and blue.
constexpr float kLumaRed = 0.2126f;
constexpr float kLumaGreen = 0.7152f;
constexpr float kLumaBlue = 0.0722f;

// A byte through the float whose upper half is 0x4700 (32768 + byte/256),
// minus 32768, times kByteToUnitScale.
float byteToFloat(std::uint8_t byte);
// A host 16-bit value divided by 32768.
float hostWordToFloat(std::uint16_t word);
// Times 255, rounded to nearest with ties to even, saturated to -32768..32767
// and then to 0..255. NaN and values beyond the 32-bit range count as -2^31.
std::uint8_t floatToByte(float value);
// Times 32768, truncated, saturated to -32768..32767, low 16 bits kept: 1.0
// becomes 32767 and negative values keep their two's-complement pattern.
std::uint16_t floatToHostWord(float value);

Pixel32 toLinearFloat(const Pixel8& pixel);
Pixel32 toLinearFloat(const Pixel15& pixel);
Pixel8 toPixel8(const Pixel32& pixel);
Pixel15 toPixel15(const Pixel32& pixel);

// (A, Y, Y, Y) with Y the dot product of the pixel with (0, 0.2126, 0.7152,
// 0.0722), summed as (A·0 + R·0.2126) + (G·0.7152 + B·0.0722).
Pixel32 toLuminance(const Pixel32& pixel);

// Host 16-bit range (0..32768) onto the GPU's (0..65534): 2v up to 16384,
// 2(v - 1) above, kept in 16 bits.
std::uint16_t hostToGpu16(std::uint16_t value);
// Back from the GPU's range: g >> 1, plus one when g > 32768.
std::uint16_t gpuToHost16(std::uint16_t value);
// A host 16-bit value as the float a 16-bit texture holds for it: hostToGpu16's
// value times the float nearest 1/65535, which is how the driver turns 16-bit
// values into floats.
float hostToGpuFloat(std::uint16_t value);

// A float of a 16-bit target as reading it as a GPU 16-bit value would give
// it (clamped to 0..1 with NaN as 0, times 65535, rounded to nearest with ties
// to even), then onto the host's range as gpuToHost16 does.
std::uint16_t gpuFloatToHost16(float value);

// Whole buffers of 16-bit channel values; source and destination may be the
// same buffer.
void hostToGpu16(const std::uint16_t* source, std::uint16_t* destination, std::size_t count);
void gpuToHost16(const std::uint16_t* source, std::uint16_t* destination, std::size_t count);
void gpuFloatToHost16(const float* source, std::uint16_t* destination, std::size_t count);
void hostToGpuFloat(const std::uint16_t* source, float* destination, std::size_t count);
// gpuFloatToHost16 for values nobody reads again soon, such as a frame going
// back to the host: the destination is written around the caches. Source and
// destination must not overlap.
void gpuFloatToHost16Streaming(const float* source, std::uint16_t* destination, std::size_t count);

}  // namespace ImageLib

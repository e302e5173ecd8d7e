#pragma once
// Reaching the pixels of a host image and telling its depth.

#include <cstdint>

#include "HostInterface.h"

struct HostPixels {
    void* data = nullptr;
    std::uint32_t depth = 0;  // bits per channel: 8, 16 or 32 (float)
};

// Asks the float getter, then the 16-bit, then the 8-bit one; the getter that
// answers gives the depth. No pixels when none answers.
HostPixels hostPixelsOf(const PF_PixelDataSuite1& suite, PF_EffectWorld& world);

// The same through the host's "PF Pixel Data Suite"; aborts the command with
// A_Err_MISSING_SUITE when the host does not offer it.
HostPixels hostPixelsThroughSuite(const PF_InData* in_data, PF_EffectWorld& world);

// Bits per channel of a host pixel format code; 0 for a code not recognised.
std::uint32_t depthOfPixelFormat(std::uint32_t format);

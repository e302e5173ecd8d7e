#pragma once
// The effect's version as the configuration document states it, packed into
// 32 bits from the least significant bit upwards.

#include <cstdint>

struct EffectVersion {
    std::uint32_t major : 6;
    std::uint32_t minor : 8;
    std::uint32_t build : 16;
    std::uint32_t stage : 2;
};
static_assert(sizeof(EffectVersion) == 4, "EffectVersion is one 32-bit word");

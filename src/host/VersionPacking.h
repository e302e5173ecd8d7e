#pragma once
// The host's packed version number of an effect version. The host's packing has
// a patch field as well, which this engine always leaves 0; only the low 4
// bits of the minor number and the low 9 bits of the build reach the host.

#include <cstdint>

#include "package/EffectVersion.h"

inline std::uint32_t packHostVersion(const EffectVersion& v) {
    const std::uint32_t major = v.major, minor = v.minor, build = v.build, stage = v.stage;
    return ((major >> 3) & 7) << 26 | (major & 7) << 19 | (minor & 15) << 15 | (stage & 3) << 9 |
           (build & 511);
}

// The output flags that global set-up always adds to the configured ones:
// keep resource open, non-parameter vary, custom interface, send interface updates.
constexpr std::uint32_t kAlwaysOutFlags = 0x04008005u;

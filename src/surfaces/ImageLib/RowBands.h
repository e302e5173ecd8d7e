#pragma once
// Runs work on bands of rows at once, one thread a band, for per-pixel work
// whose result does not depend on which thread does a row.

#include <cstdint>
#include <functional>

namespace ImageLib {

// Below this many pixels a picture is one band: starting threads, and the
// searches each band builds for itself, would cost more than they save.
constexpr std::uint64_t kMinPixelsForBands = 1u << 18;

// Calls band(first, end) for rows first .. end - 1, covering 0 .. height - 1
// in contiguous bands, one on the calling thread and the others on threads of
// their own, at most one a processor. Returns when all are done; an exception
// from a band is rethrown here.
void forEachRowBand(std::uint32_t width, std::uint32_t height,
                    const std::function<void(std::uint32_t, std::uint32_t)>& band);

}  // namespace ImageLib

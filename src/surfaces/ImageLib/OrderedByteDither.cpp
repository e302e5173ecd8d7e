#include "surfaces/ImageLib/OrderedByteDither.h"

#if defined(__SSE2__) || defined(_M_X64)

#include <cmath>
#include <cstdint>
#include <vector>

#include "surfaces/ImageLib/VectorArithmetic.h"

namespace ImageLib {

namespace {

using V = VectorArithmetic;

constexpr int kAxis = ColourSearch::kCubesPerAxis;
// A byte whose value falls outside the finest grid; any sum holding it is
// at least this, while every cube inside is below kAxis³.
constexpr std::uint16_t kOutside = 0xFFFF;
// Per matrix cell: the alpha axis of every alpha byte, then the red, green
// and blue bytes' shares of the cube's place in its slab.
constexpr std::uint32_t kCellEntries = 4 * 256;

// The tables of every matrix cell, from the values the general loop makes:
// the byte's value plus scale times the cell, floored onto the grid.
std::vector<std::uint16_t> cubeTables(const Surface<Pixel32>& matrix, __m128 factor) {
    constexpr std::uint32_t strides[4] = {1, kAxis * kAxis, kAxis, 1};
    std::vector<std::uint16_t> tables(std::size_t{matrix.width} * matrix.height * kCellEntries);
    std::uint16_t* entry = tables.data();
    for (std::uint32_t my = 0; my < matrix.height; ++my) {
        for (std::uint32_t mx = 0; mx < matrix.width; ++mx) {
            const __m128 offset = V::multiply(factor, V::load(matrix.row(my)[mx]));
            alignas(16) float lanes[256][4];
            for (std::uint32_t b = 0; b < 256; ++b) {
                const auto byte = static_cast<std::uint8_t>(b);
                _mm_store_ps(lanes[b], V::add(V::load(Pixel8{byte, byte, byte, byte}), offset));
            }
            for (int c = 0; c < 4; ++c) {
                for (std::uint32_t b = 0; b < 256; ++b) {
                    const float scaled = lanes[b][c] * ColourSearch::kFineCubesPerUnit;
                    const float first = ColourSearch::kFineFirstCube;
                    // NaN fails both tests and counts as outside.
                    *entry++ = scaled >= first && scaled < first + kAxis
                                   ? static_cast<std::uint16_t>(
                                         static_cast<std::uint32_t>(std::floor(scaled) - first) *
                                         strides[c])
                                   : kOutside;
                }
            }
        }
    }
    return tables;
}

}  // namespace

void ditherOrderedBytes(Surface<Pixel8>& surface, const Surface<Pixel32>& matrix, float scale,
                        const Palette& palette, ColourSearch& search) {
    const __m128 factor = V::splat(scale);
    const std::vector<std::uint16_t> tables = cubeTables(matrix, factor);
    // Each colour as the general loop writes it: through float to bytes.
    Pixel8 colours[Palette::kCapacity];
    for (std::uint32_t i = 0; i < Palette::kCapacity; ++i) {
        V::store(colours[i], V::load(palette.colours[i]));
    }
    const std::uint32_t columnMask = matrix.width - 1;
    for (std::uint32_t y = 0; y < surface.height; ++y) {
        Pixel8* row = surface.row(y);
        const std::uint32_t my = y & (matrix.height - 1);
        const Pixel32* offsets = matrix.row(my);
        const std::uint16_t* rowTables = &tables[std::size_t{my} * matrix.width * kCellEntries];
        for (std::uint32_t x = 0; x < surface.width; ++x) {
            const std::uint16_t* cell = rowTables + (x & columnMask) * kCellEntries;
            Pixel8& pixel = row[x];
            const std::uint32_t alpha = cell[pixel.alpha];
            const std::uint32_t rgb =
                cell[256 + pixel.red] + cell[512 + pixel.green] + cell[768 + pixel.blue];
            const auto value = [&] {
                return V::add(V::load(pixel),
                              V::multiply(factor, V::load(offsets[x & columnMask])));
            };
            const std::uint32_t index = alpha < kAxis && rgb < kAxis * kAxis * kAxis
                                            ? search.nearestAt(alpha, rgb, value)
                                            : search.nearest(value());
            const std::uint8_t alphaByte = pixel.alpha;
            pixel = colours[index];
            pixel.alpha = alphaByte;
        }
    }
}

}  // namespace ImageLib

#endif

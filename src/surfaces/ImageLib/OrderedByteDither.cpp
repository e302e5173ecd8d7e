#include "surfaces/ImageLib/OrderedByteDither.h"

#if defined(__SSE2__) || defined(_M_X64)

#include <cmath>
#include <cstdint>
#include <cstring>
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

// One row of the surface and what its passes share.
struct Row {
    const Pixel8* pixels;  // as they came
    std::uint32_t width;
    const std::uint16_t* tables;   // of the matrix row's cells
    std::uint32_t columnMask;      // the matrix width less one
    const std::uint32_t* colours;  // palette colours as words with alpha zero
    std::uint32_t alphaMask;       // the alpha byte of a word
    std::uint32_t* words;          // the dithered row

    std::uint32_t word(std::uint32_t x) const {
        std::uint32_t word;
        std::memcpy(&word, &pixels[x], sizeof word);
        return word;
    }

    // The pixel's cube: alpha axis and red-green-blue place, both below
    // kAxis and kAxis³ when inside the grid, which the result tells.
    bool cubeAt(std::uint32_t x, std::uint32_t& alpha, std::uint32_t& rgb) const {
        const std::uint16_t* cell = tables + (x & columnMask) * kCellEntries;
        const std::uint32_t bytes = word(x);
        alpha = cell[bytes & 0xFF];
        rgb = cell[256 + (bytes >> 8 & 0xFF)] + cell[512 + (bytes >> 16 & 0xFF)] +
              cell[768 + (bytes >> 24)];
        return (alpha | rgb / (kAxis * kAxis)) < kAxis;
    }
};

// The first pass: writes every pixel's colour as if its cube named a single
// one and notes in `pending` the pixels whose cube does not; returns how
// many. It decides without branching on the cube's kind, which mispredicts
// on photographs, and calls nothing, so that the loop's state stays in
// registers. It goes through the row a matrix column at a time, whose tables
// then stay put; the order in which pixels are searched later does not
// change their colours.
__attribute__((noinline)) std::uint32_t resolveRow(const Row row, const ColourSearch& search,
                                                   std::uint32_t* pending) {
    static_assert(ColourSearch::kUnresolved >> 31 == 1 && Palette::kCapacity <= 1u << 31,
                  "the top bit tells the unresolved from colours");
    std::uint32_t count = 0;
    for (std::uint32_t x = 0; x < row.width; ++x) {
        const std::uint32_t word = row.word(x);
        std::uint32_t alpha, rgb;
        const std::uint32_t index =
            row.cubeAt(x, alpha, rgb) ? search.resolvedAt(alpha, rgb) : ColourSearch::kUnresolved;
        row.words[x] = row.colours[index % Palette::kCapacity] | (word & row.alphaMask);
        pending[count] = x;
        count += index >> 31;
    }
    return count;
}

}  // namespace

void ditherOrderedBytes(Surface<Pixel8>& surface, const Surface<Pixel32>& matrix, float scale,
                        const Palette& palette, ColourSearch& search) {
    const __m128 factor = V::splat(scale);
    const std::vector<std::uint16_t> tables = cubeTables(matrix, factor);
    // Each colour as the general loop writes it (through float to bytes), as
    // a word with alpha zero, for merging the pixel's own alpha.
    std::uint32_t colours[Palette::kCapacity];
    for (std::uint32_t i = 0; i < Palette::kCapacity; ++i) {
        Pixel8 colour;
        V::store(colour, V::load(palette.colours[i]));
        colour.alpha = 0;
        std::memcpy(&colours[i], &colour, sizeof colour);
    }
    constexpr Pixel8 kAlphaOnly = {0xFF, 0, 0, 0};
    std::uint32_t alphaMask;
    std::memcpy(&alphaMask, &kAlphaOnly, sizeof alphaMask);
    // The second pass searches the pixels the first could not resolve,
    // reading their values from the row, which is still unchanged. The
    // colours go into a word buffer, copied to the row at the end: byte stores
    // into the surface could alias anything.
    const std::uint32_t width = surface.width;
    std::vector<std::uint32_t> words(width);
    std::vector<std::uint32_t> pending(width);
    for (std::uint32_t y = 0; y < surface.height; ++y) {
        const std::uint32_t my = y & (matrix.height - 1);
        const Pixel32* offsets = matrix.row(my);
        const Row row = {
            surface.row(y),   width,   &tables[std::size_t{my} * matrix.width * kCellEntries],
            matrix.width - 1, colours, alphaMask,
            words.data()};
        const std::uint32_t unresolved = resolveRow(row, search, pending.data());
        for (std::uint32_t p = 0; p < unresolved; ++p) {
            const std::uint32_t x = pending[p];
            std::uint32_t alpha, rgb;
            const bool inside = row.cubeAt(x, alpha, rgb);
            const auto value = [&] {
                return V::add(V::load(row.pixels[x]),
                              V::multiply(factor, V::load(offsets[x & row.columnMask])));
            };
            const std::uint32_t index =
                inside ? search.nearestAt(alpha, rgb, value) : search.nearest(value());
            words[x] = colours[index] | (row.word(x) & alphaMask);
        }
        std::memcpy(surface.row(y), words.data(), std::size_t{width} * sizeof(Pixel8));
    }
}

}  // namespace ImageLib

#endif

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
constexpr int kParts = ColourSearch::kPartsPerAxis;
// A byte whose value falls outside the finest grid. Alpha entries are the
// alpha axis, below kAxis inside; red, green and blue entries hold their
// shares of the cube's place in its slab in the low half and of the part's
// place in the cube in the high half, and any sum holding kOutside is at
// least kOutside.
constexpr std::uint32_t kOutside = 1u << 24;
// Per matrix cell: the entries of every alpha, red, green and blue byte.
constexpr std::uint32_t kCellEntries = 4 * 256;

// The tables of every matrix cell, from the values the general loop makes:
// the byte's value plus scale times the cell, floored onto the grid and onto
// the parts of its cubes. Scaling by powers of two is exact, so a part is the
// value floored at kParts times the grid's resolution, less kParts times
// the cube.
std::vector<std::uint32_t> cubeTables(const Surface<Pixel32>& matrix, __m128 factor) {
    constexpr std::uint32_t strides[4] = {1, kAxis * kAxis, kAxis, 1};
    constexpr std::uint32_t partStrides[4] = {0, kParts * kParts, kParts, 1};
    std::vector<std::uint32_t> tables(std::size_t{matrix.width} * matrix.height * kCellEntries);
    std::uint32_t* entry = tables.data();
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
                    if (!(scaled >= first && scaled < first + kAxis)) {
                        *entry++ = kOutside;
                        continue;
                    }
                    const float cube = std::floor(scaled);
                    const auto part =
                        static_cast<std::uint32_t>(std::floor(scaled * kParts) - cube * kParts);
                    *entry++ = static_cast<std::uint32_t>(cube - first) * strides[c] |
                               part * partStrides[c] << 16;
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
    const std::uint32_t* tables;   // of the matrix row's cells
    std::uint32_t columnMask;      // the matrix width less one
    const std::uint32_t* colours;  // palette colours as words with alpha zero
    std::uint32_t alphaMask;       // the alpha byte of a word
    std::uint32_t* words;          // the dithered row

    std::uint32_t word(std::uint32_t x) const {
        std::uint32_t word;
        std::memcpy(&word, &pixels[x], sizeof word);
        return word;
    }

    // The pixel's cube and part: alpha axis, and red-green-blue place
    // (part place * 2^16 + cube place), below kAxis and kOutside when inside
    // the grid, which the result tells.
    bool cubeAt(std::uint32_t x, std::uint32_t& alpha, std::uint32_t& rgb) const {
        const std::uint32_t* cell = tables + (x & columnMask) * kCellEntries;
        const std::uint32_t bytes = word(x);
        alpha = cell[bytes & 0xFF];
        rgb = cell[256 + (bytes >> 8 & 0xFF)] + cell[512 + (bytes >> 16 & 0xFF)] +
              cell[768 + (bytes >> 24)];
        static_assert(kOutside / kAxis == 1u << 19, "one comparison tests both");
        return (alpha | rgb >> 19) < kAxis;
    }
};

// The first pass: writes every pixel's colour as if its part named a single
// one and notes in `pending` the pixels whose part does not; returns how
// many. It decides without branching on the part's kind, which mispredicts
// on photographs, and calls nothing, so that the loop's state stays in
// registers.
__attribute__((noinline)) std::uint32_t resolveRow(const Row row, const ColourSearch& search,
                                                   std::uint32_t* pending) {
    static_assert(ColourSearch::kUnresolved >> 15 == 1 && Palette::kCapacity <= 1u << 15,
                  "bit 15 tells the unresolved from colours");
    std::uint32_t count = 0;
    for (std::uint32_t x = 0; x < row.width; ++x) {
        const std::uint32_t word = row.word(x);
        std::uint32_t alpha, rgb;
        const std::uint32_t index = row.cubeAt(x, alpha, rgb)
                                        ? search.resolvedAt(alpha, rgb & 0xFFFF, rgb >> 16)
                                        : ColourSearch::kUnresolved;
        row.words[x] = row.colours[index % Palette::kCapacity] | (word & row.alphaMask);
        pending[count] = x;
        count += index >> 15;
    }
    return count;
}

}  // namespace

void ditherOrderedBytes(Surface<Pixel8>& surface, const Surface<Pixel32>& matrix, float scale,
                        const Palette& palette, ColourSearch& search) {
    const __m128 factor = V::splat(scale);
    search.refineFinestGrid();
    const std::vector<std::uint32_t> tables = cubeTables(matrix, factor);
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
                inside ? search.nearestAt(alpha, rgb & 0xFFFF, value) : search.nearest(value());
            words[x] = colours[index] | (row.word(x) & alphaMask);
        }
        std::memcpy(surface.row(y), words.data(), std::size_t{width} * sizeof(Pixel8));
    }
}

}  // namespace ImageLib

#endif

#include "surfaces/ImageLib/DitherKernels.h"

#include <cstddef>

namespace ImageLib {

namespace {

// Stands in the current pixel's cell: any positive value marks the origin.
constexpr float kOrigin = 1.0f;

template <std::size_t N>
struct Table {
    Pixel32 cells[N];
};

// Each cell becomes numerator / denominator in all four lanes.
template <std::size_t N>
constexpr Table<N> weights(const float (&numerators)[N], float denominator) {
    Table<N> table{};
    for (std::size_t i = 0; i < N; ++i) {
        const float w = numerators[i] / denominator;
        table.cells[i] = {w, w, w, w};
    }
    return table;
}

// clang-format off
Table<6> floydSteinberg = weights({0, kOrigin, 7,
                                   3, 5,       1}, 16);
Table<15> jarvisJudiceNinke = weights({0, 0, kOrigin, 7, 5,
                                       3, 5, 7,       5, 3,
                                       1, 3, 5,       3, 1}, 48);
Table<15> stucki = weights({0, 0, kOrigin, 8, 4,
                            2, 4, 8,       4, 2,
                            1, 2, 4,       2, 1}, 42);
Table<12> atkinson = weights({0, kOrigin, 1, 1,
                              1, 1,       1, 0,
                              0, 1,       0, 0}, 8);
Table<10> burkes = weights({0, 0, kOrigin, 8, 4,
                            2, 4, 8,       4, 2}, 32);
Table<15> sierra = weights({0, 0, kOrigin, 5, 3,
                            2, 4, 5,       4, 2,
                            0, 2, 3,       2, 0}, 32);
Table<10> twoRowSierra = weights({0, 0, kOrigin, 4, 3,
                                  1, 2, 3,       2, 1}, 16);
Table<6> sierraLite = weights({0, kOrigin, 2,
                               1, 1,       0}, 4);
Table<28> stevensonArce = weights({ 0,  0,  0, kOrigin,  0, 32,  0,
                                   12,  0, 26,       0, 30,  0, 16,
                                    0, 12,  0,      26,  0, 12,  0,
                                    5,  0, 12,       0, 12,  0,  5}, 200);

// The 2 x 2 matrix is divided by 4, not 5, so its largest offset is 1.
Table<4> ordered2x2 = weights({1, 3,
                               4, 2}, 4);
// The classic Bayer matrices plus one.
Table<16> bayer4x4 = weights({ 1,  9,  3, 11,
                              13,  5, 15,  7,
                               4, 12,  2, 10,
                              16,  8, 14,  6}, 17);
Table<64> bayer8x8 = weights({ 1, 33,  9, 41,  3, 35, 11, 43,
                              49, 17, 57, 25, 51, 19, 59, 27,
                              13, 45,  5, 37, 15, 47,  7, 39,
                              61, 29, 53, 21, 63, 31, 55, 23,
                               4, 36, 12, 44,  2, 34, 10, 42,
                              52, 20, 60, 28, 50, 18, 58, 26,
                              16, 48,  8, 40, 14, 46,  6, 38,
                              64, 32, 56, 24, 62, 30, 54, 22}, 65);
// clang-format on

template <std::size_t N>
Surface<Pixel32> wrap(std::uint32_t width, Table<N>& table) {
    return Surface<Pixel32>(width, N / width, width * sizeof(Pixel32), table.cells);
}

}  // namespace

const Surface<Pixel32>* diffusionKernel(int ditherKind) {
    static const Surface<Pixel32> kernels[] = {
        wrap(3, floydSteinberg), wrap(5, jarvisJudiceNinke),
        wrap(5, stucki),         wrap(4, atkinson),
        wrap(5, burkes),         wrap(5, sierra),
        wrap(5, twoRowSierra),   wrap(3, sierraLite),
        wrap(7, stevensonArce),
    };
    const int first = 3;
    const int count = static_cast<int>(sizeof kernels / sizeof kernels[0]);
    return ditherKind >= first && ditherKind < first + count ? &kernels[ditherKind - first]
                                                             : nullptr;
}

const Surface<Pixel32>* orderedMatrix(int ditherKind) {
    static const Surface<Pixel32> matrices[] = {
        wrap(2, ordered2x2),
        wrap(4, bayer4x4),
        wrap(8, bayer8x8),
    };
    const int first = 13;
    return ditherKind >= first && ditherKind < first + 3 ? &matrices[ditherKind - first] : nullptr;
}

}  // namespace ImageLib

#include "surfaces/ImageLib/Quantizer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "surfaces/ImageLib/ColourSearch.h"
#include "surfaces/ImageLib/DitherKernels.h"
#include "surfaces/ImageLib/FixedPalettes.h"
#include "surfaces/ImageLib/Octree.h"
#include "surfaces/ImageLib/OrderedByteDither.h"
#include "surfaces/ImageLib/Palette.h"
#include "surfaces/ImageLib/ScalarArithmetic.h"
#include "surfaces/ImageLib/VectorArithmetic.h"

namespace ImageLib {

namespace {

constexpr Pixel32 kWhite = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr Pixel32 kBlack = {1.0f, 0.0f, 0.0f, 0.0f};
// Black and white scales ordered offsets by this, the strength being its
// threshold.
constexpr float kBlackAndWhiteOffsetScale = 0.2f;
// Cells of the largest kernel (7 x 4).
constexpr int kMaxTaps = 28;

// One cell of a kernel that receives error: rows down and columns right of
// the current pixel (left when the row runs backwards).
struct Tap {
    std::int64_t dy;
    std::int64_t dx;
    Pixel32 weight;
};

// The palette search of an arithmetic: the linear reference by default, the
// cube cache for vectors.
template <class A>
class PaletteSearch {
public:
    PaletteSearch(const Palette& palette, std::uint64_t) : palette_(palette) {}
    std::uint32_t nearest(const typename A::Value& value) const {
        return A::nearest(palette_, value);
    }

private:
    const Palette& palette_;
};

#if defined(__SSE2__) || defined(_M_X64)
template <>
class PaletteSearch<VectorArithmetic> : public ColourSearch {
public:
    using ColourSearch::ColourSearch;
};
#endif

// The pixels a quantization works on. `work` is a pixel's value before any
// error reaches it (grey when asked for); `put` writes a chosen colour; and
// `passThrough` writes every pixel's work value when nothing is quantized.
// Surfaces of the host keep their own alpha and reach the working values
// through their pixel type; a float surface quantized in place is read and
// written as it is.
template <class A, class P>
struct SurfacePixels {
    using Value = typename A::Value;
    Surface<P>& surface;
    bool grey;

    std::uint32_t width() const { return surface.width; }
    std::uint32_t height() const { return surface.height; }
    Value work(const P* row, std::uint32_t x) const {
        const Value value = A::load(row[x]);
        return grey ? A::luminance(value) : value;
    }
    void put(P* row, std::uint32_t x, const Value& colour) const {
        if constexpr (std::is_same_v<P, Pixel8>) {
            // A byte comes back unchanged through float, so its alpha can
            // stay where it is.
            const std::uint8_t alpha = row[x].alpha;
            A::store(row[x], colour);
            row[x].alpha = alpha;
        } else {
            A::store(row[x], A::mergeAlpha(A::load(row[x]), colour));
        }
    }
    void passThrough() const {
        for (std::uint32_t y = 0; y < surface.height; ++y) {
            P* row = surface.row(y);
            for (std::uint32_t x = 0; x < surface.width; ++x) {
                put(row, x, work(row, x));
            }
        }
    }
};

template <class A>
struct FloatPixels {
    using Value = typename A::Value;
    Surface<Pixel32>& surface;

    std::uint32_t width() const { return surface.width; }
    std::uint32_t height() const { return surface.height; }
    Value work(const Pixel32* row, std::uint32_t x) const { return A::load(row[x]); }
    void put(Pixel32* row, std::uint32_t x, const Value& colour) const { A::store(row[x], colour); }
    void passThrough() const {}
};

template <class A, class Pixels>
void buildAdaptivePalette(const Pixels& pixels, std::uint32_t maxColours, Palette& palette) {
    Octree octree;
    std::vector<Pixel8> bytes(pixels.width());
    for (std::uint32_t y = 0; y < pixels.height(); ++y) {
        const auto* row = pixels.surface.row(y);
        // A byte comes back unchanged through float, so byte pixels that are
        // not made grey go in as they are.
        if constexpr (std::is_same_v<Pixels, SurfacePixels<A, Pixel8>>) {
            if (!pixels.grey) {
                octree.insertRow(row, pixels.width());
                continue;
            }
        }
        for (std::uint32_t x = 0; x < pixels.width(); ++x) {
            A::store(bytes[x], pixels.work(row, x));
        }
        octree.insertRow(bytes.data(), pixels.width());
    }
    octree.reduce(maxColours);
    // The entries after the filled ones stay (0, 0, 0, 0). Only the first of
    // them can ever be nearest, as the later ones are never strictly closer,
    // so it stands for them all.
    palette.prepare(octree.writeColours(palette.colours) + 1);
}

// The rows that still receive error live in a ring of float rows: a row
// enters it as its work values when the kernel first reaches it, and each
// pixel is written out as soon as it is chosen, since no error reaches a pixel
// after that.
//
// Each pixel waits on its left neighbour's error, so one row is a chain of
// searches that the processor cannot overlap. Rows that run the same way are
// therefore taken two at a time, the second 2 x reach columns behind the
// first: by then every error of the first row that reaches a cell has arrived
// before the second row adds to it or reads it, so each cell sums the same
// terms in the same order as row after row would, and the two chains overlap.
template <class A, class Pixels, class WithChoose>
void diffuseError(const Pixels& pixels, const Surface<Pixel32>& kernel, bool serpentine,
                  const WithChoose& withChoose) {
    const Pixel32* firstRow = kernel.row(0);
    std::uint32_t origin = 0;
    while (origin < kernel.width && !(firstRow[origin].alpha > 0.0f)) {
        ++origin;
    }
    Tap taps[kMaxTaps];
    int tapCount = 0;
    std::int64_t reach = 0;
    for (std::uint32_t ky = 0; ky < kernel.height; ++ky) {
        for (std::uint32_t kx = ky == 0 ? origin + 1 : 0; kx < kernel.width; ++kx) {
            const Pixel32& weight = kernel.row(ky)[kx];
            if (weight.alpha > 0.0f && tapCount < kMaxTaps) {
                taps[tapCount++] = {ky, std::int64_t{kx} - origin, weight};
                reach = std::max(reach, std::abs(std::int64_t{kx} - origin));
            }
        }
    }

    typename A::Value weights[kMaxTaps];
    for (int t = 0; t < tapCount; ++t) {
        weights[t] = A::load(taps[t].weight);
    }
    // The first tap of every usual kernel is the next pixel's. Its share
    // then goes straight into that pixel's value instead of through the
    // ring: the same sum, as it is the last to reach that cell, without a
    // store and a load on the chain from pixel to pixel.
    const bool carries = tapCount > 0 && taps[0].dy == 0 && taps[0].dx == 1;
    const int firstStored = carries ? 1 : 0;

    const std::int64_t width = pixels.width();
    const std::int64_t height = pixels.height();
    const std::int64_t kernelRows = kernel.height;
    // The rows of the kernel from the lower of two rows in flight.
    const std::int64_t ringRows = kernelRows + 1;
    std::vector<Pixel32> ring(static_cast<std::size_t>(ringRows * width));
    const auto ringRow = [&](std::int64_t y) { return &ring[(y % ringRows) * width]; };
    std::int64_t entered = 0;
    // Enters every row up to `last` not yet in the ring.
    const auto enterUpTo = [&](std::int64_t last) {
        for (; entered <= last && entered < height; ++entered) {
            const auto* source = pixels.surface.row(static_cast<std::uint32_t>(entered));
            Pixel32* row = ringRow(entered);
            for (std::int64_t x = 0; x < width; ++x) {
                A::store(row[x], pixels.work(source, static_cast<std::uint32_t>(x)));
            }
        }
    };

    using Out = decltype(pixels.surface.row(0));
    // One row on its way: its ring rows and output, every tap's row and column
    // offset, and whether all taps fall inside the picture.
    struct RowPass {
        std::int64_t y;
        bool mirrored;
        bool inside;
        Pixel32* row;
        Out out;
        Pixel32* targets[kMaxTaps];
        std::int64_t offsets[kMaxTaps];
        typename A::Value carry{};  // the next pixel's share of this one's error
    };
    const auto startRow = [&](RowPass& pass, std::int64_t y) {
        pass.y = y;
        // Odd rows run right to left with the kernel mirrored.
        pass.mirrored = serpentine && (y & 1);
        pass.inside = y + kernelRows <= height;
        pass.row = ringRow(y);
        pass.out = pixels.surface.row(static_cast<std::uint32_t>(y));
        for (int t = 0; t < tapCount; ++t) {
            pass.targets[t] = ringRow(y + taps[t].dy);
            pass.offsets[t] = pass.mirrored ? -taps[t].dx : taps[t].dx;
        }
    };
    const auto diffuseRows = [&](const auto& choose) {
        // One pixel of a row. Left to itself the compiler calls this for every
        // pixel and reloads the row's state each time, a fifth of the time.
        const auto step = [&](RowPass & pass, std::int64_t i) __attribute__((always_inline)) {
            const std::int64_t x = pass.mirrored ? width - 1 - i : i;
            auto old = A::load(pass.row[x]);
            if (carries && i > 0) {
                old = A::add(old, pass.carry);
            }
            const auto chosen = choose(old);
            pixels.put(pass.out, static_cast<std::uint32_t>(x), chosen);
            const auto error = A::subtract(old, chosen);
            if (carries) {
                pass.carry = A::multiply(error, weights[0]);
            }
            if (pass.inside && x >= reach && x < width - reach) {
                for (int t = firstStored; t < tapCount; ++t) {
                    Pixel32& target = pass.targets[t][x + pass.offsets[t]];
                    A::store(target, A::add(A::load(target), A::multiply(error, weights[t])));
                }
            } else {
                for (int t = firstStored; t < tapCount; ++t) {
                    if (pass.y + taps[t].dy >= height) {
                        break;
                    }
                    const std::int64_t tx = x + pass.offsets[t];
                    if (tx < 0 || tx >= width) {
                        continue;
                    }
                    Pixel32& target = pass.targets[t][tx];
                    A::store(target, A::add(A::load(target), A::multiply(error, weights[t])));
                }
            }
        };
        const std::int64_t lag = 2 * reach;
        RowPass first;
        RowPass second;
        for (std::int64_t y = 0; y < height;) {
            startRow(first, y);
            if (y + 1 < height && !serpentine) {
                enterUpTo(y + kernelRows);
                startRow(second, y + 1);
                for (std::int64_t i = 0; i < width + lag; ++i) {
                    if (i < width) {
                        step(first, i);
                    }
                    if (i >= lag) {
                        step(second, i - lag);
                    }
                }
                y += 2;
            } else {
                enterUpTo(y + kernelRows - 1);
                for (std::int64_t i = 0; i < width; ++i) {
                    step(first, i);
                }
                ++y;
            }
        }
    };
    withChoose(diffuseRows);
}

// The offsets only add; they are not centred on zero.
template <class A, class Pixels, class Choose>
void ditherOrdered(const Pixels& pixels, const Surface<Pixel32>& matrix, float scale,
                   std::uint32_t firstRow, std::uint32_t endRow, const Choose& choose) {
    const auto factor = A::splat(scale);
    for (std::uint32_t y = firstRow; y < endRow; ++y) {
        auto* row = pixels.surface.row(y);
        const Pixel32* offsets = matrix.row(y & (matrix.height - 1));
        for (std::uint32_t x = 0; x < pixels.width(); ++x) {
            const auto offset = A::multiply(factor, A::load(offsets[x & (matrix.width - 1)]));
            pixels.put(row, x, choose(A::add(pixels.work(row, x), offset)));
        }
    }
}

// Error diffusion with a kernel, ordered dithering with a matrix, else each
// pixel on its own. withChoose(run) calls run(choose) with a function from a
// value to its colour.
template <class A, class Pixels, class WithChoose>
void dither(const Pixels& pixels, const Surface<Pixel32>* kernel, const Surface<Pixel32>* matrix,
            float offsetScale, bool serpentine, const WithChoose& withChoose) {
    if (kernel) {
        diffuseError<A>(pixels, *kernel, serpentine, withChoose);
        return;
    }
    withChoose([&](const auto& choose) {
        if (matrix) {
            ditherOrdered<A>(pixels, *matrix, offsetScale, 0, pixels.height(), choose);
            return;
        }
        for (std::uint32_t y = 0; y < pixels.height(); ++y) {
            auto* row = pixels.surface.row(y);
            for (std::uint32_t x = 0; x < pixels.width(); ++x) {
                pixels.put(row, x, choose(pixels.work(row, x)));
            }
        }
    });
}

template <class A, class Pixels>
void quantizeWith(const Pixels& pixels, int paletteMode, int ditherKind, float strength,
                  bool serpentine) {
    const Surface<Pixel32>* kernel = diffusionKernel(ditherKind);
    const Surface<Pixel32>* matrix = orderedMatrix(ditherKind);
    if ((ditherKind != DitherKind::None && !kernel && !matrix) ||
        paletteMode < PaletteMode::BlackAndWhite || paletteMode > PaletteMode::LastFixed ||
        paletteMode == PaletteMode::Unchanged) {
        pixels.passThrough();
        return;
    }

    if (paletteMode == PaletteMode::BlackAndWhite) {
        const auto white = A::load(kWhite);
        const auto black = A::load(kBlack);
        dither<A>(pixels, kernel, matrix, kBlackAndWhiteOffsetScale, serpentine,
                  [&](const auto& run) {
                      run([&](const typename A::Value& value) {
                          return A::red(value) > strength ? white : black;
                      });
                  });
        return;
    }

    Palette palette;
    if (paletteMode >= PaletteMode::FirstFixed) {
        const FixedPalette fixed = fixedPalette(paletteMode);
        for (std::uint32_t i = 0; i < fixed.size; ++i) {
            palette.colours[i] = fixed.colours[i];
        }
        palette.prepare(fixed.size);
    } else {
        buildAdaptivePalette<A>(pixels, 8u << (paletteMode - PaletteMode::Adaptive8), palette);
    }
#if defined(__SSE2__) || defined(_M_X64)
    if constexpr (std::is_same_v<Pixels, SurfacePixels<VectorArithmetic, Pixel8>>) {
        if (matrix && !pixels.grey) {
            ColourSearch search(palette, std::uint64_t{pixels.width()} * pixels.height());
            ditherOrderedBytes(pixels.surface, *matrix, strength, palette, search);
            return;
        }
    }
#endif
    dither<A>(pixels, kernel, matrix, strength, serpentine, [&](const auto& run) {
        PaletteSearch<A> search(palette, std::uint64_t{pixels.width()} * pixels.height());
        run([&](const typename A::Value& value) {
            return A::load(palette.colours[search.nearest(value)]);
        });
    });
}

template <class A, class P>
void quantizeSurfaceWith(Surface<P>& surface, bool grey, int paletteMode, int ditherKind,
                         float strength, bool serpentine) {
    if (surface.width == 0 || surface.height == 0) {
        return;
    }
    const bool toGrey = grey || paletteMode == PaletteMode::BlackAndWhite;
    quantizeWith<A>(SurfacePixels<A, P>{surface, toGrey}, paletteMode, ditherKind, strength,
                    serpentine);
}

template <class P>
void quantizeSurfaceOf(Surface<P>& surface, bool grey, int paletteMode, int ditherKind,
                       float strength, bool serpentine, Arithmetic arithmetic) {
    if (arithmetic == Arithmetic::Scalar) {
        quantizeSurfaceWith<ScalarArithmetic>(surface, grey, paletteMode, ditherKind, strength,
                                              serpentine);
    } else {
        quantizeSurfaceWith<VectorArithmetic>(surface, grey, paletteMode, ditherKind, strength,
                                              serpentine);
    }
}

}  // namespace

void quantize(Surface<Pixel32>& surface, int paletteMode, int ditherKind, float strength,
              bool serpentine, Arithmetic arithmetic) {
    if (arithmetic == Arithmetic::Scalar) {
        quantizeWith<ScalarArithmetic>(FloatPixels<ScalarArithmetic>{surface}, paletteMode,
                                       ditherKind, strength, serpentine);
    } else {
        quantizeWith<VectorArithmetic>(FloatPixels<VectorArithmetic>{surface}, paletteMode,
                                       ditherKind, strength, serpentine);
    }
}

void quantizeSurface(Surface<Pixel8>& surface, bool grey, int paletteMode, int ditherKind,
                     float strength, bool serpentine, Arithmetic arithmetic) {
    quantizeSurfaceOf(surface, grey, paletteMode, ditherKind, strength, serpentine, arithmetic);
}

void quantizeSurface(Surface<Pixel15>& surface, bool grey, int paletteMode, int ditherKind,
                     float strength, bool serpentine, Arithmetic arithmetic) {
    quantizeSurfaceOf(surface, grey, paletteMode, ditherKind, strength, serpentine, arithmetic);
}

void quantizeSurface(Surface<Pixel32>& surface, bool grey, int paletteMode, int ditherKind,
                     float strength, bool serpentine, Arithmetic arithmetic) {
    quantizeSurfaceOf(surface, grey, paletteMode, ditherKind, strength, serpentine, arithmetic);
}

}  // namespace ImageLib

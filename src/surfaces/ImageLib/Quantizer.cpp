#include "surfaces/ImageLib/Quantizer.h"

#include <cstdint>

#include "surfaces/ImageLib/ColourSearch.h"
#include "surfaces/ImageLib/DitherKernels.h"
#include "surfaces/ImageLib/FixedPalettes.h"
#include "surfaces/ImageLib/Octree.h"
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

template <class A>
void buildAdaptivePalette(const Surface<Pixel32>& surface, std::uint32_t maxColours,
                          Palette& palette) {
    Octree octree;
    for (std::uint32_t y = 0; y < surface.height; ++y) {
        const Pixel32* row = surface.row(y);
        for (std::uint32_t x = 0; x < surface.width; ++x) {
            Pixel8 bytes;
            A::store(bytes, A::load(row[x]));
            octree.insert(bytes.red, bytes.green, bytes.blue);
        }
    }
    octree.reduce(maxColours);
    // The entries after the filled ones stay (0, 0, 0, 0). Only the first of
    // them can ever be nearest, as the later ones are never strictly closer,
    // so it stands for them all.
    palette.prepare(octree.writeColours(palette.colours) + 1);
}

template <class A, class Choose>
void diffuseError(Surface<Pixel32>& surface, const Surface<Pixel32>& kernel, bool serpentine,
                  const Choose& choose) {
    const Pixel32* firstRow = kernel.row(0);
    std::uint32_t origin = 0;
    while (origin < kernel.width && !(firstRow[origin].alpha > 0.0f)) {
        ++origin;
    }
    Tap taps[kMaxTaps];
    int tapCount = 0;
    for (std::uint32_t ky = 0; ky < kernel.height; ++ky) {
        for (std::uint32_t kx = ky == 0 ? origin + 1 : 0; kx < kernel.width; ++kx) {
            const Pixel32& weight = kernel.row(ky)[kx];
            if (weight.alpha > 0.0f && tapCount < kMaxTaps) {
                taps[tapCount++] = {ky, std::int64_t{kx} - origin, weight};
            }
        }
    }

    const std::int64_t width = surface.width;
    const std::int64_t height = surface.height;
    for (std::int64_t y = 0; y < height; ++y) {
        // Odd rows run right to left with the kernel mirrored.
        const bool mirrored = serpentine && (y & 1);
        Pixel32* row = surface.row(static_cast<std::uint32_t>(y));
        for (std::int64_t i = 0; i < width; ++i) {
            const std::int64_t x = mirrored ? width - 1 - i : i;
            const auto old = A::load(row[x]);
            const auto chosen = choose(old);
            A::store(row[x], chosen);
            const auto error = A::subtract(old, chosen);
            for (int t = 0; t < tapCount; ++t) {
                const std::int64_t ty = y + taps[t].dy;
                if (ty >= height) {
                    break;
                }
                const std::int64_t tx = mirrored ? x - taps[t].dx : x + taps[t].dx;
                if (tx < 0 || tx >= width) {
                    continue;
                }
                Pixel32& target = surface.row(static_cast<std::uint32_t>(ty))[tx];
                A::store(target,
                         A::add(A::load(target), A::multiply(error, A::load(taps[t].weight))));
            }
        }
    }
}

// The offsets only add; they are not centred on zero.
template <class A, class Choose>
void ditherOrdered(Surface<Pixel32>& surface, const Surface<Pixel32>& matrix, float scale,
                   const Choose& choose) {
    const auto factor = A::splat(scale);
    for (std::uint32_t y = 0; y < surface.height; ++y) {
        Pixel32* row = surface.row(y);
        const Pixel32* offsets = matrix.row(y & (matrix.height - 1));
        for (std::uint32_t x = 0; x < surface.width; ++x) {
            const auto offset = A::multiply(factor, A::load(offsets[x & (matrix.width - 1)]));
            A::store(row[x], choose(A::add(A::load(row[x]), offset)));
        }
    }
}

// Error diffusion with a kernel, ordered dithering with a matrix, else each
// pixel on its own.
template <class A, class Choose>
void dither(Surface<Pixel32>& surface, const Surface<Pixel32>* kernel,
            const Surface<Pixel32>* matrix, float offsetScale, bool serpentine,
            const Choose& choose) {
    if (kernel) {
        diffuseError<A>(surface, *kernel, serpentine, choose);
    } else if (matrix) {
        ditherOrdered<A>(surface, *matrix, offsetScale, choose);
    } else {
        for (std::uint32_t y = 0; y < surface.height; ++y) {
            Pixel32* row = surface.row(y);
            for (std::uint32_t x = 0; x < surface.width; ++x) {
                A::store(row[x], choose(A::load(row[x])));
            }
        }
    }
}

template <class A>
void quantizeWith(Surface<Pixel32>& surface, int paletteMode, int ditherKind, float strength,
                  bool serpentine) {
    const Surface<Pixel32>* kernel = diffusionKernel(ditherKind);
    const Surface<Pixel32>* matrix = orderedMatrix(ditherKind);
    if (ditherKind != DitherKind::None && !kernel && !matrix) {
        return;
    }
    if (paletteMode < PaletteMode::BlackAndWhite || paletteMode > PaletteMode::LastFixed ||
        paletteMode == PaletteMode::Unchanged) {
        return;
    }

    if (paletteMode == PaletteMode::BlackAndWhite) {
        const auto white = A::load(kWhite);
        const auto black = A::load(kBlack);
        dither<A>(surface, kernel, matrix, kBlackAndWhiteOffsetScale, serpentine,
                  [&](const typename A::Value& value) {
                      return A::red(value) > strength ? white : black;
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
        buildAdaptivePalette<A>(surface, 8u << (paletteMode - PaletteMode::Adaptive8), palette);
    }
    PaletteSearch<A> search(palette, std::uint64_t{surface.width} * surface.height);
    dither<A>(surface, kernel, matrix, strength, serpentine, [&](const typename A::Value& value) {
        return A::load(palette.colours[search.nearest(value)]);
    });
}

template <class A, class P>
void quantizeSurfaceWith(Surface<P>& surface, bool grey, int paletteMode, int ditherKind,
                         float strength, bool serpentine) {
    if (surface.width == 0 || surface.height == 0) {
        return;
    }
    Surface<Pixel32> copy(surface.width, surface.height);
    const bool toGrey = grey || paletteMode == PaletteMode::BlackAndWhite;
    for (std::uint32_t y = 0; y < surface.height; ++y) {
        const P* own = surface.row(y);
        Pixel32* work = copy.row(y);
        for (std::uint32_t x = 0; x < surface.width; ++x) {
            const auto value = A::load(own[x]);
            A::store(work[x], toGrey ? A::luminance(value) : value);
        }
    }

    quantizeWith<A>(copy, paletteMode, ditherKind, strength, serpentine);

    for (std::uint32_t y = 0; y < surface.height; ++y) {
        P* own = surface.row(y);
        const Pixel32* work = copy.row(y);
        for (std::uint32_t x = 0; x < surface.width; ++x) {
            A::store(own[x], A::mergeAlpha(A::load(own[x]), A::load(work[x])));
        }
    }
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
        quantizeWith<ScalarArithmetic>(surface, paletteMode, ditherKind, strength, serpentine);
    } else {
        quantizeWith<VectorArithmetic>(surface, paletteMode, ditherKind, strength, serpentine);
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

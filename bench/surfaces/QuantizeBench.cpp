// Quantization of a 1920 x 1080 8-bit image through the surface entry point:
// float working copy, palette, dithering and write-back, reported in
// megapixels per second.

#include <benchmark/benchmark.h>

#include <vector>

#include "BenchImage.h"
#include "surfaces/ImageLib/Quantizer.h"

namespace {

using namespace ImageLib;

void quantizeImage(benchmark::State& state, int paletteMode, int ditherKind, float strength,
                   bool serpentine, Arithmetic arithmetic) {
    const std::vector<Pixel8> original = makeBenchImage(kBenchWidth, kBenchHeight);
    std::vector<Pixel8> pixels = original;
    for (auto _ : state) {
        state.PauseTiming();
        pixels = original;
        state.ResumeTiming();
        Surface<Pixel8> surface(kBenchWidth, kBenchHeight, kBenchWidth * sizeof(Pixel8),
                                pixels.data());
        quantizeSurface(surface, false, paletteMode, ditherKind, strength, serpentine, arithmetic);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(kBenchWidth) * kBenchHeight * 1e-6 * state.iterations(),
        benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(quantizeImage, adaptive256_floydSteinberg, PaletteMode::Adaptive256,
                  DitherKind::FloydSteinberg, 0.5f, false, Arithmetic::Vector)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(quantizeImage, adaptive16_atkinson_serpentine, 3, DitherKind::Atkinson, 0.5f,
                  true, Arithmetic::Vector)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(quantizeImage, fixed20_bayer8x8, 20, DitherKind::Bayer8x8, 0.3f, false,
                  Arithmetic::Vector)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(quantizeImage, blackAndWhite_jarvis, PaletteMode::BlackAndWhite,
                  DitherKind::JarvisJudiceNinke, 0.5f, false, Arithmetic::Vector)
    ->Unit(benchmark::kMillisecond);
// The channel-by-channel reference with its linear palette search, for scale.
BENCHMARK_CAPTURE(quantizeImage, adaptive256_floydSteinberg_scalar, PaletteMode::Adaptive256,
                  DitherKind::FloydSteinberg, 0.5f, false, Arithmetic::Scalar)
    ->Unit(benchmark::kMillisecond);

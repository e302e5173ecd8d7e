// Quantization of the benchmark image at 1920 x 1080 and 3840 x 2160 through
// the surface entry point: float working copy, palette, dithering and
// write-back, reported in megapixels per second. The vector cases are the
// ones run.sh compares with ImageMagick's quantization of the same pixels.

#include <benchmark/benchmark.h>

#include <vector>

#include "BenchImage.h"
#include "surfaces/ImageLib/Quantizer.h"

namespace {

using namespace ImageLib;

void quantizeImage(benchmark::State& state, int paletteMode, int ditherKind, float strength,
                   bool serpentine, Arithmetic arithmetic) {
    const auto width = static_cast<std::uint32_t>(state.range(0));
    const auto height = static_cast<std::uint32_t>(state.range(1));
    const std::vector<Pixel8> original = makeBenchImage(width, height);
    std::vector<Pixel8> pixels = original;
    for (auto _ : state) {
        state.PauseTiming();
        pixels = original;
        state.ResumeTiming();
        Surface<Pixel8> surface(width, height, width * sizeof(Pixel8), pixels.data());
        quantizeSurface(surface, false, paletteMode, ditherKind, strength, serpentine, arithmetic);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["MP/s"] =
        benchmark::Counter(static_cast<double>(width) * height * 1e-6 * state.iterations(),
                           benchmark::Counter::kIsRate);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK_CAPTURE(quantizeImage, adaptive256_floydSteinberg, PaletteMode::Adaptive256,
                  DitherKind::FloydSteinberg, 0.5f, false, Arithmetic::Vector)
    ->Apply(sizes);
BENCHMARK_CAPTURE(quantizeImage, adaptive16_floydSteinberg, 3, DitherKind::FloydSteinberg, 0.5f,
                  false, Arithmetic::Vector)
    ->Apply(sizes);
BENCHMARK_CAPTURE(quantizeImage, adaptive256_none, PaletteMode::Adaptive256, DitherKind::None, 0.5f,
                  false, Arithmetic::Vector)
    ->Apply(sizes);
BENCHMARK_CAPTURE(quantizeImage, fixed20_bayer8x8, 20, DitherKind::Bayer8x8, 0.3f, false,
                  Arithmetic::Vector)
    ->Apply(sizes);
BENCHMARK_CAPTURE(quantizeImage, adaptive16_atkinson_serpentine, 3, DitherKind::Atkinson, 0.5f,
                  true, Arithmetic::Vector)
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(quantizeImage, blackAndWhite_jarvis, PaletteMode::BlackAndWhite,
                  DitherKind::JarvisJudiceNinke, 0.5f, false, Arithmetic::Vector)
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The channel-by-channel reference with its linear palette search, for scale.
BENCHMARK_CAPTURE(quantizeImage, adaptive256_floydSteinberg_scalar, PaletteMode::Adaptive256,
                  DitherKind::FloydSteinberg, 0.5f, false, Arithmetic::Scalar)
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

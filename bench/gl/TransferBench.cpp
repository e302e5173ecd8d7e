// Pixel traffic of one frame on the GL context: the input upload, one
// full-frame pass and the read-back through the mapped pack buffer, at HD and
// UHD sizes and 8, 16 and 32 bits. Every benchmark also times a plain memcpy
// of the same bytes and reports its own rate as a multiple of it.
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "gl/GLContextLock.h"
#include "gl/GlewLoader.h"
#include "gl/OpenGLContext.h"
#include "gl/PixelDepth.h"
#include "gl/RenderTarget.h"

namespace {

using Clock = std::chrono::steady_clock;

// The engine's context, made once and current on the benchmark thread.
bool glReady() {
    static const bool ready = [] {
        static OpenGLContext context;
        context.mutex = win32::CreateMutexW(nullptr, 0, nullptr);
        context.create();
        registerGLContext(&context);
        return initialiseGlew();
    }();
    return ready;
}

struct Frame {
    std::uint32_t width, height, depth;
    std::uint64_t bytes() const { return PixelDepth::packedBytes(width, height, depth); }
};

Frame frameOf(const benchmark::State& state) {
    return {static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)),
            static_cast<std::uint32_t>(state.range(2))};
}

// Host pixels of the frame's depth: bytes, host 16-bit values up to 32768 or
// floats in 0..1.
std::vector<std::uint8_t> hostPixels(const Frame& frame) {
    std::vector<std::uint8_t> pixels(frame.bytes());
    const std::size_t channels = std::size_t{frame.width} * frame.height * 4;
    for (std::size_t i = 0; i < channels; ++i) {
        if (frame.depth == 8)
            pixels[i] = static_cast<std::uint8_t>(i * 7);
        else if (frame.depth == 16)
            reinterpret_cast<std::uint16_t*>(pixels.data())[i] =
                static_cast<std::uint16_t>(i * 7 % 32769);
        else
            reinterpret_cast<float*>(pixels.data())[i] = static_cast<float>(i % 256) / 255.0f;
    }
    return pixels;
}

// The best of three copies of `bytes` between warm buffers, in MB/s.
double memcpyRate(std::uint64_t bytes) {
    std::vector<std::uint8_t> source(bytes, 1), destination(bytes, 2);
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        std::memcpy(destination.data(), source.data(), bytes);
        benchmark::DoNotOptimize(destination.data());
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::max(best, bytes / seconds / 1e6);
    }
    return best;
}

// Runs `step` once per iteration with the GL work finished inside the timing,
// then reports MB/s, the memcpy rate and their ratio.
template <typename Step>
void measure(benchmark::State& state, std::uint64_t bytes, Step step) {
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        step();
        glFinish();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double rate = bytes * static_cast<double>(state.iterations()) / total / 1e6;
    const double copyRate = memcpyRate(bytes);
    state.counters["MB/s"] = rate;
    state.counters["memcpy_MB/s"] = copyRate;
    state.counters["vs_memcpy"] = rate / copyRate;
}

// The frame path's input upload: host order, 16-bit values mapped.
void inputUpload(benchmark::State& state) {
    const Frame frame = frameOf(state);
    if (!glReady())
        return state.SkipWithError("no GL context");
    const std::vector<std::uint8_t> pixels = hostPixels(frame);
    Texture texture;
    texture.init(frame.width, frame.height, frame.depth, true);
    const std::uint64_t rowBytes = std::uint64_t{frame.width} * frame.depth / 2;
    measure(state, frame.bytes(), [&] {
        texture.upload(pixels.data(), frame.width, frame.height, frame.depth, rowBytes, true,
                       frame.depth == 16);
    });
}

// One full-frame pass: a blit between two targets of the frame's size.
void fullFramePass(benchmark::State& state) {
    const Frame frame = frameOf(state);
    if (!glReady())
        return state.SkipWithError("no GL context");
    RenderTarget source, destination;
    source.initTarget(frame.width, frame.height, frame.depth);
    destination.initTarget(frame.width, frame.height, frame.depth);
    measure(state, frame.bytes(), [&] { RenderTarget::blit(source, destination, false, false); });
}

// The output read-back: read into the pack buffer and map it.
void readBack(benchmark::State& state) {
    const Frame frame = frameOf(state);
    if (!glReady())
        return state.SkipWithError("no GL context");
    RenderTarget target;
    target.initTarget(frame.width, frame.height, frame.depth);
    measure(state, frame.bytes(), [&] {
        benchmark::DoNotOptimize(target.readPixels());
        RenderTarget::releasePixels();
    });
}

void frames(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"width", "height", "depth"});
    for (const auto& size : {std::pair<int, int>{1920, 1080}, {3840, 2160}})
        for (const int depth : {8, 16, 32}) benchmark->Args({size.first, size.second, depth});
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(inputUpload)->Apply(frames);
BENCHMARK(fullFramePass)->Apply(frames);
BENCHMARK(readBack)->Apply(frames);

}  // namespace

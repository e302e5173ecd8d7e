// Pixel traffic of one frame on the GL context: the input upload, one
// full-frame shader pass and the read-back into the host's buffer, at
// HD and UHD sizes and 8, 16 and 32 bits. Every benchmark also times a plain
// memcpy of the same bytes from memory the caches no longer hold, as a frame
// from the host arrives, after each of its own iterations, and reports its
// own median rate as a multiple of the copy's, next to the multiple it should
// reach.
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
#include "gl/Shader.h"
#include "surfaces/ImageLib/PixelConversion.h"
#include "surfaces/ImageLib/StreamingCopy.h"

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

// Larger than any last-level cache: writing it pushes everything else out.
void evictCaches() {
    static std::vector<std::uint8_t> scratch(std::size_t{256} << 20);
    static std::uint8_t value = 0;
    std::memset(scratch.data(), ++value, scratch.size());
    benchmark::DoNotOptimize(scratch.data());
}

// The median of `seconds`.
double median(std::vector<double> seconds) {
    std::nth_element(seconds.begin(), seconds.begin() + seconds.size() / 2, seconds.end());
    return seconds[seconds.size() / 2];
}

// Runs `step` once per iteration with the GL work finished inside the timing,
// and after each step a plain memcpy of the same bytes, so that the baseline
// sees the same machine as the step even while other work comes and goes.
// Reports the median rates in MB/s and their ratio, with a goal above 0 as
// `goal`, the vs_memcpy to reach. The caches are emptied before each step and
// each copy, as between frames of a real render; the copy's buffers are
// written once first, so that no copy pays for first-touch page faults.
template <typename Step>
void measure(benchmark::State& state, std::uint64_t bytes, double goal, Step step) {
    // One untimed frame first: storage a frame path keeps is made and
    // faulted in once, not in every frame.
    step();
    glFinish();
    std::vector<std::uint8_t> source(bytes, 1), destination(bytes, 2);
    std::vector<double> steps, copies;
    for (auto _ : state) {
        state.PauseTiming();
        evictCaches();
        state.ResumeTiming();
        auto start = Clock::now();
        step();
        glFinish();
        steps.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        state.SetIterationTime(steps.back());
        state.PauseTiming();
        evictCaches();
        start = Clock::now();
        std::memcpy(destination.data(), source.data(), bytes);
        benchmark::DoNotOptimize(destination.data());
        copies.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        state.ResumeTiming();
    }
    const double rate = bytes / median(steps) / 1e6;
    const double copyRate = bytes / median(copies) / 1e6;
    state.counters["MB/s"] = rate;
    state.counters["memcpy_MB/s"] = copyRate;
    state.counters["vs_memcpy"] = rate / copyRate;
    if (goal > 0)
        state.counters["goal"] = goal;
}

// 16-bit frames travel as floats on the GPU side and need conversion both
// ways; the other depths are plain copies.
double transferGoal(const Frame& frame) {
    return frame.depth == 16 ? 0.25 : 0.5;
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
    measure(state, frame.bytes(), transferGoal(frame), [&] {
        texture.upload(pixels.data(), frame.width, frame.height, frame.depth, rowBytes, true,
                       frame.depth == 16);
    });
}

// One full-frame shader pass: a colour grade that samples the frame's texture
// once a pixel and writes every pixel of a target of the same size.
void fullFramePass(benchmark::State& state) {
    const Frame frame = frameOf(state);
    if (!glReady())
        return state.SkipWithError("no GL context");
    RenderTarget source, destination;
    source.initTarget(frame.width, frame.height, frame.depth);
    destination.initTarget(frame.width, frame.height, frame.depth);
    Shader shader;
    if (!shader.create() ||
        !shader.compile("uniform sampler2D image;\n"
                        "void main() {\n"
                        "    vec4 c = texture2D(image, gl_TexCoord[0].xy);\n"
                        "    gl_FragColor = vec4(c.rgb * vec3(1.1, 0.9, 1.0) + 0.02, c.a);\n"
                        "}\n"))
        return state.SkipWithError(shader.errorText.c_str());
    shader.uniform("image").setIntValue(static_cast<std::int32_t>(source.texture));
    measure(state, frame.bytes(), 0, [&] {
        destination.bindAsTarget();
        shader.bind();
        shader.draw(false);
    });
}

// The output read-back as the frame path does it: bands of rows read and
// written upright into the host's buffer, 16-bit frames as floats converted
// onto the host's range.
void readBack(benchmark::State& state) {
    const Frame frame = frameOf(state);
    if (!glReady())
        return state.SkipWithError("no GL context");
    RenderTarget target;
    target.initTarget(frame.width, frame.height, frame.depth);
    std::vector<std::uint8_t> host(frame.bytes());
    const std::uint64_t hostRow = frame.bytes() / frame.height;
    measure(state, frame.bytes(), transferGoal(frame), [&] {
        target.readBands([&](const std::uint8_t* rows, std::uint32_t first, std::uint32_t count) {
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint8_t* destination = &host[(frame.height - 1 - first - i) * hostRow];
                if (frame.depth == 16)
                    ImageLib::gpuFloatToHost16Streaming(
                        reinterpret_cast<const float*>(rows) + i * hostRow / 2,
                        reinterpret_cast<std::uint16_t*>(destination), hostRow / 2);
                else
                    ImageLib::streamingCopy(destination, rows + i * hostRow, hostRow);
            }
        });
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

// Several host threads calling the module's entry point at once, each
// rendering the frames of its own effect instance.
//
// The host library routes its callbacks through one active host and is not
// made for threads, so instances are set up through it and the frames are
// then sent to the entry point directly, with the few suites a render needs
// served per thread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "EngineHost.h"

namespace {

// What one thread renders; its callbacks find it through the thread.
struct ThreadFrame {
    int depth = 8;
    float level = 0;
};
thread_local ThreadFrame* current = nullptr;

PF_PixelFormat formatOf(int depth) {
    return depth == 8 ? 0x62677261 : depth == 16 ? 0x62677241 : 0x62675241;
}

PF_Err getPixelFormat(const PF_EffectWorld*, PF_PixelFormat* format) noexcept {
    *format = formatOf(current->depth);
    return PF_Err_NONE;
}

template <class Pixel, int depth>
PF_Err pixelsAt(PF_EffectWorld* world, PF_PixelPtr, Pixel** result) noexcept {
    *result = current->depth == depth ? static_cast<Pixel*>(world->data) : nullptr;
    return PF_Err_NONE;
}

const PF_WorldSuite2 worldSuite = {{}, getPixelFormat};
const PF_PixelDataSuite1 pixelDataSuite = {pixelsAt<PF_Pixel8, 8>, pixelsAt<PF_Pixel16, 16>,
                                           pixelsAt<PF_PixelFloat, 32>};

SPErr acquireSuite(const char* name, std::int32_t version, const void** suite) noexcept {
    *suite = nullptr;
    if (std::strcmp(name, kPFWorldSuite) == 0 && version == kPFWorldSuiteVersion2)
        *suite = &worldSuite;
    if (std::strcmp(name, kPFPixelDataSuite) == 0 && version == kPFPixelDataSuiteVersion1)
        *suite = &pixelDataSuite;
    return *suite ? 0 : 1;
}

SPErr releaseSuite(const char*, std::int32_t) noexcept {
    return 0;
}

PF_Err checkoutParam(PF_ProgPtr, PF_ParamIndex, A_long, A_long, A_u_long,
                     PF_ParamDef* def) noexcept {
    *def = PF_ParamDef{};
    def->param_type = PF_Param_FLOAT_SLIDER;
    def->u.fs_d.value = current->level;
    return PF_Err_NONE;
}

PF_Err checkinParam(PF_ProgPtr, PF_ParamDef*) noexcept {
    return PF_Err_NONE;
}

// Keeps the input's colour and writes the instance's level into alpha.
const char kLevelScript[] = R"(
var level, shader;
function setup() {
    level = QS_initParam("level", QS_Type.FLOAT, "Level");
    shader = QS_initShader("level");
}
function draw() {
    var input = QS_getSequenceTexture();
    QS_setTextureParam(input, QS_GL.TEXTURE_MIN_FILTER, QS_GL.NEAREST);
    QS_setTextureParam(input, QS_GL.TEXTURE_MAG_FILTER, QS_GL.NEAREST);
    QS_setShaderParamVal(shader, "sInput0", input);
    QS_setShaderParam(shader, level);
    QS_renderShader(shader, QS_getSequenceRT(), true);
}
)";

const char kLevelShader[] = R"(
uniform sampler2D sInput0;
uniform float level;
void main() {
    gl_FragColor = vec4(texture2D(sInput0, gl_TexCoord[0].xy).rgb, level);
}
)";

// Renders `frames` frames of one instance on the calling thread; returns the
// number of frames that came out wrong.
int renderFrames(const EngineHost& e, PF_Handle sequenceData, int depth, float level, int frames) {
    ThreadFrame frame{depth, level};
    current = &frame;
    SPBasicSuite basic{};
    basic.AcquireSuite = acquireSuite;
    basic.ReleaseSuite = releaseSuite;
    PF_UtilCallbacks utils{};
    int wrong = 0;
    for (int i = 0; i < frames; ++i) {
        // A different picture every frame and every thread.
        const HostWorld input = pattern(24 + i % 5, 9 + depth / 8, depth);
        HostWorld output(input.width(), input.height(), depth);
        PF_InData in{};
        in.utils = &utils;
        in.pica_basicP = &basic;
        in.inter.checkout_param = checkoutParam;
        in.inter.checkin_param = checkinParam;
        in.sequence_data = sequenceData;
        in.current_time = i;
        in.time_scale = 25;
        in.version = {13, 28};
        in.downsample_x = in.downsample_y = in.pixel_aspect_ratio = {1, 1};
        PF_OutData out{};
        PF_ParamDef layer{};
        layer.u.ld = input.world();
        PF_ParamDef* params[] = {&layer};
        if (e.module.call(PF_Cmd_RENDER, &in, &out, params, &output.world(), nullptr) !=
            PF_Err_NONE) {
            ++wrong;
            continue;
        }
        const HostWorld expected = roundTripped(input);
        bool same = true;
        for (A_long y = 0; y < input.height(); ++y)
            for (A_long x = 0; x < input.width(); ++x) {
                const PF_PixelFloat a = output.get(x, y), b = expected.get(x, y);
                same = same && a.red == b.red && a.green == b.green && a.blue == b.blue &&
                       std::fabs(a.alpha - level) < 0.005f;
            }
        wrong += !same;
    }
    current = nullptr;
    return wrong;
}

int countFromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

TEST(ConcurrentRender, ThreadsRenderingTheirOwnInstancesGetTheirOwnFrames) {
    EngineHost e(
        {{"fx.js", kLevelScript}, {"level.frag", kLevelShader}, {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    // scripts/tsan raises both counts (QS_RENDER_THREADS, QS_RENDER_FRAMES).
    const int kThreads = countFromEnvironment("QS_RENDER_THREADS", 4);
    const int kFrames = countFromEnvironment("QS_RENDER_FRAMES", 40);
    std::vector<InstanceId> instances = {e.instance};
    while (static_cast<int>(instances.size()) < kThreads) {
        instances.push_back(e.host.addInstance());
        ASSERT_EQ(e.host.updateParamsUI(instances.back()).error, PF_Err_NONE);
    }
    const int depths[] = {8, 16, 32, 8};
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        const PF_Handle data = e.host.instance(instances[t]).sequenceData;
        threads.emplace_back([&, t, data] {
            wrong[t] = renderFrames(e, data, depths[t % 4], 0.2f * (t % 4 + 1), kFrames);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;

    // The host's own thread goes on afterwards.
    const FrameResult frame = e.render(pattern(8, 8, 8));
    EXPECT_EQ(frame.error, PF_Err_NONE);
    for (InstanceId id : instances) EXPECT_EQ(e.host.removeInstance(id).error, PF_Err_NONE);
}

}  // namespace

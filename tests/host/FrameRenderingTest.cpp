// Frames through the real module loaded by our host library: pixels at every
// depth, output sizes, shader errors, missing suites and runaway scripts.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "EngineHost.h"
#include "entities/Context.h"

namespace {

TEST(Frames, APassThroughReturnsEveryDepthExactlyAndUpright) {
    for (HostApplication application : {HostApplication::AfterEffects, HostApplication::Premiere}) {
        EngineHost e(
            {{"fx.js", kCopyScript}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}},
            application);
        ASSERT_TRUE(e.start());
        for (RenderMode mode : {RenderMode::Smart, RenderMode::Classic}) {
            for (int depth : {8, 16, 32}) {
                SCOPED_TRACE(::testing::Message()
                             << (application == HostApplication::Premiere ? "Premiere" : "AE")
                             << (mode == RenderMode::Smart ? " smart " : " classic ") << depth);
                const HostWorld input = pattern(37, 23, depth);
                RenderOptions options;
                options.mode = mode;
                const FrameResult frame = e.render(input, options);
                ASSERT_EQ(frame.error, PF_Err_NONE);
                EXPECT_EQ(frame.origin.h + frame.origin.v, 0);
                // The first host row is the top of the picture.
                EXPECT_EQ(rowBytes(frame.output, 0), rowBytes(roundTripped(input), 0));
                EXPECT_TRUE(samePixels(frame.output, roundTripped(input)));
            }
        }
        EXPECT_EQ(e.host.outstandingSuites(), 0);
        EXPECT_EQ(e.host.outstandingParamCheckouts(), 0);
    }
}

TEST(Frames, AtReducedResolutionTheFrameCoversTheWholeLayer) {
    // A third of 100 columns is 34 as the host renders the layer; a frame of
    // 33 would leave the last column empty.
    const HostWorld input = pattern(100, 31, 8);
    RenderOptions third;
    third.downsampleX = third.downsampleY = {1, 3};
    const HostWorld expected = input.downsampled(third.downsampleX, third.downsampleY);
    for (HostApplication application : {HostApplication::AfterEffects, HostApplication::Premiere}) {
        EngineHost e(
            {{"fx.js", kCopyScript}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}},
            application);
        ASSERT_TRUE(e.start());
        const FrameResult frame = e.render(input, third);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_TRUE(samePixels(frame.output, expected));
    }
}

// An effect whose output is `extent` (a script expression in w and h), filled
// with opaque green.
std::map<std::string, std::string> extentEffect(const std::string& extent) {
    return {{"fx.js",
             "var green;\n"
             "function setup() { green = QS_initShader(\"green\"); }\n"
             "function preRender(w, h) { QS_setOutputExtent(" +
                 extent +
                 "); }\n"
                 "function draw() { QS_renderShader(green, QS_getSequenceRT(), true); }\n"},
            {"green.frag", "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n"},
            {"config.xml", deepConfig()}};
}

using Edges = std::array<A_long, 4>;
Edges edges(const PF_LRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

bool isGreen(const PF_PixelFloat& p) {
    return p.alpha == 1 && p.red == 0 && p.green == 1 && p.blue == 0;
}

int greenColumns(const HostWorld& image, A_long y) {
    int count = 0;
    for (A_long x = 0; x < image.width(); ++x) count += isGreen(image.get(x, y));
    return count;
}

// Smart pre-render sent by hand, so that the output flags can be read.
struct PreRender {
    PF_Err error;
    PF_PreRenderOutput output;
};

PF_Err probeLayer(PF_ProgPtr, PF_ParamIndex, A_long, const PF_RenderRequest*, A_long, A_long,
                  A_u_long, PF_CheckoutResult* result) {
    *result = PF_CheckoutResult{};
    result->result_rect = result->max_result_rect = PF_LRect{0, 0, 100, 100};
    return PF_Err_NONE;
}

PreRender preRender(EngineHost& e, PF_LRect asked) {
    PF_RenderRequest request{};
    request.rect = asked;
    PF_PreRenderInput input{};
    input.output_request = request;
    input.bitdepth = 8;
    PreRender result{PF_Err_NONE, PF_PreRenderOutput{}};
    PF_PreRenderCallbacks callbacks{};
    callbacks.checkout_layer = probeLayer;
    PF_PreRenderExtra extra{&input, &result.output, &callbacks};
    PF_InData in = e.host.makeInData(e.instance);
    result.error = e.host.send(PF_Cmd_SMART_PRE_RENDER, in, nullptr, nullptr, &extra).error;
    return result;
}

TEST(Frames, AWiderOutputIsCentredOnTheLayer) {
    const HostWorld input = pattern(100, 100, 8);
    {
        EngineHost e(extentEffect("2 * w, h"));
        ASSERT_TRUE(e.start());
        const FrameResult smart = e.render(input);
        ASSERT_EQ(smart.error, PF_Err_NONE);
        EXPECT_EQ(edges(smart.resultRect), (Edges{-50, 0, 150, 100}));
        ASSERT_EQ(smart.output.width(), 200);
        EXPECT_EQ(greenColumns(smart.output, 0), 200);
        EXPECT_EQ(greenColumns(smart.output, 99), 200);

        const PreRender wider = preRender(e, PF_LRect{0, 0, 100, 100});
        EXPECT_EQ(wider.error, PF_Err_NONE);
        EXPECT_EQ(wider.output.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
        EXPECT_EQ(edges(wider.output.max_result_rect), (Edges{-50, 0, 150, 100}));

        RenderOptions classic;
        classic.mode = RenderMode::Classic;
        const FrameResult frame = e.render(input, classic);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_EQ(
            (Edges{frame.output.width(), frame.output.height(), frame.origin.h, frame.origin.v}),
            (Edges{200, 100, 50, 0}));
        EXPECT_EQ(greenColumns(frame.output, 50), 200);
    }
    {
        // The same size: the layer's rectangle, flagged because its right
        // edge is not inside the request's.
        EngineHost e(extentEffect("w, h"));
        ASSERT_TRUE(e.start());
        const PreRender same = preRender(e, PF_LRect{0, 0, 100, 100});
        EXPECT_EQ(same.error, PF_Err_NONE);
        EXPECT_EQ(edges(same.output.result_rect), (Edges{0, 0, 100, 100}));
        EXPECT_EQ(same.output.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
        const PreRender inside = preRender(e, PF_LRect{-10, -10, 110, 110});
        EXPECT_EQ(inside.output.flags, 0);
    }
}

TEST(Frames, ANarrowerFrameIsCentredInPremieresOutput) {
    const HostWorld input = pattern(100, 10, 8);
    {
        EngineHost e(extentEffect("w - 40, h"), HostApplication::Premiere);
        ASSERT_TRUE(e.start());
        const FrameResult frame = e.render(input);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        ASSERT_EQ(frame.output.width(), 100);
        for (A_long y : {0, 9}) {
            for (A_long x = 0; x < 100; ++x) {
                const PF_PixelFloat p = frame.output.get(x, y);
                if (x >= 20 && x < 80) {
                    EXPECT_TRUE(isGreen(p)) << x << ", " << y;
                } else {
                    EXPECT_EQ(p.alpha, 0) << x << ", " << y;
                    EXPECT_EQ(p.green, 0) << x << ", " << y;
                }
            }
        }
    }
    {
        // After Effects makes the output the frame's size, its origin inside the layer.
        EngineHost e(extentEffect("w - 40, h"));
        ASSERT_TRUE(e.start());
        RenderOptions classic;
        classic.mode = RenderMode::Classic;
        const FrameResult frame = e.render(input, classic);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_EQ(frame.output.width(), 60);
        EXPECT_EQ(frame.origin.h, -20);
        EXPECT_EQ(greenColumns(frame.output, 5), 60);
    }
}

TEST(Frames, AShaderErrorIsWrittenIntoTheFrame) {
    EngineHost e({{"fx.js", kCopyScript},
                  {"copy.frag", "void main() { gl_FragColor = vec4(oops); }\n"},
                  {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    const HostWorld input = pattern(320, 120, 8);
    const FrameResult frame = e.render(input);
    ASSERT_EQ(frame.error, PF_Err_NONE);
    EXPECT_FALSE(samePixels(frame.output, input));
    // Light text on an opaque dark ground, starting at the top left.
    int light = 0, dark = 0;
    for (A_long y = 0; y < 20; ++y)
        for (A_long x = 0; x < 200; ++x) {
            const PF_PixelFloat p = frame.output.get(x, y);
            EXPECT_EQ(p.alpha, 1);
            light += p.red > 0.8f && p.green > 0.8f && p.blue > 0.8f;
            dark += p.red == 0 && p.green == 0 && p.blue == 0;
        }
    EXPECT_GT(light, 30);
    EXPECT_GT(dark, light);
    // Nothing is written at the bottom, far from the text.
    for (A_long x = 0; x < 320; ++x) EXPECT_EQ(frame.output.get(x, 119).red, 0);
}

TEST(Frames, AnOutputTargetTheScriptResizedGivesTheInputBack) {
    // Copying a surface into the output target gives it the surface's size
    // and depth; its rows are not the frame's, so the frame is the input.
    EngineHost e({{"fx.js",
                   "var s;\n"
                   "function setup() { s = QS_initSurface(4, 4, 8); }\n"
                   "function draw() { QS_surfaceCopyTo(s, QS_getSequenceRT(), false); }\n"},
                  {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    for (int depth : {8, 32}) {
        const HostWorld input = pattern(256, 256, depth);
        const FrameResult frame = e.render(input);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_TRUE(samePixels(frame.output, input)) << depth;
    }
}

TEST(Frames, MissingImageSuitesFailOrDegradeTheFrame) {
    const std::map<std::string, std::string> files = {
        {"fx.js", kCopyScript}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}};
    const HostWorld input = pattern(16, 8, 8);
    {
        EngineHost e(files);
        ASSERT_TRUE(e.start());
        e.host.refuseSuite(kPFPixelDataSuite);
        const FrameResult frame = e.render(input);
        EXPECT_EQ(frame.error, A_Err_MISSING_SUITE);
        EXPECT_EQ(frame.command, PF_Cmd_SMART_RENDER);
        EXPECT_EQ(e.host.outstandingSuites(), 0);
    }
    {
        // Without the world suite the depth is unknown: the frame is a copy
        // of the input, and the user is told.
        EngineHost e(files);
        ASSERT_TRUE(e.start());
        e.host.refuseSuite(kPFWorldSuite);
        const FrameResult frame = e.render(input);
        EXPECT_EQ(frame.error, PF_Err_NONE);
        EXPECT_EQ(frame.message, "Couldn't load suite.");
        EXPECT_TRUE(frame.outFlags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        EXPECT_TRUE(samePixels(frame.output, input));
    }
}

TEST(Frames, ARunawayDrawIsEndedAndTheFrameCompletes) {
    EngineHost e({{"fx.js", "function setup() {}\nfunction draw() { for (;;) {} }\n"},
                  {"config.xml", deepConfig("<SCRIPT_TIME_LIMIT_MS>300</SCRIPT_TIME_LIMIT_MS>")}});
    ASSERT_TRUE(e.start());
    const HostWorld input = pattern(8, 8, 8);
    for (int frame = 0; frame < 2; ++frame) {
        const FrameResult result = e.render(input);
        EXPECT_EQ(result.error, PF_Err_NONE);
        EXPECT_EQ(result.output.width(), 8);
    }
    // The engine goes on answering.
    EXPECT_EQ(e.host.updateParamsUI(e.instance).error, PF_Err_NONE);
}

// The author's SCRIPT_TIME_LIMIT_MS is held to the user's ceiling: a draw
// that would run three seconds under the author's limit ends at the user's
// 300 ms, and the frame stays unpainted.
TEST(Frames, TheEffectRaisesTheTimeLimitOnlyToTheUsersCeiling) {
    ::setenv("QS_SCRIPT_TIME_CEILING_MS", "300", 1);
    EngineHost e(
        {{"fx.js", R"(
var paint;
function setup() { paint = QS_initShader("paint", "void main() { gl_FragColor = vec4(1.0); }"); }
function draw() {
    for (var end = Date.now() + 3000; Date.now() < end;) {}
    QS_renderShader(paint, QS_getSequenceRT(), false);
})"},
         {"config.xml", deepConfig("<SCRIPT_TIME_LIMIT_MS>2147483647</SCRIPT_TIME_LIMIT_MS>")}});
    const bool started = e.start();
    const FrameResult frame = e.render(pattern(4, 4, 8));
    ::unsetenv("QS_SCRIPT_TIME_CEILING_MS");
    ASSERT_TRUE(started);
    EXPECT_EQ(frame.error, PF_Err_NONE);
    const PF_PixelFloat pixel = frame.output.get(1, 1);
    EXPECT_NE(pixel.red + pixel.green + pixel.blue + pixel.alpha, 4.0f);
}

// Every shader holds a compiled program in the driver, outside the pixel
// budget: past the limit QS_initShader gives 0, and a released shader makes
// room for another. The frame turns white only when both hold.
TEST(Frames, ShadersPastTheLimitAreRefused) {
    const std::string limit = std::to_string(Context::kMaximumShaders);
    EngineHost e({{"fx.js", R"(
var paint, made = 1, again = 0;
function setup() {
    paint = QS_initShader("paint", "void main() { gl_FragColor = vec4(1.0); }");
    var last = 0;
    for (var i = 0; i < )" + limit +
                                R"( + 10; ++i) {
        var shader = QS_initShader("s" + i, "void main() { gl_FragColor = vec4(0.0); }");
        if (shader) { ++made; last = shader; }
    }
    QS_release(last);
    again = QS_initShader("again", "void main() { gl_FragColor = vec4(0.0); }");
}
function draw() {
    if (made == )" + limit + R"( && again)
        QS_renderShader(paint, QS_getSequenceRT(), false);
})"},
                  {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    const PF_PixelFloat pixel = e.render(pattern(4, 4, 8)).output.get(1, 1);
    EXPECT_EQ(pixel.red + pixel.green + pixel.blue + pixel.alpha, 4.0f);
}

TEST(Frames, ARunawaySetupIsEndedAndGlobalSetupCompletes) {
    EngineHost e({{"fx.js", "function setup() { while (true) {} }\n"},
                  {"config.xml", deepConfig("<SCRIPT_TIME_LIMIT_MS>300</SCRIPT_TIME_LIMIT_MS>")}});
    const CommandResult result = e.host.globalSetup();
    EXPECT_EQ(result.error, PF_Err_NONE);
    EXPECT_EQ(result.out.my_version, 0x00080001u);
    ASSERT_EQ(e.host.paramsSetup().error, PF_Err_NONE);
    CommandResult added;
    e.instance = e.host.addInstance(&added);
    EXPECT_EQ(added.error, PF_Err_NONE);
    EXPECT_EQ(e.render(pattern(8, 8, 8)).error, PF_Err_NONE);
}

}  // namespace

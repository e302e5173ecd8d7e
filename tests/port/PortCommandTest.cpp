// quillshade port over shaders written for each host: every port passes
// check, and renders what its host's rules say it shows (rows counted from
// the bottom, channels the right way up, the clock and the mouse), read back
// from the rendered file. Output rows are counted from the top here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ImageFiles.h"
#include "tools/ToolOutput.h"
#include "package/TempFolder.h"

namespace {

const std::string kCorpus = QS_TEST_SOURCE_DIR "/tests/port/corpus/";
constexpr A_long kSize = 8;

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Port : public ::testing::Test {
protected:
    // An 8 x 8 input, red in its top half and blue in its bottom half.
    void SetUp() override {
        HostWorld input(kSize, kSize, 8);
        for (A_long y = 0; y < kSize; ++y)
            for (A_long x = 0; x < kSize; ++x)
                input.set(x, y,
                          y < kSize / 2 ? PF_PixelFloat{1, 1, 0, 0} : PF_PixelFloat{1, 0, 0, 1});
        writeImageFile(folder / "in.png", input);
    }

    // Ports `files` (corpus paths) into a new effect folder, which check
    // must pass; the port's own output.
    ToolOutput port(const std::string& files, const std::string& options = "") {
        ToolOutput out = runTool("port " + files + " -o " + (folder / "effect") + " " + options);
        EXPECT_EQ(out.status, 0) << out.text;
        const ToolOutput checked = runTool("check " + (folder / "effect"));
        EXPECT_EQ(checked.status, 0) << checked.text << "\n" << readText(folder / "effect/fx.js");
        return out;
    }

    HostWorld render(const std::string& options = "") {
        const ToolOutput out =
            runTool("render --effect " + (folder / "effect") + " --input " + (folder / "in.png") +
                    " --output " + (folder / "out.png") + " --quiet " + options);
        EXPECT_EQ(out.status, 0) << out.text;
        return readImageFile(folder / "out.png");
    }

    const TempFolder folder;
};

// Within one 8-bit step of the expected value.
void expectNear(const PF_PixelFloat& pixel, std::vector<float> rgba, const char* what) {
    const std::vector<float> got{pixel.red, pixel.green, pixel.blue, pixel.alpha};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(got[i], rgba[i], 1.5 / 255) << what << ", component " << i;
}

TEST_F(Port, ShadertoyFragCoordCountsFromTheBottomLeftAndTheCanvasIsOpaque) {
    const ToolOutput out = port(kCorpus + "shadertoy/gradient.glsl");
    EXPECT_TRUE(out.has("gradient.glsl: shadertoy shader, written as gradient.frag")) << out.text;
    const HostWorld frame = render();
    expectNear(frame.get(0, 0), {0.5f / kSize, 7.5f / kSize, 0, 1}, "top left");
    expectNear(frame.get(7, 7), {7.5f / kSize, 0.5f / kSize, 0, 1}, "bottom right");
}

TEST_F(Port, ShadertoyChannelsReadTheInputAndLayersRightWayUp) {
    port(kCorpus + "shadertoy/channel.glsl");
    HostWorld frame = render();
    expectNear(frame.get(3, 0), {1, 0, 0, 1}, "top row");
    expectNear(frame.get(3, 7), {0, 0, 1, 1}, "bottom row");

    std::filesystem::remove_all(folder / "effect");
    port(kCorpus + "shadertoy/layer.glsl");
    EXPECT_TRUE(readText(folder / "effect/fx.js").find("QS_Type.LAYER") != std::string::npos);
    HostWorld layer(kSize, kSize, 8);
    for (A_long y = 0; y < kSize; ++y)
        for (A_long x = 0; x < kSize; ++x)
            layer.set(x, y, y < 2 ? PF_PixelFloat{1, 0, 1, 0} : PF_PixelFloat{1, 1, 1, 1});
    writeImageFile(folder / "layer.png", layer);
    frame = render("--layer \"Channel 1=" + (folder / "layer.png") + "\"");
    expectNear(frame.get(3, 0), {0, 1, 0, 1}, "layer's top row");
    expectNear(frame.get(3, 7), {1, 1, 1, 1}, "layer's bottom row");
}

TEST_F(Port, ShadertoyClockFollowsTheFrameTime) {
    port(kCorpus + "shadertoy/clock.glsl");
    // At 1.5 s and the default 25 frames a second: frame 38, 1/25 s a frame.
    expectNear(render("--time 1.5").get(0, 0), {0.5f, 0.38f, 0.4f, 1}, "at 1.5 s");
    expectNear(render("--time 0.25 --set frameRate=10").get(0, 0), {0.25f, 0.03f, 1, 1},
               "at 0.25 s, 10 frames a second");
}

TEST_F(Port, ShadertoyMouseComesFromAPointCountedFromTheBottom) {
    port(kCorpus + "shadertoy/mouse.glsl");
    // No button down: the page's iMouse is 0 until the first click.
    expectNear(render().get(0, 0), {1, 1, 0.5f, 1}, "button up");
    // The point is in layer pixels from the top: (2, 6) is 2 from the bottom.
    expectNear(render("--set mouseDown=1 --set mouse=2,6").get(0, 0), {0.25f, 0.25f, 0.5f, 1},
               "button down");
}

TEST_F(Port, WebGLVaryingsAndUniformsBecomeThePlaceAndControls) {
    port(kCorpus + "webgl/tint100.frag");
    const std::string script = readText(folder / "effect/fx.js");
    EXPECT_TRUE(script.find("\"tintColor_rgb\", QS_Type.COLOR") != std::string::npos) << script;
    EXPECT_TRUE(script.find("\"amount\", QS_Type.FLOAT") != std::string::npos) << script;
    HostWorld frame = render("--set amount=1 --set tintColor_rgb=1,0.5,1");
    expectNear(frame.get(3, 0), {1, 0, 0, 1}, "tinted top row");
    expectNear(frame.get(3, 7), {0, 0, 1, 1}, "tinted bottom row");

    std::filesystem::remove_all(folder / "effect");
    port(kCorpus + "webgl/plane300es.frag");
    frame = render("--time 2.25");
    expectNear(frame.get(0, 0), {0.5f / kSize, 7.5f / kSize, 0.25f, 1}, "uv at the top left");

    std::filesystem::remove_all(folder / "effect");
    port(kCorpus + "webgl/sandbox.frag");
    // The playground's mouse runs from 0 to 1, upwards.
    expectNear(render("--set mouse=6,2").get(0, 7), {0.75f, 0.75f, 0.5f / kSize, 1}, "mouse");
}

TEST_F(Port, GlslTexCoordsCountUpwardsAndUniformValuesBecomeDefaults) {
    port(kCorpus + "glsl/texcoord120.frag");
    const std::string script = readText(folder / "effect/fx.js");
    EXPECT_TRUE(script.find("\"invert\", QS_Type.BOOL") != std::string::npos) << script;
    EXPECT_TRUE(script.find("QS_setParamValue(control_steps, 4)") != std::string::npos) << script;
    expectNear(render().get(7, 0), {0.75f, 0.75f, 0, 1}, "top right, 4 steps");
    expectNear(render("--set invert=1 --set steps_int=2").get(7, 0), {0.5f, 0.5f, 0, 1},
               "top right, inverted, 2 steps");

    std::filesystem::remove_all(folder / "effect");
    port(kCorpus + "glsl/of150.frag");
    const HostWorld frame = render();
    expectNear(frame.get(3, 0), {1, 0, 0, 1}, "top row");
    expectNear(frame.get(3, 7), {0, 0, 1, 1}, "bottom row");
}

TEST_F(Port, VulkanShadersCountRowsFromTheTop) {
    port(kCorpus + "glsl/vulkan450.frag");
    const HostWorld frame = render();
    expectNear(frame.get(3, 0), {1, 0, 1, 1}, "top row");
    expectNear(frame.get(3, 7), {0, 0, 0, 1}, "bottom row");
}

TEST_F(Port, PassesRunInOrderEachReadingTheOneBefore) {
    port(kCorpus + "shadertoy/channel.glsl " + kCorpus + "webgl/tint100.frag");
    const HostWorld frame = render("--set amount=1 --set tintColor_rgb=1,1,0");
    expectNear(frame.get(3, 0), {1, 0, 0, 1}, "top row");
    expectNear(frame.get(3, 7), {0, 0, 0, 1}, "bottom row, blue taken out");
}

TEST_F(Port, SaysWhatItCouldNotTranslateWithTheLineAndNeverOverwrites) {
    const ToolOutput out =
        runTool("port " + kCorpus + "glsl/untranslatable.frag -o " + (folder / "effect"));
    EXPECT_EQ(out.status, 0) << out.text;
    for (const char* part :
         {"untranslatable.frag:3: not translated: uniform mat3 turn",
          "untranslatable.frag:4: not translated: uniform float weights[]",
          "untranslatable.frag:5: not translated: uniform samplerCube environment",
          "untranslatable.frag:6: not translated: varying vNormal"})
        EXPECT_TRUE(out.has(part)) << part << " in\n" << out.text;

    const ToolOutput again =
        runTool("port " + kCorpus + "glsl/of150.frag -o " + (folder / "effect"));
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.has("exists already")) << again.text;
    EXPECT_TRUE(readText(folder / "effect/untranslatable.frag").find("mat3") != std::string::npos);
}

TEST_F(Port, TakesAnyTextAndRefusesWhatIsNoShader) {
    // Unbalanced braces, an open comment, numbers that are no numbers.
    {
        std::ofstream odd(folder / "odd.frag");
        odd << "}}{ uniform vec3 tint = vec3(1.0e400, -., 5);\nuniform float a = -.;\n/* open";
    }
    const ToolOutput out = runTool("port " + (folder / "odd.frag") + " -o " + (folder / "odd"));
    EXPECT_EQ(out.status, 0) << out.text;
    const std::string script = readText(folder / "odd/fx.js");
    EXPECT_EQ(script.find("inf"), std::string::npos) << script;

    {
        std::ofstream large(folder / "large.frag");
        large << std::string((1 << 20) + 1, ' ');
    }
    const ToolOutput refused =
        runTool("port " + (folder / "large.frag") + " -o " + (folder / "large"));
    EXPECT_EQ(refused.status, 1) << refused.text;
    EXPECT_TRUE(refused.has("larger than a shader can be")) << refused.text;
    EXPECT_FALSE(std::filesystem::exists(folder / "large"));
}

}  // namespace
